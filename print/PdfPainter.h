#pragma once

// Printed pages written straight into a PDF: a paint device whose painter puts each shape and
// each text as one operation into the page's content (a text as one run of glyphs), with the
// fonts embedded as subsets at the end. Memory holds one page's content at a time.

#include <QPageLayout>
#include <QPaintDevice>
#include <QPointF>
#include <QString>
#include <memory>

class QPainter;
class TStream;
class TPdfPaintEngine;

class TPdfPages : public QPaintDevice {
 public:
  // Starts a PDF in `out` with pages of `layout`; the painter's origin is the top left corner
  // inside the margins and its unit one dot (1/1200 inch). `out` must outlive the pages.
  TPdfPages(TStream& out, const QPageLayout& layout, const QString& title, const QString& creator);
  ~TPdfPages() override;

  // Ends the page drawn by `painter` (begun on this device) and writes it. Raises what a
  // drawing step or the stream raised.
  void EndPage(QPainter& painter);
  // Writes the fonts and the document's closing parts.
  void Finish();

  QPaintEngine* paintEngine() const override;

 protected:
  int metric(PaintDeviceMetric metric) const override;

 private:
  std::unique_ptr<TPdfPaintEngine> engine_;
  QPageLayout layout_;
};

// Draws `text` with its left end of baseline at `origin` in the painter's font and pen colour
// as one run of the font's glyphs, without laying it out, when the painter draws into a PDF of
// TPdfPages and the font has a glyph for each character; false otherwise (nothing drawn).
bool DrawPdfTextRun(QPainter& painter, const QPointF& origin, const QString& text);
