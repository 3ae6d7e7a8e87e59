#include "print/PrintPreview.h"

#include <QLabel>
#include <QPageSetupDialog>
#include <QPaintEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <optional>

#include "platform/Cp1252.h"
#include "platform/Dialogs.h"
#include "print/ReportOutput.h"
#include "print/JobProgress.h"
#include "print/PageSetupStore.h"
#include "print/ReportPages.h"

namespace {

constexpr int kGap = 16;  // pixels between pages and around them

const char kPdfFilter[] = "Documento PDF (*.pdf)|*.PDF";

// The file name with ".pdf" added unless it already ends so (in any letter case).
std::string PdfFileName(std::string name) {
  std::string tail = name.size() >= 4 ? name.substr(name.size() - 4) : name;
  for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (tail != ".pdf") name += ".pdf";
  return name;
}

}  // namespace

void TranslatePrintDialog(QPrintDialog& dialog) {
  for (QRadioButton* button : dialog.findChildren<QRadioButton*>()) {
    if (button->text() == QLatin1String("Pages")) button->setText(QStringLiteral("P\u00E1ginas"));
  }
}

TPreviewView::TPreviewView(TPageSet& pages, QWidget* parent)
    : QAbstractScrollArea(parent), pages_(pages) {
  viewport()->setAutoFillBackground(true);
  QPalette palette = viewport()->palette();
  palette.setColor(QPalette::Window, QColor(0x80, 0x80, 0x80));
  viewport()->setPalette(palette);
  verticalScrollBar()->setSingleStep(40);
}

QSizeF TPreviewView::PagePixels() const {
  const QSizeF points = pages_.PageLayout().fullRect(QPageLayout::Point).size();
  const double pixelsPerPoint = zoom_ * logicalDpiX() / 72.0;
  return points * pixelsPerPoint;
}

double TPreviewView::PageStep() const { return PagePixels().height() + kGap; }

double TPreviewView::FitWidthZoom() const {
  const double points = pages_.PageLayout().fullRect(QPageLayout::Point).width();
  const double width = std::max(viewport()->width() - 2 * kGap, 50);
  return width / (points * logicalDpiX() / 72.0);
}

void TPreviewView::SetZoom(double zoom) {
  fitWidth_ = false;
  ApplyZoom(zoom);
}

void TPreviewView::FitWidth() {
  fitWidth_ = true;
  ApplyZoom(FitWidthZoom());
}

void TPreviewView::ApplyZoom(double zoom) {
  const int page = TopPage();
  zoom_ = std::clamp(zoom, 0.1, 8.0);
  UpdateScrollBars();
  ShowPage(page);
  viewport()->update();
}

int TPreviewView::TopPage() const {
  const double step = PageStep();
  const double top = verticalScrollBar()->value();
  const double bottom = top + viewport()->height();
  const int last = std::max(pages_.PageCount() - 1, 0);
  int best = std::clamp(static_cast<int>((top + 1) / step), 0, last);
  double bestShown = -1;
  // The pages in view: page n covers kGap + n * step .. + the page's height.
  for (int page = best; page <= last; ++page) {
    const double pageTop = kGap + page * step;
    if (pageTop >= bottom) break;
    const double shown =
        std::min(bottom, pageTop + PagePixels().height()) - std::max(top, pageTop);
    if (shown > bestShown + 0.5) {
      best = page;
      bestShown = shown;
    }
  }
  return best;
}

void TPreviewView::ShowPage(int page) {
  page = std::clamp(page, 0, std::max(pages_.PageCount() - 1, 0));
  verticalScrollBar()->setValue(static_cast<int>(std::lround(page * PageStep())));
}

void TPreviewView::Relayout() {
  if (fitWidth_) zoom_ = FitWidthZoom();
  UpdateScrollBars();
  viewport()->update();
}

void TPreviewView::UpdateScrollBars() {
  const QSizeF page = PagePixels();
  // The last page can come to the top of the view. The range is an int: enough for
  // thousands of pages at any zoom offered.
  const double range = std::max(pages_.PageCount() - 1, 0) * PageStep();
  verticalScrollBar()->setRange(0, static_cast<int>(std::min(range, 2e9)));
  verticalScrollBar()->setPageStep(viewport()->height());
  horizontalScrollBar()->setRange(
      0, std::max(static_cast<int>(page.width()) + 2 * kGap - viewport()->width(), 0));
  horizontalScrollBar()->setPageStep(viewport()->width());
}

void TPreviewView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  if (fitWidth_) {
    ApplyZoom(FitWidthZoom());
  } else {
    UpdateScrollBars();
  }
}

void TPreviewView::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(viewport());
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  const QSizeF page = PagePixels();
  const double step = PageStep();
  const double top = verticalScrollBar()->value();
  const double x = std::max((viewport()->width() - page.width()) / 2, double(kGap)) -
                   horizontalScrollBar()->value();
  const QPageLayout& layout = pages_.PageLayout();
  const QRectF full = layout.fullRect(QPageLayout::Point);
  const QRectF paint = layout.paintRect(QPageLayout::Point);
  const double pixelsPerPoint = page.width() / full.width();
  pagesDrawn_ = 0;
  // Only the pages in view are drawn.
  const int first = std::max(static_cast<int>((top - kGap) / step), 0);
  for (int index = first; index < pages_.PageCount(); ++index) {
    const double y = kGap + index * step - top;
    if (y > viewport()->height()) break;
    const QRectF sheet(x, y, page.width(), page.height());
    painter.fillRect(sheet.translated(3, 3), QColor(0x40, 0x40, 0x40));
    painter.fillRect(sheet, Qt::white);
    painter.save();
    painter.setClipRect(sheet);
    painter.translate(x + paint.left() * pixelsPerPoint, y + paint.top() * pixelsPerPoint);
    painter.scale(zoom_, zoom_);
    pages_.DrawPage(painter, index);
    painter.restore();
    ++pagesDrawn_;
  }
}

TPrintPreview::TPrintPreview(TPageSet& pages, QWidget* parent)
    : QDialog(parent), pages_(pages), printer_(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
  setWindowTitle(QStringLiteral("Vista previa: ") + platform::ToQString(kReportTitle));
  if (const std::optional<QPageLayout> stored = StoredPageLayout()) pages.SetPageLayout(*stored);
  printer_->setPageLayout(pages.PageLayout());
  view_ = new TPreviewView(pages, this);
  auto* toolbar = new QToolBar(this);
  PrintAction = toolbar->addAction(QStringLiteral("Imprimir..."), this, [this] { Print(); });
  PdfAction = toolbar->addAction(QStringLiteral("PDF..."), this, [this] { SavePdf(); });
  PageSetupAction =
      toolbar->addAction(QStringLiteral("Configurar p\u00E1gina..."), this, [this] { PageSetup(); });
  toolbar->addSeparator();
  FirstAction = toolbar->addAction(QStringLiteral("|<"), this, [this] { view_->ShowPage(0); });
  PreviousAction = toolbar->addAction(QStringLiteral("<"), this,
                                      [this] { view_->ShowPage(view_->TopPage() - 1); });
  pageBox_ = new QSpinBox(this);
  pageBox_->setMinimum(1);
  toolbar->addWidget(pageBox_);
  pageCount_ = new QLabel(this);
  toolbar->addWidget(pageCount_);
  NextAction = toolbar->addAction(QStringLiteral(">"), this,
                                  [this] { view_->ShowPage(view_->TopPage() + 1); });
  LastAction = toolbar->addAction(QStringLiteral(">|"), this,
                                  [this] { view_->ShowPage(pages_.PageCount() - 1); });
  toolbar->addSeparator();
  ZoomOutAction = toolbar->addAction(QStringLiteral("-"), this,
                                     [this] { view_->SetZoom(view_->Zoom() / 1.25); });
  ZoomInAction = toolbar->addAction(QStringLiteral("+"), this,
                                    [this] { view_->SetZoom(view_->Zoom() * 1.25); });
  FitWidthAction = toolbar->addAction(QStringLiteral("Ancho de p\u00E1gina"), this,
                                      [this] { view_->FitWidth(); });
  PrintAction->setShortcut(QKeySequence::Print);
  NextAction->setShortcut(Qt::Key_PageDown);
  PreviousAction->setShortcut(Qt::Key_PageUp);
  connect(pageBox_, &QSpinBox::editingFinished, this,
          [this] { view_->ShowPage(pageBox_->value() - 1); });
  connect(view_->verticalScrollBar(), &QScrollBar::valueChanged, this,
          [this] { UpdatePageBox(); });

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(toolbar);
  layout->addWidget(view_, 1);
  resize(1100, 760);
  view_->FitWidth();
  UpdatePageBox();
}

TPrintPreview::~TPrintPreview() = default;

void TPrintPreview::UpdatePageBox() {
  pageBox_->setMaximum(std::max(pages_.PageCount(), 1));
  if (!pageBox_->hasFocus()) pageBox_->setValue(view_->TopPage() + 1);
  pageCount_->setText(QStringLiteral(" de %1 ").arg(pages_.PageCount()));
}

void TPrintPreview::SavePdf() {
  platform::SaveDialogRequest request;
  request.fileName = PdfName;
  request.filter = kPdfFilter;
  const platform::SaveDialogResult result = platform::SaveDialogs().Run(request);
  if (!result.accepted) return;
  StampPrintTime();
  TJobProgress progress(QStringLiteral("Guardando PDF"), QStringLiteral("p\u00E1ginas"), this);
  SaveReportPdf(pages_, PdfFileName(result.fileName), 0, -1,
                [&](int done, int total) { return progress.Step(done, total); });
}

void TPrintPreview::UsePageLayout(const QPageLayout& layout) {
  pages_.SetPageLayout(layout);
  StorePageLayout(layout);
  view_->Relayout();
  UpdatePageBox();
}

void TPrintPreview::StampPrintTime() {
  if (!PrintTime) return;
  pages_.SetPrinted(PrintTime());
  view_->viewport()->update();
}

void TPrintPreview::Print() {
  printer_->setPageLayout(pages_.PageLayout());
  printer_->setFromTo(0, 0);
  QPrintDialog dialog(printer_.get(), this);
  dialog.setMinMax(1, pages_.PageCount());
  TranslatePrintDialog(dialog);
  if (dialog.exec() != QDialog::Accepted) return;
  UsePageLayout(printer_->pageLayout());
  StampPrintTime();
  TJobProgress progress(QStringLiteral("Imprimiendo"), QStringLiteral("p\u00E1ginas"), this);
  const TPageProgress step = [&](int done, int total) { return progress.Step(done, total); };
  // A PDF chosen in the print dialog is written complete before it replaces the file.
  if (printer_->outputFormat() == QPrinter::PdfFormat && !printer_->outputFileName().isEmpty()) {
    int first = 0, last = 0;
    PrinterPageRange(*printer_, pages_.PageCount(), first, last);
    if (first <= last) {
      SaveReportPdf(pages_, printer_->outputFileName().toStdString(), first, last, step);
    }
    return;
  }
  PrintPages(pages_, *printer_, step);
}

void TPrintPreview::PageSetup() {
  printer_->setPageLayout(pages_.PageLayout());
  QPageSetupDialog dialog(printer_.get(), this);
  if (dialog.exec() != QDialog::Accepted) return;
  UsePageLayout(printer_->pageLayout());
}
