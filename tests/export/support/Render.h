#pragma once

#include <string>

#include "export/DBGridEhImpExp.h"

// The bytes `exporterClass` writes for `grid`.
inline std::string Render(TDBGridEhExportClass exporterClass, IExportGrid& grid,
                          bool saveAll = false) {
  TMemoryStream stream;
  ExportGridToStream(exporterClass, grid, stream, saveAll);
  return std::string(stream.Bytes());
}

constexpr TDBGridEhExportClass kText = &CreateExporter<TDBGridEhExportAsText>;
constexpr TDBGridEhExportClass kUnicode = &CreateExporter<TDBGridEhExportAsUnicodeText>;
constexpr TDBGridEhExportClass kCsv = &CreateExporter<TDBGridEhExportAsCSV>;
constexpr TDBGridEhExportClass kHtml = &CreateExporter<TDBGridEhExportAsHTML>;
constexpr TDBGridEhExportClass kRtf = &CreateExporter<TDBGridEhExportAsRTF>;
constexpr TDBGridEhExportClass kXls = &CreateExporter<TDBGridEhExportAsXLS>;
