#include "platform/Dialogs.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <filesystem>

#include "platform/Cp1252.h"

namespace platform {
namespace {

const char kReportFilter[] =
    "Archivo texto (*.txt)|*.TXT|Valores separados por comas (*.csv)|*.CSV|Archivo HTML "
    "(*.htm)|*.HTM|Texto con formato (*.rtf)|*.RTF|Libro de Microsoft Excel (*.xls)|*.XLS";

TEST(SaveDialogNameFilters, PairsBecomeQtFilters) {
  struct Case {
    std::string filter;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"Archivo texto (*.txt)|*.TXT", {"Archivo texto (*.txt) (*.TXT)"}},
      {"Both|*.a;*.b|All|*", {"Both (*.a *.b)", "All (*)"}},
      {"Dangling|*.a|Alone", {"Dangling (*.a)"}},
      {"", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(SaveDialogNameFilters(c.filter), c.expected);
  EXPECT_EQ(SaveDialogNameFilters(kReportFilter).size(), 5u);
}

class RecordingBoxes : public IMessageBoxes {
 public:
  void Show(const std::string& text, const std::string& caption, MsgIcon icon) override {
    shown.push_back(text + "|" + caption + "|" + std::to_string(static_cast<int>(icon)));
  }
  std::vector<std::string> shown;
};

TEST(MessageBoxes, FakeInstalledAndRemoved) {
  IMessageBoxes* original = &MessageBoxes();
  RecordingBoxes boxes;
  SetMessageBoxes(&boxes);
  MessageBoxes().Show("No hay datos para el reporte.", "repcostoav", MsgIcon::None);
  EXPECT_EQ(boxes.shown, std::vector<std::string>{"No hay datos para el reporte.|repcostoav|0"});
  SetMessageBoxes(nullptr);
  EXPECT_EQ(&MessageBoxes(), original);
}

TEST(MessageBoxes, QtBoxShowsTextCaptionAndIcon) {
  QString seenText, seenTitle;
  QMessageBox::Icon seenIcon = QMessageBox::NoIcon;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    seenText = box->text();
    seenTitle = box->windowTitle();
    seenIcon = box->icon();
    box->button(QMessageBox::Ok)->click();
  });
  MessageBoxes().Show(
      "Compa\xF1\xED"
      "a",
      "repcostoav", MsgIcon::Stop);
  EXPECT_EQ(seenText, QString::fromUtf8("Compañía"));
  EXPECT_EQ(seenTitle, "repcostoav");
  EXPECT_EQ(seenIcon, QMessageBox::Critical);
}

TEST(SaveDialogs, QtDialogReturnsNameAndChosenFilter) {
  std::string folder = std::filesystem::temp_directory_path().string();
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->selectedNameFilter(), "Valores separados por comas (*.csv) (*.CSV)");
    EXPECT_EQ(dialog->findChild<QLineEdit*>("fileNameEdit")->text(), "Costos");
    dialog->selectNameFilter(dialog->nameFilters().value(4));
    dialog->selectFile(ToQString(folder + "/Costos"));
    static_cast<QDialog*>(dialog)->accept();
  });
  SaveDialogResult result = SaveDialogs().Run({"Costos", kReportFilter, 2});
  EXPECT_TRUE(result.accepted);
  EXPECT_EQ(result.fileName, folder + "/Costos");
  EXPECT_EQ(result.filterIndex, 5);

  QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
  result = SaveDialogs().Run({"Costos", kReportFilter, 3});
  EXPECT_FALSE(result.accepted);
}

// The chosen name comes back as the file system names it, whatever letters it holds; the name
// the dialog starts with is file-system text too.
TEST(SaveDialogs, QtDialogReturnsTheFileSystemsBytes) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("dialogs-a\xC3\xB1o-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  for (const std::string name : {"Informe \xC3\x91 producci\xC3\xB3n", "Precio \xE2\x82\xAC",
                                 "\xD0\x9E\xD1\x82\xD1\x87\xD1\x91\xD1\x82"}) {
    const std::string path = (folder / name).string();
    QString shown;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      shown = dialog->findChild<QLineEdit*>("fileNameEdit")->text();
      dialog->selectFile(QString::fromUtf8(path.c_str()));
      static_cast<QDialog*>(dialog)->accept();
    });
    const SaveDialogResult result = SaveDialogs().Run({name, kReportFilter, 1});
    EXPECT_EQ(shown, QString::fromUtf8(name.c_str()));
    EXPECT_TRUE(result.accepted);
    EXPECT_EQ(result.fileName, path);
  }
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace platform
