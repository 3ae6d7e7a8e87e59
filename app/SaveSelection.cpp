#include "app/SaveSelection.h"

namespace {

std::string UpperAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

}  // namespace

TDBGridEhExportClass SaveExporterClass(int filterIndex) {
  switch (filterIndex) {
    case 1:
      return &CreateExporter<TDBGridEhExportAsText>;
    case 2:
      return &CreateExporter<TDBGridEhExportAsCSV>;
    case 3:
      return &CreateExporter<TDBGridEhExportAsHTML>;
    case 4:
      return &CreateExporter<TDBGridEhExportAsRTF>;
    case 5:
      return &CreateExporter<TDBGridEhExportAsXLS>;
    default:
      return nullptr;
  }
}

std::string SaveExtension(int filterIndex) {
  static const char* const kExtensions[] = {"txt", "csv", "htm", "rtf", "xls"};
  if (filterIndex < 1 || filterIndex > 5) return {};
  return kExtensions[filterIndex - 1];
}

std::string SaveFileName(const std::string& fileName, int filterIndex) {
  const std::string extension = SaveExtension(filterIndex);
  const std::string last = fileName.size() > 3 ? fileName.substr(fileName.size() - 3) : fileName;
  if (UpperAscii(last) != UpperAscii(extension)) return fileName + "." + extension;
  return fileName;
}

void SaveSelection(IExportGrid& grid, platform::ISaveDialogs& dialogs, TSaveDialog& saveDialog) {
  platform::SaveDialogRequest request;
  request.fileName = "Costos";
  request.filter = kSaveFilter;
  request.filterIndex = saveDialog.FilterIndex;
  const platform::SaveDialogResult result = dialogs.Run(request);
  if (!result.accepted) return;
  saveDialog.FilterIndex = result.filterIndex;
  const TDBGridEhExportClass exporterClass = SaveExporterClass(result.filterIndex);
  if (exporterClass == nullptr) return;
  ExportGridToFile(exporterClass, grid, SaveFileName(result.fileName, result.filterIndex), false);
}
