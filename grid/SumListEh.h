#pragma once

// The grid's summary engine: sums, averages and counts of the footers that ask for them, kept
// in step with the result set through its after-open, after-post, ... notifications.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "data/DB.h"

class TDBGridEh;
class TColumnFooterEh;

class TDBGridEhSumList {
 public:
  explicit TDBGridEhSumList(TDBGridEh* grid)
      : grid_(grid), alive_(std::make_shared<TDBGridEhSumList*>(this)) {}
  ~TDBGridEhSumList();
  TDBGridEhSumList(const TDBGridEhSumList&) = delete;
  TDBGridEhSumList& operator=(const TDBGridEhSumList&) = delete;

  bool Active() const { return active_; }
  void SetActive(bool value);
  bool VirtualRecords = false;
  bool ExternalRecalc = false;

  // Attaches the engine to `dataSet` (nullptr detaches), taking over its notifications and
  // calling the previous handlers.
  void SetDataSet(TDataSet* dataSet);
  TDataSet* DataSet() const { return dataSet_; }

  // Clears the sums and, when some footer asks for a field or a count (or the result set is
  // not sequenced and VirtualRecords is on), visits every record. Tells the grid at the end.
  void RecalcAll();
  void ClearSums();

  // The value of a footer as value x 10000 (sums, averages) or record count x 10000; false
  // when the engine holds nothing for it.
  bool FooterValue(const TColumnFooterEh& footer, int64_t& value) const;
  // Record number and count: the engine's own record list when it keeps one, else the result
  // set's (-1 when unknown).
  int RecNo() const;
  int RecordCount() const;

  std::function<void(TDBGridEhSumList&)> OnRecalcAll;
  std::function<void(TDBGridEhSumList&)> OnAfterRecalcAll;

 private:
  struct Sum {
    const TColumnFooterEh* Footer;
    TField* Field;
    int64_t Value = 0;
    int64_t NonNull = 0;
  };
  void Attach();
  void Detach();
  void CollectSums();
  TDBGridEh* grid_;
  TDataSet* dataSet_ = nullptr;
  bool active_ = false;
  bool attached_ = false;
  std::vector<Sum> sums_;
  std::vector<TBookmark> records_;  // virtual record list (unsequenced result sets)
  // The handlers placed on the result set reach the engine through this cell, emptied when the
  // engine goes, so that a result set that outlives the grid only runs its own handlers.
  std::shared_ptr<TDBGridEhSumList*> alive_;
  TDataSetNotifyEvent afterOpen_, afterClose_, afterPost_, afterDelete_, afterCancel_;
};
