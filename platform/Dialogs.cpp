#include "platform/Dialogs.h"

#include <QApplication>
#include <QDir>
#include <QFontMetrics>
#include <QScreen>
#include <QFileDialog>
#include <QLibraryInfo>
#include <QTranslator>
#include <QMessageBox>
#include <QStringList>
#include <memory>

#include "platform/Cp1252.h"
#include "platform/ElideText.h"

namespace platform {

IMessageBoxes::~IMessageBoxes() = default;
ISaveDialogs::~ISaveDialogs() = default;

namespace {
std::string LowerAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}
}  // namespace

std::vector<std::string> SaveDialogNameFilters(const std::string& filter) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= filter.size()) {
    size_t bar = filter.find('|', start);
    if (bar == std::string::npos) bar = filter.size();
    parts.push_back(filter.substr(start, bar - start));
    start = bar + 1;
  }
  std::vector<std::string> result;
  if (filter.empty()) return result;
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    std::string patterns = parts[i + 1];
    for (char& c : patterns) {
      if (c == ';') c = ' ';
    }
    // A description that already shows its patterns ("Archivo texto (*.txt)" with "*.TXT") is
    // not given them a second time; the dialog matches names without regard to case.
    const std::string& description = parts[i];
    const std::string shown = " (" + patterns + ")";
    if (description.size() >= shown.size() &&
        LowerAscii(description.substr(description.size() - shown.size())) == LowerAscii(shown)) {
      result.push_back(description);
    } else {
      result.push_back(description + shown);
    }
  }
  return result;
}

namespace {

class QtMessageBoxes : public IMessageBoxes {
 public:
  void Show(const std::string& text, const std::string& caption, MsgIcon icon) override {
    QMessageBox::Icon qtIcon = QMessageBox::NoIcon;
    switch (icon) {
      case MsgIcon::None:
        qtIcon = QMessageBox::NoIcon;
        break;
      case MsgIcon::Stop:
        qtIcon = QMessageBox::Critical;
        break;
      case MsgIcon::Warning:
        qtIcon = QMessageBox::Warning;
        break;
      case MsgIcon::Information:
        qtIcon = QMessageBox::Information;
        break;
      case MsgIcon::Question:
        qtIcon = QMessageBox::Question;
        break;
    }
    QMessageBox box(qtIcon, ToQString(caption), QString(), QMessageBox::Ok,
                    QApplication::activeWindow());
    // A very long text (a 100 KB argument in a message) is cut to what the screen can show.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int screenWidth = screen != nullptr ? screen->availableGeometry().width() : 800;
    box.setText(ElideLines(ToQString(text), QFontMetrics(box.font()), screenWidth * 2 / 3, 30));
    box.exec();
  }
};

class QtSaveDialogs : public ISaveDialogs {
 public:
  SaveDialogResult Run(const SaveDialogRequest& request) override {
    QStringList filters;
    for (const std::string& filter : SaveDialogNameFilters(request.filter)) {
      filters << ToQString(filter);
    }
    QFileDialog dialog(QApplication::activeWindow());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setSizeGripEnabled(true);
    if (!filters.isEmpty()) {
      dialog.setNameFilters(filters);
      int index = request.filterIndex;
      if (index >= 1 && index <= filters.size()) dialog.selectNameFilter(filters[index - 1]);
    }
    if (!request.folder.empty() && QDir(FileNameToQString(request.folder)).exists()) {
      dialog.setDirectory(FileNameToQString(request.folder));
    }
    dialog.selectFile(FileNameToQString(request.fileName));
    SaveDialogResult result;
    result.filterIndex = request.filterIndex;
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return result;
    result.accepted = true;
    result.fileName = FileNameFromQString(dialog.selectedFiles().first());
    qsizetype chosen = filters.indexOf(dialog.selectedNameFilter());
    if (chosen >= 0) result.filterIndex = static_cast<int>(chosen) + 1;
    return result;
  }
};

QtMessageBoxes qtMessageBoxes;
QtSaveDialogs qtSaveDialogs;
IMessageBoxes* currentMessageBoxes = &qtMessageBoxes;
ISaveDialogs* currentSaveDialogs = &qtSaveDialogs;

}  // namespace

bool InstallQtTranslations() {
  static QTranslator* translator = nullptr;
  if (translator != nullptr) return true;
  auto loaded = std::make_unique<QTranslator>();
  if (!loaded->load(QStringLiteral("qtbase_es"),
                    QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    return false;
  }
  translator = loaded.release();
  QCoreApplication::installTranslator(translator);
  return true;
}

IMessageBoxes& MessageBoxes() { return *currentMessageBoxes; }

void SetMessageBoxes(IMessageBoxes* boxes) {
  currentMessageBoxes = boxes != nullptr ? boxes : &qtMessageBoxes;
}

ISaveDialogs& SaveDialogs() { return *currentSaveDialogs; }

void SetSaveDialogs(ISaveDialogs* dialogs) {
  currentSaveDialogs = dialogs != nullptr ? dialogs : &qtSaveDialogs;
}

}  // namespace platform
