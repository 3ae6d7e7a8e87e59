// The printed pages of a report grid: which rows and columns print for each kind of
// selection, the header and column titles on every page, rows in order on the right pages,
// whole texts from a narrow window, an empty report, the grid left where it was, and the PDF
// file put in place only when complete. Read back with pdftotext.

#include "print/ReportPages.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cerrno>

#include <QImage>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QRadioButton>
#include <QProgressDialog>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <functional>

#include "export/DBGridEhSource.h"
#include "export/Stream.h"
#include "grid/DBGridEh.h"
#include "platform/Cp1252.h"
#include "platform/Dialogs.h"
#include "print/JobProgress.h"
#include "print/PageSetupStore.h"
#include "print/PrintPreview.h"
#include "print/ReportOutput.h"
#include "tests/grid/support/ReportGrid.h"
#include "tests/print/support/FileSizeLimit.h"
#include "tests/print/support/PdfText.h"

namespace {

using gridtest::ReportGrid;
using printtest::FileSizeLimit;
using printtest::FindRow;
using printtest::PdfPages;

TReportPrintSpec Spec() {
  TReportPrintSpec spec;
  spec.Heading = {"001", "/srv/galvora", "2024/01/01", "2024/01/31", "2024/02/01 08:30"};
  spec.KeyFields = {"CODBOD", "NOMBOD"};
  spec.ChartLabelField = "CODBOD";
  spec.UnitCostField = "TOTCOSTO";
  spec.PartFields = {"TOTCOSTO"};
  return spec;
}

// The grid's display texts of record `rec` (from 0), UTF-8, for the given column indexes.
std::vector<std::string> RowTexts(ReportGrid& t, int rec, const std::vector<int>& columns) {
  const TBookmark saved = t.data.GetBookmark();
  t.data.First();
  t.data.MoveBy(rec);
  std::vector<std::string> texts;
  for (int c : columns) {
    texts.push_back(platform::Cp1252ToUtf8(t.grid->ColumnDisplayText(*t.grid->Columns()[c])));
  }
  t.data.GotoBookmark(saved);
  return texts;
}

class ReportPagesTest : public ::testing::Test {
 protected:
  // The pages as a PDF file, read back page by page.
  std::vector<std::string> Print(TReportPages& pages, const std::string& name = "report.pdf") {
    const std::string path = dir_.filePath(QString::fromStdString(name)).toStdString();
    SaveReportPdf(pages, path);
    return PdfPages(path);
  }

  QTemporaryDir dir_;
};

TEST_F(ReportPagesTest, TheSelectionPrintsOrEverythingWhenNothingIsSelected) {
  const struct {
    const char* name;
    std::function<void(ReportGrid&)> select;
    std::vector<int> records;
    std::vector<int> columns;
  } cases[] = {
      {"nothing selected", [](ReportGrid& t) { t.grid->Selection().Clear(); }, {}, {0, 1, 2}},
      {"all", [](ReportGrid& t) { t.grid->Selection().SelectEverything(); }, {}, {0, 1, 2}},
      {"rows",
       [](ReportGrid& t) {
         t.data.MoveBy(7);
         t.grid->Selection().Rows().SetCurrentRowSelected(true);
         t.data.MoveBy(-4);
         t.grid->Selection().Rows().SetCurrentRowSelected(true);
       },
       {3, 7},
       {0, 1, 2}},
      {"rectangle",
       [](ReportGrid& t) {
         t.data.MoveBy(5);
         t.grid->SetSelectedIndex(1);
         for (int i = 0; i < 3; ++i) QTest::keyClick(t.grid.get(), Qt::Key_Down, Qt::ShiftModifier);
         QTest::keyClick(t.grid.get(), Qt::Key_Right, Qt::ShiftModifier);
       },
       {5, 6, 7, 8},
       {1, 2}},
      {"columns",
       [](ReportGrid& t) {
         const QRect title = t.grid->CellRect(2, 0);
         QTest::mouseClick(t.grid->viewport(), Qt::LeftButton, {},
                           QPoint(title.center().x(), title.bottom() - 1));
       },
       {},
       {1}},
  };
  for (const auto& c : cases) {
    ReportGrid t(20, 600, 400);
    t.grid->SetOptions(t.grid->Options() | dgMultiSelect);
    c.select(t);
    std::vector<int> records = c.records;
    if (records.empty()) {
      for (int r = 0; r < 20; ++r) records.push_back(r);
    }
    TReportPages pages(*t.grid, Spec());
    EXPECT_EQ(pages.RowCount(), static_cast<int>(records.size())) << c.name;
    const std::vector<std::string> text = Print(pages);
    ASSERT_EQ(text.size(), 2u) << c.name;  // the rows, then the chart
    int line = 0;
    for (int rec : records) {
      line = FindRow(text[0], RowTexts(t, rec, c.columns), line);
      EXPECT_GE(line, 0) << c.name << " record " << rec;
      ++line;
    }
    // A record outside the selection does not print.
    if (records.size() < 20) {
      EXPECT_EQ(FindRow(text[0], RowTexts(t, 10, {0, 1})), -1) << c.name;
    }
  }
}

TEST_F(ReportPagesTest, EveryPageCarriesTheHeaderAndTitlesAndItsOwnRows) {
  ReportGrid t(150, 600, 400);
  TReportPages pages(*t.grid, Spec());
  const int perPage = pages.Layout().RowsPerPage;
  ASSERT_GT(perPage, 10);
  const int rowPages = (150 + perPage - 1) / perPage;
  ASSERT_EQ(pages.PageCount(), rowPages + 1);
  const std::vector<std::string> text = Print(pages);
  ASSERT_EQ(static_cast<int>(text.size()), pages.PageCount());
  for (int p = 0; p < pages.PageCount(); ++p) {
    const std::string& page = text[p];
    EXPECT_NE(page.find("Reporte Costos Avícola"), std::string::npos) << p;
    EXPECT_NE(page.find("Página " + std::to_string(p + 1) + " de " +
                        std::to_string(pages.PageCount())),
              std::string::npos)
        << p;
    EXPECT_TRUE(printtest::HasCellsInOrder(page, {"Compañía: 001", "Servidor: /srv/galvora",
                                                  "Impreso: 2024/02/01 08:30"}))
        << p;
    EXPECT_NE(page.find("Período: Desde 2024/01/01 Hasta 2024/01/31"), std::string::npos) << p;
    if (p < rowPages) {
      EXPECT_GE(FindRow(page, {"CODBOD", "NOMBOD", "TOTCOSTO"}), 0) << p;
    }
  }
  // Each row on the page the layout gives it, in order.
  for (int rec = 0; rec < 150; ++rec) {
    const int page = rec / perPage;
    EXPECT_GE(FindRow(text[page], RowTexts(t, rec, {0, 1, 2})), 0) << "record " << rec;
  }
  EXPECT_NE(text.back().find("TOTCOSTO por bodega"), std::string::npos);
}

TEST_F(ReportPagesTest, ANarrowWindowPrintsTheSamePagesWithWholeTexts) {
  std::vector<std::vector<std::string>> texts;
  for (int width : {900, 120}) {
    ReportGrid t(12, width, 300);
    TReportPages pages(*t.grid, Spec());
    texts.push_back(Print(pages, "w" + std::to_string(width) + ".pdf"));
  }
  EXPECT_EQ(texts[0], texts[1]);
  // The long name of record 2, cut in a grid of any width, prints whole.
  EXPECT_NE(texts[1][0].find("Bodega principal de ponedoras de Guarne, lote A"), std::string::npos);
}

TEST_F(ReportPagesTest, AnEmptyReportPrintsTheTitlesWithoutChart) {
  ReportGrid t(0);
  TReportPages pages(*t.grid, Spec());
  EXPECT_EQ(pages.RowCount(), 0);
  EXPECT_FALSE(pages.HasChartPage());
  const std::vector<std::string> text = Print(pages);
  ASSERT_EQ(text.size(), 1u);
  EXPECT_NE(text[0].find("Página 1 de 1"), std::string::npos);
  EXPECT_GE(FindRow(text[0], {"CODBOD", "NOMBOD", "TOTCOSTO"}), 0);
}

TEST_F(ReportPagesTest, TheGridStaysWhereItWas) {
  ReportGrid t(300, 600, 400);
  t.data.MoveBy(120);
  t.grid->SetSelectedIndex(2);
  const int recNo = t.data.RecNo();
  const int row = t.data.ActiveRecord();
  TReportPages pages(*t.grid, Spec());
  QImage image(400, 300, QImage::Format_RGB32);
  QPainter painter(&image);
  pages.DrawPage(painter, 3);
  painter.end();
  EXPECT_EQ(t.data.RecNo(), recNo);
  EXPECT_EQ(t.data.ActiveRecord(), row);
  EXPECT_EQ(t.grid->SelectedIndex(), 2);
}

TEST_F(ReportPagesTest, ThePdfReplacesTheFileOnlyWhenWritten) {
  ReportGrid t(5);
  TReportPages pages(*t.grid, Spec());
  const std::string path = dir_.filePath("Costos.pdf").toStdString();
  { std::ofstream(path) << "old"; }
  SaveReportPdf(pages, path);
  EXPECT_EQ(PdfPages(path).size(), 2u);
  // A page range: the chart page alone, numbered as in the whole report.
  SaveReportPdf(pages, path, 1, 1);
  const std::vector<std::string> range = PdfPages(path);
  ASSERT_EQ(range.size(), 1u);
  EXPECT_NE(range[0].find("Página 2 de 2"), std::string::npos);
  // A folder that does not exist: the file error, and nothing written anywhere.
  const std::string missing = dir_.filePath("none/Costos.pdf").toStdString();
  try {
    SaveReportPdf(pages, missing);
    ADD_FAILURE() << "no error";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message().rfind("Cannot create file \"" + missing + "\". ", 0), 0u) << e.Message();
  }
  EXPECT_FALSE(std::filesystem::exists(dir_.filePath("none").toStdString()));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path().toStdString()),
                          std::filesystem::directory_iterator()),
            1);
}

// Takes `room` bytes, then fails as a full disk does.
class FullStream : public TStream {
 public:
  explicit FullStream(size_t room) : room_(room) {}
  void Write(const void* /*data*/, size_t size) override {
    if (size > room_) throw EWriteError(ENOSPC);
    room_ -= size;
  }
  using TStream::Write;

 private:
  size_t room_;
};

TEST_F(ReportPagesTest, APdfThatCannotBeWrittenWholeFailsAndKeepsTheFormerFile) {
  // Rows enough for a file of a few hundred kilobytes, past the size limit below.
  ReportGrid t(6000);
  TReportPages pages(*t.grid, Spec());
  TMemoryStream whole;
  WriteReportPdf(pages, whole);
  ASSERT_GT(whole.Size(), 200u * 1024);
  // Failing at the start, in the middle, and in the last bytes (the trailer).
  for (const size_t room : {size_t{0}, whole.Size() / 2, whole.Size() - 10}) {
    FullStream full(room);
    try {
      WriteReportPdf(pages, full);
      ADD_FAILURE() << "no error with room for " << room << " bytes";
    } catch (const EWriteError& e) {
      EXPECT_EQ(e.Error(), ENOSPC) << room;
    }
  }
  // A file under a size limit: the write error, the former file as it was, nothing beside it.
  const std::string path = dir_.filePath("Costos.pdf").toStdString();
  { std::ofstream(path) << "former report"; }
  try {
    FileSizeLimit limit(64 * 1024);
    SaveReportPdf(pages, path);
    ADD_FAILURE() << "no error under a file size limit";
  } catch (const EWriteError& e) {
    EXPECT_EQ(e.Error(), EFBIG);
  }
  std::ifstream in(path);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "former report");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path().toStdString()),
                          std::filesystem::directory_iterator()),
            1);
}

// Warehouses whose total cost is missing (NULL) in every third row.
std::string CostSometimesMissing(int rec, int col) {
  if (col == 2 && rec % 3 == 1) return {};
  return gridtest::WarehouseValue(rec, col);
}

TEST_F(ReportPagesTest, TheChartsLeaveMissingFiguresEmptyAndGroupTheCount) {
  const struct {
    const char* name;
    int records;
    std::vector<std::string> absent, present;
  } cases[] = {
      // Three rows, the second with no cost: two bar labels, no "0.00" for the missing one.
      {"a missing cost", 3, {"0.00"}, {"7.50", "2,007.50"}},
      // Past the chart's limit the note counts the warehouses with grouped thousands.
      {"the count", 1200, {"de 1200."}, {"de 1,200."}},
  };
  for (const auto& c : cases) {
    ReportGrid t(c.records, 600, 400, CostSometimesMissing);
    TReportPages pages(*t.grid, Spec());
    ASSERT_TRUE(pages.HasChartPage()) << c.name;
    const std::vector<std::string> text = Print(pages);
    ASSERT_FALSE(text.empty()) << c.name;
    const std::string& charts = text.back();
    for (const std::string& absent : c.absent) {
      EXPECT_EQ(charts.find(absent), std::string::npos) << c.name << ": " << absent;
    }
    for (const std::string& present : c.present) {
      EXPECT_NE(charts.find(present), std::string::npos) << c.name << ": " << present;
    }
  }
}

TEST_F(ReportPagesTest, TheHeaderShowsCompanyAndServerInAnyScript) {
  ReportGrid t(5);
  TReportPrintSpec spec = Spec();
  spec.Heading.Company = "ЖК01";
  spec.Heading.Server = "/srv/Сер 🐔";  // a chicken
  TReportPages pages(*t.grid, spec);
  const std::vector<std::string> text = Print(pages);
  EXPECT_FALSE(printtest::RenderPage(dir_.filePath("report.pdf").toStdString(), 1,
                                     "print_header_scripts")
                   .empty());
  // The emoji is drawn in a font that holds it (pdftotext does not read such glyphs back).
  EXPECT_NE(printtest::RunTool("pdffonts", {dir_.filePath("report.pdf")}).find("Symbola"),
            std::string::npos);
  for (const std::string& page : text) {
    EXPECT_TRUE(printtest::HasCellsInOrder(page, {"Compañía: ЖК01", "Servidor: /srv/Сер"}))
        << page;
  }
}

TEST_F(ReportPagesTest, ThePreviewDrawsOnlyThePagesInView) {
  ReportGrid t(100000, 600, 400);
  TReportPages pages(*t.grid, Spec());
  ASSERT_GT(pages.PageCount(), 1000);
  TPrintPreview preview(pages);
  preview.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&preview));
  preview.View()->viewport()->repaint();
  EXPECT_GE(preview.View()->PagesDrawnLastPaint(), 1);
  EXPECT_LE(preview.View()->PagesDrawnLastPaint(), 2);
  // The last page is the chart, reached without drawing the ones between.
  preview.LastAction->trigger();
  preview.View()->viewport()->repaint();
  EXPECT_EQ(preview.View()->TopPage(), pages.PageCount() - 1);
  EXPECT_LE(preview.View()->PagesDrawnLastPaint(), 2);
}

TEST_F(ReportPagesTest, ThePreviewOpensOnThePageSetupLastChosen) {
  ReportGrid t(40);
  TReportPages pages(*t.grid, Spec());
  const QPageLayout letter(QPageSize(QPageSize::Letter), QPageLayout::Portrait,
                           QMarginsF(12, 10, 12, 10), QPageLayout::Millimeter);
  StorePageLayout(letter);
  {
    TPrintPreview preview(pages);
    EXPECT_EQ(pages.PageLayout().pageSize().id(), QPageSize::Letter);
    EXPECT_EQ(pages.PageLayout().orientation(), QPageLayout::Portrait);
    EXPECT_EQ(pages.PageLayout().margins(QPageLayout::Millimeter), QMarginsF(12, 10, 12, 10));
  }
  StorePageLayout(TReportPages::DefaultPageLayout());
  const std::optional<QPageLayout> stored = StoredPageLayout();
  ASSERT_TRUE(stored.has_value());
  EXPECT_TRUE(stored->isEquivalentTo(TReportPages::DefaultPageLayout()));
}

TEST_F(ReportPagesTest, ThePageBoxShowsThePageFillingTheViewAndPrintingStampsTheTime) {
  ReportGrid t(400);
  TReportPages pages(*t.grid, Spec());
  TPrintPreview preview(pages);
  preview.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&preview));
  TPreviewView& view = *preview.View();
  view.ShowPage(1);
  const int second = view.verticalScrollBar()->value();
  // Page 1's last strip at the top, page 2 filling the rest of the view.
  view.verticalScrollBar()->setValue(second - 30);
  EXPECT_EQ(view.TopPage(), 1);
  preview.NextAction->trigger();
  EXPECT_EQ(view.TopPage(), 2);
  // Saving asks for the time of printing; the header carries it.
  preview.PrintTime = [] { return std::string("2024/02/09 17:45"); };
  const std::string path = dir_.filePath("Costos.pdf").toStdString();
  struct Answer : platform::ISaveDialogs {
    std::string file;
    platform::SaveDialogResult Run(const platform::SaveDialogRequest&) override {
      return {true, file, 1};
    }
  } answer;
  answer.file = path;
  platform::SetSaveDialogs(&answer);
  preview.PdfAction->trigger();
  platform::SetSaveDialogs(nullptr);
  const std::vector<std::string> text = PdfPages(path);
  ASSERT_FALSE(text.empty());
  EXPECT_NE(text[0].find("Impreso: 2024/02/09 17:45"), std::string::npos) << text[0];
}

TEST_F(ReportPagesTest, ALongJobShowsItsPagesAndCancelKeepsTheFormerFile) {
  ReportGrid t(400);
  TReportPages pages(*t.grid, Spec());
  ASSERT_GT(pages.PageCount(), 4);
  const std::string path = dir_.filePath("Costos.pdf").toStdString();
  { std::ofstream(path) << "former report"; }
  // The operator's Cancel on the dialog while the third page is due.
  TJobProgress progress(QStringLiteral("Guardando PDF"), QStringLiteral("páginas"), nullptr);
  std::vector<int> seen;
  try {
    SaveReportPdf(pages, path, 0, -1, [&](int done, int total) {
      seen.push_back(done);
      EXPECT_EQ(total, pages.PageCount());
      if (done == 2) progress.Dialog().cancel();
      return progress.Step(done, total);
    });
    ADD_FAILURE() << "not stopped";
  } catch (const platform::EAbort&) {
  }
  EXPECT_EQ(seen, (std::vector<int>{0, 1, 2}));
  {
    std::ifstream in(path);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "former report");
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path().toStdString()),
                          std::filesystem::directory_iterator()),
            1);
  // Done to the end: every page counted, the last call telling all are done.
  TJobProgress shown(QStringLiteral("Guardando PDF"), QStringLiteral("páginas"), nullptr);
  seen.clear();
  SaveReportPdf(pages, path, 0, -1, [&](int done, int total) {
    seen.push_back(done);
    return shown.Step(done, total);
  });
  ASSERT_EQ(static_cast<int>(seen.size()), pages.PageCount() + 1);
  EXPECT_EQ(seen.back(), pages.PageCount());
  EXPECT_EQ(shown.Dialog().labelText().toStdString(),
            "Guardando PDF: " + std::to_string(pages.PageCount()) + " de " +
                std::to_string(pages.PageCount()) + " páginas");
}

TEST_F(ReportPagesTest, ThePrintDialogSpeaksSpanish) {
  QPrinter printer;
  QPrintDialog dialog(&printer);
  TranslatePrintDialog(dialog);
  QStringList texts;
  for (const QRadioButton* button : dialog.findChildren<QRadioButton*>()) {
    texts << button->text();
  }
  EXPECT_FALSE(texts.contains(QStringLiteral("Pages"))) << texts.join('|').toStdString();
  EXPECT_TRUE(texts.contains(QStringLiteral("Páginas"))) << texts.join('|').toStdString();
}

TEST_F(ReportPagesTest, ASaveShowsItsRowsAndCancelKeepsTheFormerFile) {
  ReportGrid t(3000);
  const std::string path = dir_.filePath("Costos.csv").toStdString();
  { std::ofstream(path) << "former report"; }
  TJobProgress progress(QStringLiteral("Guardando"), QStringLiteral("filas"), nullptr);
  long last = 0;
  try {
    ExportGridToFile(&CreateExporter<TDBGridEhExportAsCSV>, *t.grid, path, true, {},
                     [&](long rows) {
                       last = rows;
                       if (rows == 1000) progress.Dialog().cancel();
                       return progress.Step(rows, 0);
                     });
    ADD_FAILURE() << "not stopped";
  } catch (const platform::EAbort&) {
  }
  EXPECT_EQ(last, 1000);
  EXPECT_EQ(progress.Dialog().maximum(), 0);  // a busy bar: the total is not known
  {
    std::ifstream in(path);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "former report");
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path().toStdString()),
                          std::filesystem::directory_iterator()),
            1);
  // Without a callback, and with one that lets it run, the bytes are the same.
  const std::string plain = dir_.filePath("plain.csv").toStdString();
  ExportGridToFile(&CreateExporter<TDBGridEhExportAsCSV>, *t.grid, plain, true);
  long rows = 0;
  ExportGridToFile(&CreateExporter<TDBGridEhExportAsCSV>, *t.grid, path, true, {},
                   [&](long done) { return (rows = done), true; });
  EXPECT_EQ(rows, 3000);
  std::ifstream a(plain, std::ios::binary), b(path, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(a), {}),
            std::string(std::istreambuf_iterator<char>(b), {}));
}

}  // namespace
