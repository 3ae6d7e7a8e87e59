#pragma once

// The printed report on paged devices: every page drawn on a printer or a PDF writer, and the
// PDF file written complete before it takes the place of the file named.

#include <QPageSize>
#include <functional>
#include <optional>
#include <string>

class QPrinter;
class TPageSet;
class TStream;

// Told before each page how many of the job's pages are done and how many there are; false
// stops the job, which then raises platform::EAbort and leaves nothing behind.
using TPageProgress = std::function<bool(int done, int total)>;

// Draws the pages on `printer` with the pages' layout, only the page range the operator
// chose. Raises platform::Exception when the printer cannot be painted on.
void PrintPages(TPageSet& pages, QPrinter& printer, const TPageProgress& progress = {});

// Writes the pages (from `first` to `last`, from 0; -1 for the last page) as a PDF document
// into `out`. Raises the stream's error (EWriteError for a full disk or a file size limit)
// when any part of the document was not taken: a PDF is written whole or reported failed.
void WriteReportPdf(TPageSet& pages, TStream& out, int first = 0, int last = -1,
                    const TPageProgress& progress = {});

// Writes the PDF as a new file in the folder of `fileName` and puts it in place when complete;
// on failure nothing is left and an existing file stays as it was. Raises EFCreateError
// ("Cannot create file ...") or EWriteError. `fileName` is a file-system path (UTF-8).
void SaveReportPdf(TPageSet& pages, const std::string& fileName, int first = 0,
                   int last = -1, const TPageProgress& progress = {});

// The pages (from 0) of the range chosen in `printer`'s dialog, all when none was chosen.
// `last` < `first` when the range holds no page of the report.
void PrinterPageRange(const QPrinter& printer, int pageCount, int& first, int& last);

// The paper of a name given on a command line: a3, a4, a5, letter, legal (any letter case).
std::optional<QPageSize::PageSizeId> PaperByName(std::string name);
