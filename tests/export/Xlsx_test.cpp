// The workbook writer, read back with Python's zipfile and the sheet XML and with LibreOffice.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "data/FMTBcd.h"
#include "export/ExportAsXLSX.h"
#include "export/XlsxRows.h"
#include "platform/Cp1252.h"
#include "platform/RegionalSettings.h"
#include "tests/export/support/FakeGrid.h"
#include "tests/export/support/Render.h"
#include "tests/export/support/XlsxReader.h"

namespace {

namespace fs = std::filesystem;

constexpr TDBGridEhExportClass kXlsx = &CreateExporter<TDBGridEhExportAsXLSX>;

std::string ColumnLetter(int column) { return std::string(1, static_cast<char>('A' + column)); }
std::string Ref(int column, int row) { return ColumnLetter(column) + std::to_string(row); }

// A report value (precision 15, 2 places) with the text the grid shows for it under `picture`
// with "." decimals and "," thousands (the defaults), as the grid's own format engine makes it.
FakeValue Decimal(const char* picture, const char* text) {
  TBcd parsed, value;
  EXPECT_TRUE(TryTextToBcd(text, '.', parsed)) << text;
  EXPECT_TRUE(NormalizeBcd(parsed, 15, 2, value)) << text;
  const platform::TFormatSettings dot;
  return {false, *picture ? FormatBcd(picture, value, dot) : BcdToPlainText(value, '.'),
          BcdToDouble(value)};
}

FakeValue Integer(int64_t value) {
  return {false, std::to_string(value), static_cast<double>(value)};
}

class XlsxExport : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("xlsx_export_" + std::to_string(::getpid()));
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  std::string Export(IExportGrid& grid, const std::string& name = "Costos.xlsx",
                     const TExportDocumentInfo& info = {}) {
    const std::string path = (folder_ / name).string();
    ExportGridToFile(kXlsx, grid, path, true, info);
    return path;
  }

  fs::path folder_;
};

// The report's display formats, one per column, and the awkward values of the issue.
const char* const kPictures[] = {"", "", "#,###", "#,###.00", "###.00", "##.00%", "", ""};

FakeGrid AwkwardCells(const std::string& longText) {
  FakeGrid grid;
  grid.AddColumn({.FieldName = "CODBOD",
                  .Caption = "Bodega",
                  .Width = 36,
                  .Footer = {TExportFooterValueType::fvtStaticText},
                  .FooterText = "Totales"});
  grid.AddColumn({.FieldName = "NOMBOD", .Caption = "Nombre Bodega", .Width = 150});
  grid.AddColumn({.FieldName = "COSTO",
                  .Caption = "Costo Alim.",
                  .Width = 90,
                  .Type = ftFMTBcd,
                  .DisplayFormat = "#,###"});
  grid.AddColumn({.FieldName = "UNIT",
                  .Caption = "Costo Unit.",
                  .Type = ftFMTBcd,
                  .Footer = {TExportFooterValueType::fvtSum},
                  .DisplayFormat = "#,###.00"});
  grid.AddColumn(
      {.FieldName = "GRAM", .Caption = "Gr.Huevo", .Type = ftFMTBcd, .DisplayFormat = "###.00"});
  grid.AddColumn(
      {.FieldName = "PORSAL", .Caption = "%Sal", .Type = ftFMTBcd, .DisplayFormat = "##.00%"});
  grid.AddColumn({.FieldName = "PLANO", .Caption = "Plano", .Type = ftFMTBcd});
  grid.AddColumn({.FieldName = "AVES",
                  .Caption = "Aves",
                  .Type = ftInteger,
                  .Footer = {TExportFooterValueType::fvtCount}});
  struct Row {
    FakeValue code, name;
    const char* numbers[5];
    FakeValue birds;
  };
  const FakeValue null{true};
  const Row rows[] = {
      // Accents and the Windows-1252 letters above 0x7F.
      {{false, "01"},
       {false,
        "Bodega \xD1"
        "and\xFA \x97 caf\xE9 \xAB\x80\xBB \x8A\x9E"},
       {"1234567.89", "1234.5", "0.5", "1.18", "1234.5"},
       Integer(7)},
      // Nulls everywhere but the code.
      {{false, "02"}, null, {nullptr, nullptr, nullptr, nullptr, nullptr}, null},
      // A text longer than a cell holds; an integer beyond the XLS writer's small range.
      {{false, "03"},
       {false, longText},
       {"0.25", "0.5", "12500", "12500", "0.01"},
       Integer(536870912)},
      // Negative numbers, and spaces that must survive.
      {{false, "04"},
       {false, "  espacios  "},
       {"-1234.5", "-0.01", "-1234.5", "-1.18", "-3.1"},
       Integer(-42)},
      // Zero, and an empty text (not null).
      {{false, "05"}, {false, ""}, {"0", "0", "0", "0", "0"}, Integer(0)},
      // The biggest values of NUMERIC(15,2); a text that looks like a formula.
      {{false, "06"},
       {false, "=1+2"},
       {"9999999999999.99", "-9999999999999.99", "123456789012.34", "99.99", "9999999999999.99"},
       Integer(2147483647)},
      // Markup, quotes, a tab, a line break, a control character and an escape look-alike.
      {{false, "07"},
       {false, "a_x0041_b <&> \"q\" 'a'\ttab\nnueva\x01"},
       {"1000", "1000", "1000", "100", "1000"},
       Integer(1000)},
  };
  for (const Row& row : rows) {
    std::vector<FakeValue> values{row.code, row.name};
    for (int i = 0; i < 5; ++i) {
      values.push_back(row.numbers[i] ? Decimal(kPictures[2 + i], row.numbers[i]) : null);
    }
    values.push_back(row.birds);
    grid.AddRow(std::move(values));
  }
  return grid;
}

// Every cell, the title row, the footer and the sheet settings as the workbook holds them,
// and every cell as a spreadsheet shows it, against what the grid shows.
TEST_F(XlsxExport, AwkwardCellsReadBackAsTheGridShowsThem) {
  const std::string longText(40000, 'L');
  FakeGrid grid = AwkwardCells(longText);
  const std::string path = Export(grid, "Costos.xlsx",
                                  {"Reporte Costos Av\xED"
                                   "cola",
                                   "001", "01/01/2022 - 31/01/2022"});
  const XlsxBook book = ReadXlsx(path);
  const auto shown = XlsxAsShown(path);

  EXPECT_EQ(book.Sheets, std::vector<std::string>{"Costos"});
  EXPECT_EQ(book.Title, "Reporte Costos Av\u00EDcola");
  EXPECT_EQ(book.Company, "001");
  EXPECT_EQ(book.Subject, "01/01/2022 - 31/01/2022");
  // The title row stays in view and carries the filter over the data rows.
  EXPECT_EQ(book.Pane.at("state"), "frozen");
  EXPECT_EQ(book.Pane.at("ySplit"), "1");
  EXPECT_EQ(book.Pane.at("topLeftCell"), "A2");
  EXPECT_EQ(book.AutoFilter, "A1:H8");
  const size_t columns = grid.Columns.size();
  ASSERT_EQ(shown.size(), 1 + grid.Rows.size() + 1);
  // Each column at least as wide as the grid's (a unit is 7 pixels) and wide enough for its
  // title and every value as shown (a unit is a digit), up to the 255 units a column takes.
  ASSERT_EQ(book.Columns.size(), columns);
  for (size_t c = 0; c < columns; ++c) {
    const double width = std::stod(book.Columns[c].at("width"));
    EXPECT_GE(width * 7, grid.Columns[c].Width - 1.0) << c;
    size_t longest = grid.Columns[c].Caption.size();
    for (const auto& row : grid.Rows) {
      if (!row[c].Null) longest = std::max(longest, row[c].Text.size());
    }
    longest = std::max(longest, platform::Utf8ToCp1252(shown.back().at(c)).size());
    EXPECT_GE(width, std::min(255.0, longest + 1.0)) << c;
  }
  EXPECT_EQ(book.Columns[1].at("width"), "255.7109375");
  for (size_t c = 0; c < columns; ++c) {
    const XlsxCell& title = book.Cells.at(Ref(static_cast<int>(c), 1));
    EXPECT_EQ(title.Value, grid.Columns[c].Caption);
    EXPECT_TRUE(title.Bold);
    EXPECT_EQ(shown[0].at(c), grid.Columns[c].Caption);
  }
  for (size_t r = 0; r < grid.Rows.size(); ++r) {
    for (size_t c = 0; c < columns; ++c) {
      const std::string ref = Ref(static_cast<int>(c), static_cast<int>(r) + 2);
      SCOPED_TRACE(ref);
      const FakeValue& value = grid.Rows[r][c];
      std::string text = platform::Cp1252ToUtf8(value.Text);
      if (text.size() > TDBGridEhExportAsXLSX::kMaxCellText) {
        text.resize(TDBGridEhExportAsXLSX::kMaxCellText);
      }
      // What a spreadsheet shows is what the grid shows. (LibreOffice shows 9999999999999.99
      // as 10,000,000,000,000.00: it rounds to fewer digits than the sheet holds; the exact
      // value is checked in the XML below.)
      if (!(std::fabs(value.Number) >= 1e12)) {
        EXPECT_EQ(shown.at(r + 1).at(c), value.Null ? "" : text);
      }
      auto cell = book.Cells.find(ref);
      if (value.Null || (grid.Columns[c].Type == ftString && text.empty())) {
        EXPECT_TRUE(cell == book.Cells.end()) << "null or empty text leaves the cell empty";
        continue;
      }
      ASSERT_TRUE(cell != book.Cells.end());
      if (grid.Columns[c].Type == ftString) {
        EXPECT_EQ(cell->second.Type, "inlineStr");
        EXPECT_EQ(cell->second.Value, text);
      } else {
        // Numbers are typed numbers holding the exact value.
        EXPECT_EQ(cell->second.Type, "n");
        EXPECT_EQ(std::stod(cell->second.Value), value.Number);
        EXPECT_FALSE(cell->second.Bold);
      }
    }
  }
  // The formats of the first row, one per display format; the percentages keep their value.
  const char* const formats[] = {"#,##0.00", "#,##0.00", "0.00", "0.00\"%\"", "0.0", "0"};
  for (int c = 2; c < 8; ++c) EXPECT_EQ(book.Cells.at(Ref(c, 2)).Format, formats[c - 2]) << c;
  EXPECT_EQ(book.Cells.at("F2").Value, "1.18");
  EXPECT_EQ(book.Cells.at("C5").Format, "#,##0.0");
  EXPECT_EQ(book.Cells.at("C6").Format, "#,##0");

  // The footer row: its static text, the sum in the column's format and the count, in bold.
  const std::vector<std::string> footer = shown.back();
  EXPECT_EQ(footer.at(0), "Totales");
  EXPECT_EQ(footer.at(3), Decimal("#,###.00", "-9999999997765").Text);
  EXPECT_EQ(footer.at(7), "7");
  EXPECT_EQ(book.Cells.at("D9").Type, "n");
  EXPECT_EQ(std::stod(book.Cells.at("D9").Value), -9999999997765.0);
  EXPECT_EQ(book.Cells.at("D9").Format, "#,##0.00");
  EXPECT_TRUE(book.Cells.at("D9").Bold);
  EXPECT_TRUE(book.Cells.at("A9").Bold);
  EXPECT_EQ(book.Cells.at("H9").Value, "7");
  EXPECT_EQ(book.Cells.count("C9"), 0u);
  EXPECT_EQ(book.LastRow, 9);
}

// Which spreadsheet format each display format of the grid becomes, by the value's decimals.
TEST(XlsxNumberFormat, ShowsWhatTheGridShows) {
  struct Case {
    const char* picture;
    int decimals;
    const char* format;
  } cases[] = {
      {"#,###", 0, "#,##0"},
      {"#,###", 1, "#,##0.0"},
      {"#,###", 2, "#,##0.00"},
      {"#,###.00", 0, "#,##0.00"},
      {"#,###.00", 1, "#,##0.00"},
      {"###.00", 0, "0.00"},
      {"###.00", 2, "0.00"},
      {"##.00%", 0, "0.00\"%\""},
      {"###.00%", 1, "0.00\"%\""},
      {"", 0, "0"},
      {"", 2, "0.00"},
      // Plain style: places shown only as far as the value has them.
      {"###.##", 1, "0.0"},
      {"###.##", 3, "0.00"},
      {"##0", 1, "0.0"},
      {".00", 0, "0.00"},
      // Literals: one that starts the picture goes in front, the others after the number.
      {"Total #,###.00 COP", 2, "\"Total \"#,##0.00\" COP\""},
      {"#x#", 0, "0\"x\""},
      {"#,### \"u\"", 0, "#,##0\" \"\\\"\"u\"\\\"\"\""},
      {"#,### \xE1rea", 0, "#,##0\" \u00E1rea\""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(XlsxNumberFormat(c.picture, c.decimals), c.format) << c.picture << " " << c.decimals;
  }
}

// Nothing selected writes the current cell alone, without titles, freeze or filter; the
// stream form holds the same workbook.
TEST_F(XlsxExport, CurrentCellAloneAndTheStreamForm) {
  FakeGrid grid = AwkwardCells("x");
  grid.CurrentCol = 5;
  const std::string bytes = Render(kXlsx, grid, false);
  ASSERT_GT(bytes.size(), 4u);
  EXPECT_EQ(bytes.substr(0, 2), "PK");
  const std::string path = (folder_ / "stream.xlsx").string();
  std::ofstream(path, std::ios::binary) << bytes;
  const XlsxBook book = ReadXlsx(path);
  ASSERT_EQ(book.Cells.size(), 1u);
  EXPECT_EQ(book.Cells.at("A1").Value, "1.18");
  EXPECT_EQ(book.Cells.at("A1").Format, "0.00\"%\"");
  EXPECT_TRUE(book.Pane.empty());
  EXPECT_EQ(book.AutoFilter, "");
}

// Rows of one integer column, made as they are read.
class ManyRows : public FakeGrid {
 public:
  explicit ManyRows(int count) : count_(count) {
    AddColumn({.FieldName = "N", .Caption = "N", .Type = ftInteger});
    Footers = 0;
  }
  bool Eof() const override { return Current >= count_; }
  void Next() override { ++Current; }
  bool FieldIsNull(int) const override { return false; }
  int64_t FieldAsInteger(int) const override { return Current; }
  void GetCellParams(int, TExportCellParams& params) const override {
    params.Text = std::to_string(Current);
  }

 private:
  int count_;
};

// A sheet holds 1,048,576 rows, the title and footer rows included. One more is a clear error
// raised before the workbook is written: the target is neither created nor replaced.
TEST_F(XlsxExport, RowLimitCountsTitlesAndFootersAndLeavesTheTargetAlone) {
  constexpr int kLimit = static_cast<int>(TDBGridEhExportAsXLSX::kMaxRows);
  struct Case {
    int rows;
    int footers;
    bool fits;
    // With the title row: the limit exactly, then one footer row more (each case writes a
    // million rows, so the row past the limit is a footer rather than one more data case).
  } cases[] = {{kLimit - 1, 0, true}, {kLimit - 1, 1, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.rows) + " rows, " + std::to_string(c.footers) + " footers");
    ManyRows grid(c.rows);
    grid.Footers = c.footers;
    const fs::path target = folder_ / "Grande.xlsx";
    std::ofstream(target) << "old";
    if (!c.fits) {
      try {
        Export(grid, "Grande.xlsx");
        ADD_FAILURE() << "no error";
      } catch (const platform::Exception& e) {
        EXPECT_EQ(e.Message(), "XLSX row limit of 1048576 rows exceeded");
      }
      std::ifstream in(target);
      EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "old");
      continue;
    }
    Export(grid, "Grande.xlsx");
    const XlsxBook book = ReadXlsx(target.string(), "1048576");
    EXPECT_EQ(book.LastRow, kLimit);
    EXPECT_EQ(book.Cells.at("A1048576").Value, std::to_string(kLimit - 2));
  }
}

TEST_F(XlsxExport, FailuresAreReportedAsTheOtherWritersReportThem) {
  FakeGrid grid = AwkwardCells("x");
  // A folder that does not exist.
  const std::string missing = (folder_ / "no" / "Costos.xlsx").string();
  try {
    ExportGridToFile(kXlsx, grid, missing, true);
    ADD_FAILURE() << "no error";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message().rfind("Cannot create file \"" + missing + "\". ", 0), 0u) << e.Message();
  }
  // More columns than a sheet has.
  FakeGrid wide;
  for (size_t c = 0; c <= TDBGridEhExportAsXLSX::kMaxColumns; ++c) {
    wide.AddColumn({.FieldName = "C" + std::to_string(c), .Caption = "C"});
  }
  try {
    Export(wide, "Ancho.xlsx");
    ADD_FAILURE() << "no error";
  } catch (const platform::Exception& e) {
    EXPECT_EQ(e.Message(), "XLSX column limit of 16384 columns exceeded");
  }
  EXPECT_FALSE(fs::exists(folder_ / "Ancho.xlsx"));
  // A failure while the rows are read: the error of the grid, nothing written.
  grid.FailAtRecord = 3;
  EXPECT_THROW(Export(grid, "Fallo.xlsx"), platform::Exception);
  EXPECT_FALSE(fs::exists(folder_ / "Fallo.xlsx"));
  EXPECT_FALSE(grid.InWalk);
}

// A file size limit (or a full disk) met while the library writes its temporary files, or the
// workbook itself, is a write error: never a workbook with rows left out. The former file
// stays and nothing is left beside it.
TEST_F(XlsxExport, AFileSizeLimitIsAWriteErrorAndKeepsTheFormerFile) {
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit saved;
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  // 100,000 rows make about 4 MB of sheet rows and an archive of about 0.5 MB: the first
  // limit stops the rows' temporary file only, the second one the archive as well.
  for (const rlim_t limit : {rlim_t{1000000}, rlim_t{100000}}) {
    SCOPED_TRACE(limit);
    const fs::path target = folder_ / "Grande.xlsx";
    std::ofstream(target) << "old";
    ManyRows grid(100000);
    rlimit lowered = saved;
    lowered.rlim_cur = limit;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &lowered), 0);
    bool failed = false;
    try {
      Export(grid, "Grande.xlsx");
    } catch (const EWriteError& e) {
      failed = true;
      // The rows' temporary file is the first to meet the limit.
      const char* tmp = std::getenv("TMPDIR");
      EXPECT_EQ(e.Message(), "Cannot write the workbook's temporary files in \"" +
                                 std::string(tmp && *tmp ? tmp : "/tmp") + "\". File too large.");
      EXPECT_EQ(e.Error(), EFBIG);
    }
    ::setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_TRUE(failed);
    std::ifstream in(target);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1);
  }
  std::signal(SIGXFSZ, previous);
}

// Under a locale with a decimal comma the C library would print 1234,5: the workbook still
// holds 1234.5 and reads back.
TEST_F(XlsxExport, NumbersAreWrittenWithAPointUnderADecimalCommaLocale) {
  const fs::path locales = folder_ / "locales";
  fs::create_directories(locales);
  const std::string command =
      "localedef -i es_CO -f UTF-8 '" + (locales / "es_CO.UTF-8").string() + "' >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0) GTEST_SKIP() << "localedef cannot build es_CO";
  setenv("LOCPATH", locales.c_str(), 1);
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  ASSERT_NE(std::setlocale(LC_ALL, "es_CO.UTF-8"), nullptr);
  FakeGrid grid = AwkwardCells("x");
  std::string path;
  try {
    path = Export(grid);
  } catch (...) {
    std::setlocale(LC_ALL, saved.c_str());
    throw;
  }
  std::setlocale(LC_ALL, saved.c_str());
  unsetenv("LOCPATH");
  const XlsxBook book = ReadXlsx(path);
  EXPECT_EQ(book.Cells.at("C2").Value, "1234567.89");
  EXPECT_EQ(book.Cells.at("D5").Value, "-0.01");
  EXPECT_EQ(book.Columns.at(0).at("width"), "9.7109375");
}

// A number is stored in the shortest decimal form that reads back as the same value.
TEST(XlsxRows, ShortestNumberText) {
  const struct {
    double value;
    const char* text;
  } cases[] = {{99417727.6, "99417727.6"}, {0.1, "0.1"},   {-2.5, "-2.5"}, {1234567.89, "1234567.89"},
               {0, "0"},                   {1e20, "1e+20"}, {2147483647, "2147483647"},
               {9999999999999.99, "9999999999999.99"}};
  for (const auto& c : cases) EXPECT_EQ(ShortestNumberText(c.value), c.text) << c.text;
}

// A disk full where the workbook itself is written (not the temporary files): the message
// names the workbook and the reason, and the former file stays.
TEST_F(XlsxExport, AFullDiskNamesTheWorkbookAndTheReason) {
  const fs::path full = folder_ / "full";
  fs::create_directories(full);
  if (::geteuid() != 0 ||
      std::system(("mount -t tmpfs -o size=64k none '" + full.string() + "' 2>/dev/null").c_str()) !=
          0) {
    GTEST_SKIP() << "needs a privileged process to mount a small file system";
  }
  std::ofstream(full / "Grande.xlsx") << "old";
  ManyRows grid(20000);
  try {
    ExportGridToFile(kXlsx, grid, (full / "Grande.xlsx").string(), true);
    ADD_FAILURE() << "no error";
  } catch (const platform::Exception& e) {
    EXPECT_EQ(e.Message(), "Cannot write file \"" + (full / "Grande.xlsx").string() +
                               "\". No space left on device.");
  }
  {
    std::ifstream in(full / "Grande.xlsx");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "old");
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(full), fs::directory_iterator()), 1);
  std::system(("umount '" + full.string() + "'").c_str());
}

}  // namespace
