#include "print/ReportOutput.h"

#include <QPainter>
#include <QPrinter>
#include <cctype>
#include <exception>
#include <memory>
#include <new>

#include "export/Stream.h"
#include "platform/Cp1252.h"
#include "platform/ReplacementFile.h"
#include "print/PdfPainter.h"
#include "print/ReportPages.h"

namespace {

void DrawRange(TPageSet& pages, QPagedPaintDevice& device, int first, int last,
               const TPageProgress& progress) {
  auto painter = std::make_unique<QPainter>();
  if (!painter->begin(&device)) throw platform::Exception("Cannot start printing");
  try {
    for (int page = first; page <= last; ++page) {
      if (progress && !progress(page - first, last - first + 1)) {
        // A printer job is withdrawn; a PDF's stream is dropped by the caller.
        if (auto* printer = dynamic_cast<QPrinter*>(&device)) printer->abort();
        painter->end();
        throw platform::EAbort();
      }
      if (page > first) device.newPage();
      pages.DrawPage(*painter, page);
    }
    painter->end();
  } catch (const std::bad_alloc&) {
    // Out of memory inside the paint engine leaves the painter active, and ending it would
    // write again while the failure unwinds and end the process: it is let go.
    if (painter->isActive()) static_cast<void>(painter.release());
    throw;
  } catch (...) {
    if (painter->isActive()) painter->end();
    throw;
  }
  if (progress) progress(last - first + 1, last - first + 1);
}

}  // namespace

void PrinterPageRange(const QPrinter& printer, int pageCount, int& first, int& last) {
  first = 0;
  last = pageCount - 1;
  if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
    first = std::max(first, printer.fromPage() - 1);
    last = std::min(last, printer.toPage() - 1);
  }
}

void PrintPages(TPageSet& pages, QPrinter& printer, const TPageProgress& progress) {
  printer.setPageLayout(pages.PageLayout());
  int first = 0, last = 0;
  PrinterPageRange(printer, pages.PageCount(), first, last);
  if (first > last) return;
  DrawRange(pages, printer, first, last, progress);
}

void WriteReportPdf(TPageSet& pages, TStream& out, int first, int last,
                    const TPageProgress& progress) {
  TPdfPages pdf(out, pages.PageLayout(), platform::ToQString(kReportTitle),
                QStringLiteral("Galvora"));
  if (last < 0) last = pages.PageCount() - 1;
  for (int page = first; page <= last; ++page) {
    // A stopped job leaves the stream unfinished; the caller drops it.
    if (progress && !progress(page - first, last - first + 1)) throw platform::EAbort();
    QPainter painter;
    if (!painter.begin(&pdf)) throw platform::Exception("Cannot start printing");
    pages.DrawPage(painter, page);
    pdf.EndPage(painter);
  }
  pdf.Finish();
  if (progress) progress(last - first + 1, last - first + 1);
}

void SaveReportPdf(TPageSet& pages, const std::string& fileName, int first, int last,
                   const TPageProgress& progress) {
  platform::ReplacementFile file(fileName);
  TFileStream out(file.Descriptor());
  WriteReportPdf(pages, out, first, last, progress);
  out.Close();
  file.Commit();
}

std::optional<QPageSize::PageSizeId> PaperByName(std::string name) {
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  static const struct {
    const char* Name;
    QPageSize::PageSizeId Id;
  } kPapers[] = {{"a3", QPageSize::A3},
                 {"a4", QPageSize::A4},
                 {"a5", QPageSize::A5},
                 {"letter", QPageSize::Letter},
                 {"legal", QPageSize::Legal}};
  for (const auto& paper : kPapers) {
    if (name == paper.Name) return paper.Id;
  }
  return std::nullopt;
}
