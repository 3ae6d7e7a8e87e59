#pragma once

#include "data/DB.h"
#include "grid/DBGridEh.h"

// The grid's link to its data source: forwards the result set's notices to the grid.
class TGridDataLinkEh : public TDataLink {
 public:
  explicit TGridDataLinkEh(TDBGridEh* grid) : grid_(grid) {}

 protected:
  void ActiveChanged() override { grid_->LinkActiveChanged(); }
  void DataSetChanged() override { grid_->LinkDataChanged(); }
  void DataSetScrolled(int distance) override { grid_->LinkScrolled(distance); }
  void LayoutChanged() override { grid_->LinkLayoutChanged(); }
  void RecordChanged(TField* /*field*/) override { grid_->InvalidateGrid(); }
  void EditingChanged() override { grid_->InvalidateGrid(); }

 private:
  TDBGridEh* grid_;
};
