#pragma once

// The comparison as a text file in the report's own text conventions: Windows-1252, lines
// ended by CR LF between them; the CSV form quotes every cell and separates them with the
// CSV separator, the TXT form separates them with tabs.

#include <string>

#include "report/Comparison.h"

class TStream;

namespace report {

// Writes the titles, the rows and the totals row to `stream`.
void WriteComparisonText(const TComparison& comparison, TStream& stream, bool csv);

// Writes the same into a new file that replaces `fileName` only when complete (a failure
// leaves the former file as it was).
void SaveComparisonText(const TComparison& comparison, const std::string& fileName, bool csv);

// The comparison file beside a report file: "<folder>/<stem>-comparativo.<extension>"
// ("/srv/Costos.csv" -> "/srv/Costos-comparativo.csv").
std::string ComparisonFileName(const std::string& reportFileName);

}  // namespace report
