#include "platform/Dialogs.h"

#include <gtest/gtest.h>

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
      {"Archivo texto (*.txt)|*.TXT", {"Archivo texto (*.txt)"}},
      {"Texto|*.txt", {"Texto (*.txt)"}},
      {"Texto (*.txt)|*.csv", {"Texto (*.txt) (*.csv)"}},
      {"Both (*.a *.B)|*.A;*.b", {"Both (*.a *.B)"}},
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

TEST(QtTranslations, QtsOwnButtonsSpeakSpanish) {
  ASSERT_TRUE(InstallQtTranslations());
  QMessageBox box(QMessageBox::NoIcon, "repcostoav", "texto", QMessageBox::Ok);
  EXPECT_EQ(box.button(QMessageBox::Ok)->text().remove('&'), "Aceptar");
  QFileDialog dialog;
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  EXPECT_EQ(dialog.labelText(QFileDialog::Accept).remove('&'), "Guardar");
  EXPECT_EQ(dialog.labelText(QFileDialog::Reject).remove('&'), "Cancelar");
}

TEST(SaveDialogs, QtDialogReturnsNameAndChosenFilter) {
  std::string folder = std::filesystem::temp_directory_path().string();
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->selectedNameFilter(), "Valores separados por comas (*.csv)");
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

}  // namespace
}  // namespace platform
