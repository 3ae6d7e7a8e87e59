#include "export/DBGridEhImpExp.h"

#include "platform/Cp1252.h"

// ---------------------------------------------------------------------------------------------
// ANSI text

void TDBGridEhExportAsText::RenderToStream(TStream& stream, bool saveAll) {
  firstLine_ = true;
  TDBGridEhExport::RenderToStream(stream, saveAll);
}

void TDBGridEhExportAsText::StartLine() {
  if (firstLine_) {
    firstLine_ = false;
  } else {
    Write("\r\n");
  }
}

void TDBGridEhExportAsText::StartCell() {
  if (firstCell_) {
    firstCell_ = false;
  } else {
    Write("\t");
  }
}

void TDBGridEhExportAsText::EmitTitleRow(const std::vector<int>& columns) {
  StartLine();
  for (size_t i = 0; i < columns.size(); ++i) {
    Write(Grid()->TitleCaption(columns[i]));
    if (i + 1 < columns.size()) Write("\t");
  }
}

void TDBGridEhExportAsText::EmitDataRow(const std::vector<int>& columns) {
  StartLine();
  firstCell_ = true;
  TDBGridEhExport::EmitDataRow(columns);
}

void TDBGridEhExportAsText::EmitDataCell(int, const TExportCellParams& params) {
  StartCell();
  Write(params.Text);
}

void TDBGridEhExportAsText::EmitFooterRow(const std::vector<int>& columns, int footerRow) {
  StartLine();
  firstCell_ = true;
  TDBGridEhExport::EmitFooterRow(columns, footerRow);
}

void TDBGridEhExportAsText::EmitFooterCell(int, int, int, const platform::TFontSpec&,
                                           platform::TColor, TAlignment,
                                           const std::string& text) {
  StartCell();
  Write(text);
}

// ---------------------------------------------------------------------------------------------
// Unicode text

void TDBGridEhExportAsUnicodeText::RenderToStream(TStream& stream, bool saveAll) {
  firstLine_ = true;
  TDBGridEhExport::RenderToStream(stream, saveAll);
}

void TDBGridEhExportAsUnicodeText::WriteText(std::string_view cp1252) {
  std::string bytes;
  bytes.reserve(cp1252.size() * 2);
  for (unsigned char c : cp1252) {
    const char16_t unit = platform::Cp1252ToUnicode(c);
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  Write(bytes);
}

void TDBGridEhExportAsUnicodeText::StartLine() {
  if (firstLine_) {
    firstLine_ = false;
  } else {
    Write(std::string_view("\r\0\n\0", 4));
  }
}

void TDBGridEhExportAsUnicodeText::StartCell() {
  if (firstCell_) {
    firstCell_ = false;
  } else {
    Write(std::string_view("\t\0", 2));
  }
}

void TDBGridEhExportAsUnicodeText::EmitTitleRow(const std::vector<int>& columns) {
  StartLine();
  for (size_t i = 0; i < columns.size(); ++i) {
    WriteText(Grid()->TitleCaption(columns[i]));
    if (i + 1 < columns.size()) Write(std::string_view("\t\0", 2));
  }
}

void TDBGridEhExportAsUnicodeText::EmitDataRow(const std::vector<int>& columns) {
  StartLine();
  firstCell_ = true;
  TDBGridEhExport::EmitDataRow(columns);
}

void TDBGridEhExportAsUnicodeText::EmitDataCell(int, const TExportCellParams& params) {
  StartCell();
  WriteText(params.Text);
}

void TDBGridEhExportAsUnicodeText::EmitFooterRow(const std::vector<int>& columns,
                                                 int footerRow) {
  StartLine();
  firstCell_ = true;
  TDBGridEhExport::EmitFooterRow(columns, footerRow);
}

void TDBGridEhExportAsUnicodeText::EmitFooterCell(int, int, int, const platform::TFontSpec&,
                                                  platform::TColor, TAlignment,
                                                  const std::string& text) {
  StartCell();
  WriteText(text);
}
