#pragma once

#include <string>
#include <vector>

namespace platform {

enum class MsgIcon { None, Stop, Warning, Information, Question };

// Modal message boxes with one OK button. Texts are Windows-1252.
class IMessageBoxes {
 public:
  virtual ~IMessageBoxes();
  // Shows `text` under `caption` with `icon` and returns when the operator closes the box.
  virtual void Show(const std::string& text, const std::string& caption, MsgIcon icon) = 0;
};

// What a file-save dialog starts with. `filter` is the system's "|"-separated list of
// description and pattern pairs ("Archivo texto (*.txt)|*.TXT|..."); `filterIndex` counts
// the pairs from 1. The filter is Windows-1252 text; `fileName` is file-system text (UTF-8).
struct SaveDialogRequest {
  std::string fileName;
  std::string filter;
  int filterIndex = 1;
  // The folder the dialog opens in (file-system text); empty or missing: the working folder.
  std::string folder;
};

// The operator's answer: `accepted` false when cancelled; otherwise the chosen full path, as
// the file system names it (UTF-8), and the index (from 1) of the chosen filter pair.
struct SaveDialogResult {
  bool accepted = false;
  std::string fileName;
  int filterIndex = 1;
};

class ISaveDialogs {
 public:
  virtual ~ISaveDialogs();
  // Shows a modal save dialog (no overwrite question, no read-only box, resizable).
  virtual SaveDialogResult Run(const SaveDialogRequest& request) = 0;
};

// The message boxes and save dialogs in use: Qt's by default. Set* installs another
// implementation (not owned; it must outlive its use); nullptr restores Qt's.
IMessageBoxes& MessageBoxes();
void SetMessageBoxes(IMessageBoxes* boxes);
ISaveDialogs& SaveDialogs();
void SetSaveDialogs(ISaveDialogs* dialogs);

// Loads Qt's own texts in Spanish (the buttons of message boxes, the save dialog, the
// calendar's tooltips) so that the program speaks one language whatever the locale. Returns
// false when the translation file is not installed; Qt's English texts then stay.
// Requires: the application object exists.
bool InstallQtTranslations();

// The Qt name filters of a "|"-separated filter list, one per description and pattern
// pair: "Texto|*.txt" gives "Texto (*.txt)"; a pattern list "*.a;*.b" becomes "*.a *.b"; a
// description that ends with its patterns in parentheses, in any letter case, stays as it is
// ("Archivo texto (*.txt)|*.TXT" gives "Archivo texto (*.txt)"). A last description without a
// pattern is dropped.
std::vector<std::string> SaveDialogNameFilters(const std::string& filter);

}  // namespace platform
