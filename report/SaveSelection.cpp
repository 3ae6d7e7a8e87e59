#include "report/SaveSelection.h"

#include <QSettings>

#include "export/ExportAsXLSX.h"
#include "platform/Cp1252.h"
#include "platform/UserSettings.h"
#include "print/JobProgress.h"

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
    case 6:
      return &CreateExporter<TDBGridEhExportAsXLSX>;
    default:
      return nullptr;
  }
}

std::string SaveExtension(int filterIndex) {
  static const char* const kExtensions[kSaveFormatCount] = {"txt", "csv", "htm",
                                                            "rtf", "xls", "xlsx"};
  if (filterIndex < 1 || filterIndex > kSaveFormatCount) return {};
  return kExtensions[filterIndex - 1];
}

std::string SaveFileName(const std::string& fileName, int filterIndex) {
  const std::string extension = SaveExtension(filterIndex);
  const size_t length = extension.size();
  const std::string last =
      fileName.size() > length ? fileName.substr(fileName.size() - length) : fileName;
  if (UpperAscii(last) != UpperAscii(extension)) return fileName + "." + extension;
  return fileName;
}

void SaveSelection(IExportGrid& grid, platform::ISaveDialogs& dialogs, TSaveDialog& saveDialog,
                   const TExportDocumentInfo& info) {
  platform::SaveDialogRequest request;
  request.fileName = "Costos";
  request.filter = kSaveFilter;
  request.filterIndex = saveDialog.FilterIndex;
  request.folder = saveDialog.Folder;
  const platform::SaveDialogResult result = dialogs.Run(request);
  if (!result.accepted) return;
  saveDialog.FilterIndex = result.filterIndex;
  if (const size_t slash = result.fileName.rfind('/'); slash != std::string::npos) {
    saveDialog.Folder = slash == 0 ? "/" : result.fileName.substr(0, slash);
    if (saveDialog.OnFolderChosen) saveDialog.OnFolderChosen(saveDialog.Folder);
  }
  const TDBGridEhExportClass exporterClass = SaveExporterClass(result.filterIndex);
  if (exporterClass == nullptr) return;
  // A long save shows the rows written, with Cancel (the former file stays).
  TJobProgress progress(QStringLiteral("Guardando"), QStringLiteral("filas"), nullptr);
  ExportGridToFile(exporterClass, grid, SaveFileName(result.fileName, result.filterIndex), false,
                   info, [&progress](long rows) { return progress.Step(rows, 0); });
}

namespace {

constexpr char kFolderKey[] = "SaveDialog/Folder";

}  // namespace

std::string RememberedSaveFolder() {
  const QSettings settings(platform::UserSettingsFile(), QSettings::IniFormat);
  return platform::FileNameFromQString(settings.value(kFolderKey).toString());
}

void RememberSaveFolder(const std::string& folder) {
  QSettings settings(platform::UserSettingsFile(), QSettings::IniFormat);
  settings.setValue(kFolderKey, platform::FileNameToQString(folder));
  settings.sync();
}
