#include "export/DBGridEhImpExp.h"

char CSVSeparator = ';';

TDBGridEhExportAsCSV::TDBGridEhExportAsCSV() : separator_(CSVSeparator) {}

void TDBGridEhExportAsCSV::WriteQuoted(std::string_view text) {
  Write("\"");
  size_t start = 0;
  for (size_t quote = text.find('"'); quote != std::string_view::npos;
       quote = text.find('"', start)) {
    Write(text.substr(start, quote + 1 - start));
    Write("\"");
    start = quote + 1;
  }
  Write(text.substr(start));
  Write("\"");
}

void TDBGridEhExportAsCSV::StartCell() {
  if (firstCell_) {
    firstCell_ = false;
  } else {
    Write(std::string_view(&separator_, 1));
  }
}

void TDBGridEhExportAsCSV::EmitTitleRow(const std::vector<int>& columns) {
  StartLine();
  for (size_t i = 0; i < columns.size(); ++i) {
    WriteQuoted(Grid()->TitleCaption(columns[i]));
    if (i + 1 < columns.size()) Write(std::string_view(&separator_, 1));
  }
}

void TDBGridEhExportAsCSV::EmitDataCell(int, const TExportCellParams& params) {
  StartCell();
  WriteQuoted(params.Text);
}

void TDBGridEhExportAsCSV::EmitFooterCell(int, int, int, const platform::TFontSpec&,
                                          platform::TColor, TAlignment,
                                          const std::string& text) {
  StartCell();
  WriteQuoted(text);
}
