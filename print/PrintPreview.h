#pragma once

// The print preview of the report: the pages one below the other at a chosen zoom, drawn only
// as they come into view, with page setup (paper, orientation, margins), printing to any
// printer and saving as a PDF file.

#include <QAbstractScrollArea>
#include <QDialog>
#include <functional>
#include <memory>
#include <string>

class QAction;
class QLabel;
class QPageLayout;
class QPrinter;
class QSpinBox;
class TPageSet;

// The scrolling view of the pages.
class TPreviewView : public QAbstractScrollArea {
 public:
  explicit TPreviewView(TPageSet& pages, QWidget* parent = nullptr);

  // The zoom: 1 shows the paper at its size on the screen.
  double Zoom() const { return zoom_; }
  void SetZoom(double zoom);
  // Zooms so that a page fills the view's width, and keeps doing so as the view resizes.
  void FitWidth();
  // The page that fills most of the view (of equal ones the upper), and scrolling a page to
  // the top.
  int TopPage() const;
  void ShowPage(int page);
  // Lays out again after the pages' layout changed.
  void Relayout();
  // The pages drawn by the last paint, for checking that only visible pages are drawn.
  int PagesDrawnLastPaint() const { return pagesDrawn_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QSizeF PagePixels() const;
  double PageStep() const;
  void UpdateScrollBars();

  TPageSet& pages_;
  double FitWidthZoom() const;
  void ApplyZoom(double zoom);

  double zoom_ = 1;
  bool fitWidth_ = true;
  int pagesDrawn_ = 0;
};

class QPrintDialog;

// Puts in Spanish the print dialog's texts that Qt's translation leaves in English (the
// page list choice, "Pages").
void TranslatePrintDialog(QPrintDialog& dialog);

class TPrintPreview : public QDialog {
 public:
  // Lays the pages out on the page setup the operator last chose, if any. Requires: `pages`
  // outlives the dialog.
  explicit TPrintPreview(TPageSet& pages, QWidget* parent = nullptr);
  ~TPrintPreview() override;

  TPreviewView* View() const { return view_; }
  QAction* PrintAction;
  QAction* PdfAction;
  QAction* PageSetupAction;
  QAction* FirstAction;
  QAction* PreviousAction;
  QAction* NextAction;
  QAction* LastAction;
  QAction* ZoomInAction;
  QAction* ZoomOutAction;
  QAction* FitWidthAction;
  // The date and time of printing for the header, asked for when the pages are printed or
  // saved; the header keeps its time when not set.
  std::function<std::string()> PrintTime;
  // The name the save dialog suggests for the PDF.
  std::string PdfName = "Costos";

  // Asks for a file name in the save dialog and writes the pages there as a PDF.
  void SavePdf();
  // Shows the print dialog and prints to the chosen printer (or PDF file).
  void Print();
  // Shows the page setup dialog and lays the pages out again on its answer.
  void PageSetup();

 private:
  void UpdatePageBox();
  // Lays the pages out on `layout`, chosen by the operator, and keeps it for the next time.
  void UsePageLayout(const QPageLayout& layout);
  void StampPrintTime();

  TPageSet& pages_;
  std::unique_ptr<QPrinter> printer_;
  TPreviewView* view_;
  QSpinBox* pageBox_;
  QLabel* pageCount_;
};
