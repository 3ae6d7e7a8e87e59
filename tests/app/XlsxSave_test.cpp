// The report window's F4 export to a workbook: the sixth entry of the save dialog writes the
// report with the company and the period of the calculation in the workbook's properties.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "app/rngrepcostoav.h"
#include "data/DateText.h"
#include "grid/DBGridEh.h"
#include "report/dm.h"
#include "tests/app/support/Fakes.h"
#include "tests/app/support/Installation.h"
#include "tests/export/support/XlsxReader.h"

namespace {

TEST(XlsxSave, F4WritesTheReportWithItsCompanyAndPeriod) {
  apptest::Installation install;
  install.AddCompany("001", 3);
  install.WriteFile("SERVIDORES.cfg", install.Folder() + "\r\n");
  install.UseDefaultRegistry();
  apptest::RecordingBoxes boxes;
  apptest::AnsweringSaveDialogs dialogs;
  dialogs.answer = {true, install.Folder() + "/Costos", 6};
  auto dataModule = std::make_unique<Tfdm>();
  auto window = std::make_unique<Tfrepcostoav>(report::CommandLineArguments{});
  window->show();
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));

  // The operator's origin, then F4 from the grid.
  for (const auto& [edit, text] :
       {std::pair{window->Tusua, "SYSDBA"}, std::pair{window->TClave, "masterkey"},
        std::pair{window->Cia, "001"}}) {
    edit->setFocus();
    QTest::keyClicks(edit, text);
  }
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  window->DBGridEh2->setFocus();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_F4);
  ASSERT_TRUE(boxes.shown.empty()) << boxes.shown.front().text;
  ASSERT_EQ(dialogs.requests.size(), 1u);

  auto dateText = [](const QDate& date) {
    return DateToStr(EncodeDate(date.year(), date.month(), date.day()));
  };
  const std::string period =
      dateText(window->EFecIni->date()) + " - " + dateText(window->EFecFin->date());
  XlsxBook book = ReadXlsx(install.Folder() + "/Costos.xlsx");
  EXPECT_EQ(book.Sheets, std::vector<std::string>{"Costos"});
  EXPECT_EQ(book.Title, "Reporte Costos Av\u00EDcola");
  EXPECT_EQ(book.Company, "001");
  EXPECT_EQ(book.Subject, period);
  EXPECT_EQ(book.LastRow, 4);
  EXPECT_EQ(book.Cells.at("A1").Value, "Bodega");
  EXPECT_TRUE(book.Cells.at("A1").Bold);
  EXPECT_EQ(book.AutoFilter, "A1:V4");

  // Dates changed after the calculation do not change the period of the rows saved again.
  window->EFecIni->setDate(window->EFecIni->date().addYears(-1));
  dialogs.answer.fileName = install.Folder() + "/Otra.xlsx";
  window->ppmSaveSelection->trigger();
  ASSERT_TRUE(boxes.shown.empty()) << boxes.shown.front().text;
  book = ReadXlsx(install.Folder() + "/Otra.xlsx");
  EXPECT_EQ(book.Subject, period);
  EXPECT_EQ(book.LastRow, 4);
  window.reset();
  dataModule.reset();
}

}  // namespace
