#pragma once

// The printed report on paged devices: every page drawn on a printer or a PDF writer, and the
// PDF file written complete before it takes the place of the file named.

#include <QPageSize>
#include <optional>
#include <string>

class QIODevice;
class QPagedPaintDevice;
class QPrinter;
class TReportPages;

// Draws the pages on `device` with the pages' layout; on a printer, only the page range the
// operator chose. Raises platform::Exception when the device cannot be painted on.
void PrintPages(TReportPages& pages, QPagedPaintDevice& device);
void PrintPages(TReportPages& pages, QPrinter& printer);

// Writes the pages as a PDF document into `out`, which must be open for writing.
void WriteReportPdf(TReportPages& pages, QIODevice& out);

// Writes the PDF as a new file in the folder of `fileName` and puts it in place when complete;
// on failure nothing is left and an existing file stays as it was. Raises EFCreateError
// ("Cannot create file ...") or EWriteError. `fileName` is a file-system path (UTF-8).
void SaveReportPdf(TReportPages& pages, const std::string& fileName);

// The paper of a name given on a command line: a3, a4, a5, letter, legal (any letter case).
std::optional<QPageSize::PageSizeId> PaperByName(std::string name);
