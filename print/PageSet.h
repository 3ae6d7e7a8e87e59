#pragma once

// A set of printed pages as the preview, printers and PDF files take it: a count, a page
// layout and the drawing of one page. The report's pages are one; the comparison's another;
// a sequence puts sets one after the other in one document.

#include <QPageLayout>
#include <string>
#include <vector>

class QPainter;

class TPageSet {
 public:
  virtual ~TPageSet() = default;

  // Lays the pages out for a paper, orientation and margins.
  virtual void SetPageLayout(const QPageLayout& layout) = 0;
  virtual const QPageLayout& PageLayout() const = 0;
  virtual int PageCount() const = 0;
  // The date and time of printing the headers show from now on.
  virtual void SetPrinted(std::string printed) = 0;
  // Draws page `page` (from 0) on `painter`, whose origin is the top left corner of the area
  // inside the margins.
  virtual void DrawPage(QPainter& painter, int page) = 0;
};

// Sets printed one after the other, on one page layout; page numbers run through the whole.
// Requires: the sets outlive the sequence.
class TPageSequence : public TPageSet {
 public:
  explicit TPageSequence(std::vector<TPageSet*> sets);

  void SetPageLayout(const QPageLayout& layout) override;
  const QPageLayout& PageLayout() const override { return layout_; }
  int PageCount() const override;
  void SetPrinted(std::string printed) override;
  void DrawPage(QPainter& painter, int page) override;

 private:
  std::vector<TPageSet*> sets_;
  QPageLayout layout_;
};
