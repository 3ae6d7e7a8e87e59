#include "print/PageSet.h"

TPageSequence::TPageSequence(std::vector<TPageSet*> sets) : sets_(std::move(sets)) {
  if (!sets_.empty()) layout_ = sets_.front()->PageLayout();
}

void TPageSequence::SetPageLayout(const QPageLayout& layout) {
  layout_ = layout;
  for (TPageSet* set : sets_) set->SetPageLayout(layout);
}

int TPageSequence::PageCount() const {
  int count = 0;
  for (const TPageSet* set : sets_) count += set->PageCount();
  return count;
}

void TPageSequence::SetPrinted(std::string printed) {
  for (TPageSet* set : sets_) set->SetPrinted(printed);
}

void TPageSequence::DrawPage(QPainter& painter, int page) {
  for (TPageSet* set : sets_) {
    if (page < set->PageCount()) return set->DrawPage(painter, page);
    page -= set->PageCount();
  }
}
