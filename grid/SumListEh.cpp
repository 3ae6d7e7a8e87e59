#include "grid/SumListEh.h"

#include <cmath>

#include "grid/DBGridEh.h"

TDBGridEhSumList::~TDBGridEhSumList() {
  *alive_ = nullptr;
  Detach();
}

void TDBGridEhSumList::SetActive(bool value) {
  if (value == active_) return;
  active_ = value;
  if (active_) {
    Attach();
    if (dataSet_ != nullptr && dataSet_->Active()) RecalcAll();
  } else {
    Detach();
    ClearSums();
  }
}

void TDBGridEhSumList::SetDataSet(TDataSet* dataSet) {
  if (dataSet == dataSet_) return;
  Detach();
  dataSet_ = dataSet;
  ClearSums();
  if (active_) {
    Attach();
    if (dataSet_ != nullptr && dataSet_->Active()) RecalcAll();
  }
}

void TDBGridEhSumList::Attach() {
  if (attached_ || dataSet_ == nullptr) return;
  attached_ = true;
  afterOpen_ = dataSet_->AfterOpen;
  afterClose_ = dataSet_->AfterClose;
  afterPost_ = dataSet_->AfterPost;
  afterDelete_ = dataSet_->AfterDelete;
  afterCancel_ = dataSet_->AfterCancel;
  auto cell = alive_;
  // Post, delete and cancel recalculate in full: simpler than the per-record adjustment and
  // always right.
  auto wrap = [cell](TDataSetNotifyEvent previous, bool recalc, bool clear) {
    return [cell, previous, recalc, clear](TDataSet& ds) {
      TDBGridEhSumList* self = *cell;
      if (self != nullptr && self->dataSet_ == &ds) {
        if (clear) self->ClearSums();
        if (recalc) self->RecalcAll();
      }
      if (previous) previous(ds);
    };
  };
  dataSet_->AfterOpen = wrap(afterOpen_, true, false);
  dataSet_->AfterClose = wrap(afterClose_, false, true);
  dataSet_->AfterPost = wrap(afterPost_, true, false);
  dataSet_->AfterDelete = wrap(afterDelete_, true, false);
  dataSet_->AfterCancel = wrap(afterCancel_, true, false);
}

void TDBGridEhSumList::Detach() {
  if (!attached_ || dataSet_ == nullptr) return;
  attached_ = false;
  // Only a result set the grid still reaches is known to exist: give it its handlers back.
  if (grid_->DataSet() != dataSet_) return;
  dataSet_->AfterOpen = afterOpen_;
  dataSet_->AfterClose = afterClose_;
  dataSet_->AfterPost = afterPost_;
  dataSet_->AfterDelete = afterDelete_;
  dataSet_->AfterCancel = afterCancel_;
}

void TDBGridEhSumList::ClearSums() {
  sums_.clear();
  records_.clear();
}

void TDBGridEhSumList::CollectSums() {
  sums_.clear();
  TDBGridColumnsEh& columns = grid_->Columns();
  for (int i = 0; i < columns.Count(); ++i) {
    TColumnEh* column = columns[i];
    int rows = std::max(grid_->FooterRowCount(), 1);
    for (int r = 0; r < rows; ++r) {
      const TColumnFooterEh& footer = column->GetFooter(r);
      if (footer.ValueType != fvtSum && footer.ValueType != fvtAvg &&
          footer.ValueType != fvtCount) {
        continue;
      }
      bool seen = false;
      for (const Sum& s : sums_) seen = seen || s.Footer == &footer;
      if (seen) continue;
      const std::string& name = footer.FieldName.empty() ? column->FieldName() : footer.FieldName;
      TField* field = dataSet_->FindField(name);
      if (field == nullptr && footer.ValueType != fvtCount) continue;
      sums_.push_back(Sum{&footer, field});
    }
  }
}

void TDBGridEhSumList::RecalcAll() {
  ClearSums();
  if (OnRecalcAll) OnRecalcAll(*this);
  if (!active_ || dataSet_ == nullptr || !dataSet_->Active()) return;
  CollectSums();
  bool keepRecords = !dataSet_->IsSequenced() && VirtualRecords;
  if (!sums_.empty() || keepRecords) {
    TBookmark saved = dataSet_->GetBookmark();
    dataSet_->DisableControls();
    try {
      dataSet_->First();
      while (!dataSet_->Eof()) {
        for (Sum& s : sums_) {
          if (s.Footer->ValueType == fvtCount) {
            s.Value += 10000;
          } else if (s.Field != nullptr && !s.Field->IsNull()) {
            s.Value += static_cast<int64_t>(std::nearbyint(s.Field->AsFloat() * 10000.0));
            ++s.NonNull;
          }
        }
        if (keepRecords) records_.push_back(dataSet_->GetBookmark());
        dataSet_->Next();
      }
      if (saved.empty()) {
        dataSet_->First();
      } else {
        dataSet_->GotoBookmark(saved);
      }
    } catch (...) {
      dataSet_->EnableControls();
      throw;
    }
    for (Sum& s : sums_) {
      if (s.Footer->ValueType == fvtAvg && s.NonNull > 0) s.Value /= s.NonNull;
    }
    dataSet_->EnableControls();
  }
  if (OnAfterRecalcAll) OnAfterRecalcAll(*this);
  grid_->InvalidateGrid();
}

bool TDBGridEhSumList::FooterValue(const TColumnFooterEh& footer, int64_t& value) const {
  for (const Sum& s : sums_) {
    if (s.Footer == &footer) {
      value = s.Value;
      return true;
    }
  }
  return false;
}

int TDBGridEhSumList::RecNo() const {
  if (dataSet_ == nullptr || !dataSet_->Active()) return -1;
  if (!records_.empty()) {
    TBookmark current = dataSet_->GetBookmark();
    for (size_t i = 0; i < records_.size(); ++i) {
      if (dataSet_->CompareBookmarks(records_[i], current) == 0) return static_cast<int>(i) + 1;
    }
    return -1;
  }
  return dataSet_->RecNo();
}

int TDBGridEhSumList::RecordCount() const {
  if (dataSet_ == nullptr || !dataSet_->Active()) return -1;
  if (!records_.empty()) return static_cast<int>(records_.size());
  return dataSet_->RecordCount();
}
