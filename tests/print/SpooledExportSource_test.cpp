// The report's rows read once into a temporary file and written from there: every writer
// reads from it the bytes it reads from the grid, the file has no name while it lives, a
// file that cannot take the rows says which file and why, and grids whose cells or footers
// depend on the current record are not served.

#include "print/SpooledExportSource.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>

#include "export/Stream.h"
#include "grid/DBGridEh.h"
#include "print/ReportRowSpool.h"
#include "tests/export/support/Render.h"
#include "tests/grid/support/ReportGrid.h"
#include "tests/print/support/FileSizeLimit.h"

namespace {

using gridtest::ReportGrid;

// $TMPDIR set to a fresh folder while it lives.
class TemporaryFolder {
 public:
  TemporaryFolder() {
    const char* former = std::getenv("TMPDIR");
    if (former != nullptr) former_ = former;
    hadFormer_ = former != nullptr;
    ::setenv("TMPDIR", Path().c_str(), 1);
  }
  ~TemporaryFolder() {
    if (hadFormer_) {
      ::setenv("TMPDIR", former_.c_str(), 1);
    } else {
      ::unsetenv("TMPDIR");
    }
  }
  std::string Path() const { return dir_.path().toStdString(); }
  bool Empty() const { return std::filesystem::is_empty(Path()); }

 private:
  QTemporaryDir dir_;
  std::string former_;
  bool hadFormer_ = false;
};

TEST(SpooledExportSource, WritersReadTheGridsBytesFromTheSpool) {
  TemporaryFolder folder;
  // Rows past the spool's blocks of 256, and a last block that is not full.
  ReportGrid t(700);
  TDBGridEhExportSource live(*t.grid);
  size_t cells = 0;
  std::string longName;
  TSpooledExportSource spooled(*t.grid, "the report's rows",
                               [&](size_t position, const TExportCellParams& cell) {
                                 if (cells == 2 * 3 + 1) longName = cell.Text;
                                 EXPECT_EQ(position, cells % 3);
                                 ++cells;
                               });
  EXPECT_EQ(cells, 700u * 3);
  EXPECT_EQ(longName, "Bodega principal de ponedoras de Guarne, lote A");
  EXPECT_EQ(spooled.RecordCount(), 700);
  // The file has no name: nothing shows in the folder while the rows wait in it.
  EXPECT_TRUE(folder.Empty());
  const struct {
    const char* name;
    TDBGridEhExportClass writer;
  } writers[] = {{"HTML", kHtml}, {"RTF", kRtf}, {"text", kText}, {"CSV", kCsv}};
  for (const auto& w : writers) {
    const std::string expected = Render(w.writer, live, true);
    ASSERT_GT(expected.size(), 700u * 10) << w.name;
    EXPECT_EQ(Render(w.writer, spooled, true), expected) << w.name;
    // Written twice from one spool, as a second walk reads it again.
    EXPECT_EQ(Render(w.writer, spooled, true), expected) << w.name << ", again";
  }
}

TEST(SpooledExportSource, AFileSizeLimitWhileSpoolingNamesTheTemporaryFile) {
  TemporaryFolder folder;
  ReportGrid t(3000);
  try {
    printtest::FileSizeLimit limit(16 * 1024);
    TSpooledExportSource spooled(*t.grid, "the report's rows");
    ADD_FAILURE() << "no error under a file size limit";
  } catch (const EWriteError& e) {
    EXPECT_EQ(e.Error(), EFBIG);
    EXPECT_EQ(e.What(), "the temporary file of the report's rows in \"" + folder.Path() + "\"");
    EXPECT_EQ(e.Message(), "Cannot write the temporary file of the report's rows in \"" +
                               folder.Path() + "\". File too large.");
  }
  EXPECT_TRUE(folder.Empty());
}

// Rows that never reached the file (the last ones wait in memory until they are first read)
// are not read back as a shorter file: each later read fails as the write did.
TEST(SpooledExportSource, RowsThatDidNotReachTheFileAreNeverReadBack) {
  TemporaryFolder folder;
  TReportRowSpool spool("the report's rows");
  {
    printtest::FileSizeLimit limit(0);
    TExportCellParams cell;
    cell.Text = "Galp\xf3n 1";
    spool.AddCell(cell);
    spool.EndRow();
    for (int attempt = 0; attempt < 2; ++attempt) {
      try {
        spool.ReadRows(0, 1);
        ADD_FAILURE() << "rows read back after a failed write, attempt " << attempt;
      } catch (const EWriteError& e) {
        EXPECT_EQ(e.Error(), EFBIG) << attempt;
      }
    }
  }
  EXPECT_THROW(spool.ReadRows(0, 1), EWriteError);
}

TEST(SpooledExportSource, GridsWhoseCellsReadTheRecordAreNotServed) {
  const struct {
    const char* name;
    std::function<void(TDBGridEh&)> setUp;
    bool served;
  } cases[] = {
      {"as the report grid is", [](TDBGridEh&) {}, true},
      {"a footer's fixed text",
       [](TDBGridEh& g) {
         g.Columns()[0]->GetFooter(0).ValueType = fvtStaticText;
         g.Columns()[0]->GetFooter(0).Value = "Total";
       },
       true},
      {"a footer's sum", [](TDBGridEh& g) { g.Columns()[2]->GetFooter(0).ValueType = fvtSum; },
       false},
      {"a footer's field value",
       [](TDBGridEh& g) { g.Columns()[1]->GetFooter(0).ValueType = fvtFieldValue; }, false},
      {"a grid's cell hook",
       [](TDBGridEh& g) {
         g.OnGetCellParams = [](TDBGridEh&, TColumnEh&, platform::TFontSpec&,
                                platform::TColor&, TGridDrawState) {};
       },
       false},
  };
  for (const auto& c : cases) {
    ReportGrid t(5);
    c.setUp(*t.grid);
    EXPECT_EQ(TSpooledExportSource::Serves(*t.grid), c.served) << c.name;
    if (c.served) continue;
    EXPECT_THROW(TSpooledExportSource(*t.grid, "the report's rows"), std::logic_error) << c.name;
  }
}

}  // namespace
