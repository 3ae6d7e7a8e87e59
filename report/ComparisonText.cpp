#include "report/ComparisonText.h"

#include "export/DBGridEhImpExp.h"
#include "export/Stream.h"
#include "platform/Cp1252.h"
#include "platform/ReplacementFile.h"
#include "report/ComparisonTable.h"

namespace report {

namespace {

void WriteCell(TStream& stream, const std::string& text, bool csv) {
  if (!csv) return stream.Write(text.data(), text.size());
  std::string quoted = "\"";
  for (char c : text) {
    quoted += c;
    if (c == '"') quoted += '"';
  }
  quoted += '"';
  stream.Write(quoted.data(), quoted.size());
}

}  // namespace

void WriteComparisonText(const TComparison& comparison, TStream& stream, bool csv) {
  const std::vector<TComparisonColumn> columns = ComparisonColumns(comparison);
  const char separator = csv ? CSVSeparator : '\t';
  const auto line = [&](const auto& cell) {
    for (size_t c = 0; c < columns.size(); ++c) {
      if (c > 0) stream.Write(&separator, 1);
      WriteCell(stream, cell(columns[c]), csv);
    }
  };
  line([](const TComparisonColumn& column) { return column.Title; });
  for (const TComparisonRow* row = comparison.Rows.data();
       row != comparison.Rows.data() + comparison.Rows.size(); ++row) {
    stream.Write("\r\n", 2);
    line([row](const TComparisonColumn& column) { return ComparisonCellText(*row, column); });
  }
  stream.Write("\r\n", 2);
  line([&](const TComparisonColumn& column) {
    return ComparisonCellText(comparison.Totals, column);
  });
}

void SaveComparisonText(const TComparison& comparison, const std::string& fileName, bool csv) {
  platform::ReplacementFile file(fileName);
  try {
    TFileStream stream(file.Descriptor());
    WriteComparisonText(comparison, stream, csv);
    stream.Close();
  } catch (const EWriteError& e) {
    // Named here: the caller also writes the report's own file.
    if (!e.What().empty()) throw;
    throw EWriteError(e.Error(), "file \"" + platform::FileNameText(file.Target()) + "\"");
  }
  file.Commit();
}

std::string ComparisonFileName(const std::string& reportFileName) {
  const size_t slash = reportFileName.rfind('/');
  const size_t nameAt = slash == std::string::npos ? 0 : slash + 1;
  const size_t dot = reportFileName.rfind('.');
  if (dot == std::string::npos || dot <= nameAt) return reportFileName + "-comparativo";
  return reportFileName.substr(0, dot) + "-comparativo" + reportFileName.substr(dot);
}

}  // namespace report
