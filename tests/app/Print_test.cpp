// The print command in the report window: Ctrl+P and the popup "Imprimir..." open the print
// preview of the calculated report, whose PDF is read back with pdftotext; a window too
// narrow for the columns prints the same pages; without a report there is nothing to print.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDateEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "app/rngrepcostoav.h"
#include "data/DBClient.h"
#include "export/DBGridEhImpExp.h"
#include "export/DBGridEhSource.h"
#include "grid/DBGridEh.h"
#include "platform/Cp1252.h"
#include "print/PrintPreview.h"
#include "report/dm.h"
#include "tests/app/support/Fakes.h"
#include "tests/app/support/ReportWindowFixture.h"
#include "tests/app/support/Window.h"
#include "tests/print/support/PdfText.h"

namespace {

using printtest::FindRow;

class WindowPrint : public apptest::ReportWindowFixture {
 protected:
  static void SetUpTestSuite() { NewInstallation().AddCompany("001", 90); }
  void SetUp() override {
    ReportWindowFixture::SetUp();
    Open();
    Connect();
  }

  // Runs `open` (a key or a menu entry); while the preview it opens is up, saves its PDF as
  // `file` and a picture of it, then closes it. Returns the PDF's page texts (none when no
  // preview opened).
  std::vector<std::string> PrintThrough(const std::function<void()>& open,
                                        const std::string& file) {
    const std::string path = dir_.filePath(QString::fromStdString(file)).toStdString();
    apptest::AnsweringSaveDialogs dialogs;
    dialogs.answer = {true, path, 1};
    bool shown = false;
    QTimer::singleShot(0, [&] {
      auto* preview = dynamic_cast<TPrintPreview*>(QApplication::activeModalWidget());
      if (preview == nullptr) return;
      shown = true;
      preview->grab().save(apptest::ArtifactPath("print_preview.png"));
      preview->PdfAction->trigger();
      preview->reject();
    });
    open();
    if (!shown) return {};
    EXPECT_EQ(dialogs.requests.size(), 1u);
    return printtest::PdfPages(path);
  }

  // The window's report as the text writer writes all of it: titles, then rows (UTF-8).
  std::vector<std::vector<std::string>> GridText() {
    TMemoryStream stream;
    ExportGridToStream(&CreateExporter<TDBGridEhExportAsText>, *window_->DBGridEh2, stream, true);
    const std::string text = platform::Cp1252ToUtf8(stream.Bytes());
    std::vector<std::vector<std::string>> rows;
    size_t start = 0;
    for (size_t end = text.find("\r\n"); end != std::string::npos; end = text.find("\r\n", start)) {
      rows.push_back(printtest::SplitTabs(text.substr(start, end - start)));
      start = end + 2;
    }
    return rows;  // the footer row, last and without a line end, is left out
  }

  static std::string Period() {
    return "Período: Desde " + FirstOfMonth().toString("yyyy/MM/dd").toStdString() + " Hasta " +
           LastOfMonth().toString("yyyy/MM/dd").toStdString();
  }

  apptest::RecordingBoxes boxes_;
  QTemporaryDir dir_;
};

TEST_F(WindowPrint, CtrlPPrintsTheReportThroughThePreview) {
  Press(Qt::Key_F2);
  ASSERT_EQ(window_->CRepcliente->RecordCount(), 90);
  const std::vector<std::vector<std::string>> text = GridText();
  ASSERT_EQ(text.size(), 91u);
  // The header gives the period that was calculated, not dates typed since.
  window_->EFecIni->setDate(QDate(2020, 3, 1));
  const std::vector<std::string> pages = PrintThrough([&] { Press(Qt::Key_P, Qt::ControlModifier); },
                                                      "Costos.pdf");
  ASSERT_GE(pages.size(), 3u);  // rows on two pages or more, then the charts
  int row = 1;
  for (size_t p = 0; p + 1 < pages.size(); ++p) {
    EXPECT_NE(pages[p].find("Página " + std::to_string(p + 1) + " de " +
                            std::to_string(pages.size())),
              std::string::npos);
    EXPECT_NE(pages[p].find(Period()), std::string::npos) << p;
    int line = FindRow(pages[p], text[0]);
    EXPECT_GE(line, 0) << "titles on page " << p + 1;
    // Rows follow one another from page to page.
    while (row < 91 && (line = FindRow(pages[p], text[row], line + 1)) >= 0) ++row;
  }
  EXPECT_EQ(row, 91) << "row " << row << " not found in order";
  EXPECT_NE(pages.back().find("Costo total por bodega y sus partes"), std::string::npos);
  EXPECT_TRUE(boxes_.shown.empty());
}

TEST_F(WindowPrint, ANarrowWindowAndThePopupEntryPrintTheSamePages) {
  Press(Qt::Key_F2);
  ASSERT_EQ(window_->ppmPrint->text(), QStringLiteral("&Imprimir..."));
  const auto withoutTime = [](std::vector<std::string> pages) {
    for (std::string& page : pages) {
      const size_t at = page.find("Impreso: ");
      if (at != std::string::npos) page.erase(at, page.find('\n', at) - at);
    }
    return pages;
  };
  const std::vector<std::string> wide =
      PrintThrough([&] { window_->ppmPrint->trigger(); }, "wide.pdf");
  window_->resize(420, window_->height());
  QApplication::processEvents();
  ASSERT_LT(window_->DBGridEh2->width(), 500);
  const std::vector<std::string> narrow =
      PrintThrough([&] { window_->ppmPrint->trigger(); }, "narrow.pdf");
  ASSERT_FALSE(wide.empty());
  EXPECT_EQ(withoutTime(narrow), withoutTime(wide));
}

TEST_F(WindowPrint, NothingToPrintBeforeAReport) {
  const std::vector<std::string> pages =
      PrintThrough([&] { Press(Qt::Key_P, Qt::ControlModifier); }, "none.pdf");
  EXPECT_TRUE(pages.empty());
  EXPECT_EQ(boxes_.Texts(), std::vector<std::string>{"No hay datos para el reporte."});
}

}  // namespace
