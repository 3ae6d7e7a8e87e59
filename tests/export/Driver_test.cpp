// The export walk over each selection type, position restore, and the file stream.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "tests/export/support/FakeGrid.h"
#include "tests/export/support/Render.h"

namespace {

FakeGrid FourRows() {
  FakeGrid grid;
  for (const char* name : {"A", "B", "C"}) grid.AddColumn({.FieldName = name, .Caption = name});
  for (int r = 0; r < 4; ++r) {
    grid.AddRow({{false, "a" + std::to_string(r)}, {false, "b" + std::to_string(r)},
                 {false, "c" + std::to_string(r)}});
  }
  grid.Footers = 0;
  grid.Titles = false;
  return grid;
}

TEST(ExportWalk, SelectionTypes) {
  struct Case {
    const char* name;
    void (*setup)(FakeGrid&);
    std::string text;
  } cases[] = {
      {"rows in the list's order",
       [](FakeGrid& g) {
         g.Selection = TExportSelectionType::gstRecordBookmarks;
         g.SelRows = {1, 3};
       },
       "a1\tb1\tc1\r\na3\tb3\tc3"},
      {"rectangle",
       [](FakeGrid& g) {
         g.Selection = TExportSelectionType::gstRectangle;
         g.RectLeft = 1, g.RectRight = 2, g.RectTop = 1, g.RectBottom = 2;
       },
       "b1\tc1\r\nb2\tc2"},
      {"rectangle skips hidden columns; all hidden gives rows without cells",
       [](FakeGrid& g) {
         g.Selection = TExportSelectionType::gstRectangle;
         g.Columns[1].Visible = false;
         g.RectLeft = 1, g.RectRight = 1, g.RectTop = 0, g.RectBottom = 1;
       },
       "\r\n"},
      {"rectangle whose bottom is never met stops at the end",
       [](FakeGrid& g) {
         g.Selection = TExportSelectionType::gstRectangle;
         g.RectLeft = 0, g.RectRight = 0, g.RectTop = 2, g.RectBottom = 99;
       },
       "a2\r\na3"},
      {"columns",
       [](FakeGrid& g) {
         g.Selection = TExportSelectionType::gstColumns;
         g.SelColumns = {0, 2};
       },
       "a0\tc0\r\na1\tc1\r\na2\tc2\r\na3\tc3"},
      {"all skips hidden columns",
       [](FakeGrid& g) {
         g.Selection = TExportSelectionType::gstAll;
         g.Columns[0].Visible = false;
       },
       "b0\tc0\r\nb1\tc1\r\nb2\tc2\r\nb3\tc3"},
      {"nothing selected: current cell, no titles or footers",
       [](FakeGrid& g) {
         g.Titles = true;
         g.Footers = 1;
         g.Current = 2;
         g.CurrentCol = 1;
       },
       "b2"},
  };
  for (const Case& c : cases) {
    FakeGrid grid = FourRows();
    grid.Current = 3;
    c.setup(grid);
    const int current = grid.Current;
    EXPECT_EQ(Render(kText, grid), c.text) << c.name;
    EXPECT_EQ(grid.Current, current) << c.name;
    EXPECT_FALSE(grid.InWalk) << c.name;
  }
}

TEST(ExportWalk, FooterSumsAndCountsCoverExportedRecords) {
  FakeGrid grid;
  grid.AddColumn({.FieldName = "V", .Caption = "V", .Type = ftFMTBcd,
                  .Footer = {TExportFooterValueType::fvtSum}});
  grid.AddColumn({.FieldName = "W", .Caption = "W", .Type = ftFMTBcd,
                  .Footer = {TExportFooterValueType::fvtCount}});
  grid.AddColumn({.FieldName = "X", .Caption = "X", .Type = ftFMTBcd,
                  .Footer = {TExportFooterValueType::fvtSum, "V"}});
  grid.AddColumn({.FieldName = "Y", .Caption = "Y",
                  .Footer = {TExportFooterValueType::fvtStaticText}, .FooterText = "Total"});
  grid.AddRow({{false, "", 0.00005}, {true}, {true}, {}});
  grid.AddRow({{false, "", 1.25}, {true}, {true}, {}});
  grid.AddRow({{true}, {true}, {true}, {}});
  grid.Titles = false;
  grid.Selection = TExportSelectionType::gstRecordBookmarks;
  grid.SelRows = {0, 1};
  TDBGridEhExportAsText exporter;
  exporter.SetGrid(&grid);
  TMemoryStream out;
  exporter.RenderToStream(out, false);
  // 0.00005 x 10,000 = 0.5 rounds to even (0); the count covers the two selected records.
  EXPECT_EQ(exporter.FooterValues(), (std::vector<int64_t>{12500, 20000, 12500, 0}));
  EXPECT_EQ(out.Bytes(), "\t\t\t\r\n\t\t\t\r\n1.25\t2\t1.25\tTotal");
}

TEST(ExportWalk, FailureRestoresPositionAndSkipsCloseDocument) {
  FakeGrid grid = FourRows();
  grid.Current = 2;
  grid.FailAtRecord = 1;
  TMemoryStream out;
  EXPECT_THROW(ExportGridToStream(kHtml, grid, out, true), platform::Exception);
  EXPECT_EQ(grid.Current, 2);
  EXPECT_FALSE(grid.InWalk);
  EXPECT_EQ(out.Bytes().find("</html>"), std::string::npos);
  EXPECT_NE(out.Bytes().find("a0"), std::string::npos);
}

class ExportFile : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("export_test_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }
  std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::vector<std::string> Listing() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  std::filesystem::path folder_;
};

// Bytes that differ from position to position.
std::string Pattern(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>('a' + i * 7 % 26);
  return bytes;
}

TEST_F(ExportFile, TruncateTakesBackBufferedAndWrittenBytes) {
  const auto path = folder_ / "out.bin";
  const std::string bytes = Pattern(200000);  // past the stream's own buffer
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  ASSERT_GE(fd, 0);
  TFileStream file(fd);
  file.Write(bytes);
  EXPECT_EQ(file.Position(), 200000);
  EXPECT_TRUE(file.Truncate(199990));   // still in the buffer
  EXPECT_TRUE(file.Truncate(1000));     // already on disk
  EXPECT_FALSE(file.Truncate(5000));    // beyond the end
  file.Write("end");
  file.Close();
  ::close(fd);
  EXPECT_EQ(ReadFile(path), bytes.substr(0, 1000) + "end");
}

TEST_F(ExportFile, RtfFailureAfterManyRowsTakesBackWhatReachedTheFile) {
  FakeGrid grid;
  grid.AddColumn({.FieldName = "F", .Caption = "T"});
  for (int r = 0; r < 5000; ++r) grid.AddRow({{false, "row " + std::to_string(r)}});
  grid.FailAtRecord = 4000;  // long after the first bytes reached the disk
  const auto path = folder_ / "Costos.rtf";
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  ASSERT_GE(fd, 0);
  TFileStream file(fd);
  file.Write("before");
  EXPECT_THROW(ExportGridToStream(kRtf, grid, file, true), platform::Exception);
  file.Close();
  ::close(fd);
  EXPECT_EQ(ReadFile(path), "before");
}

TEST_F(ExportFile, ReplacesAnExistingFileOnlyWhenTheExportCompletes) {
  FakeGrid grid = FourRows();
  const auto path = folder_ / "Costos.txt";
  std::ofstream(path) << "old contents that are longer than the new ones ............";
  ExportGridToFile(kText, grid, path.string(), true);
  const std::string complete = "a0\tb0\tc0\r\na1\tb1\tc1\r\na2\tb2\tc2\r\na3\tb3\tc3";
  EXPECT_EQ(ReadFile(path), complete);

  // A walk that fails half-way, in a writer that streams and in one that writes at the end.
  grid.FailAtRecord = 2;
  for (TDBGridEhExportClass cls : {kText, kRtf, kXls}) {
    EXPECT_THROW(ExportGridToFile(cls, grid, path.string(), true), platform::Exception);
    EXPECT_EQ(ReadFile(path), complete);
    EXPECT_EQ(Listing(), std::vector<std::string>{"Costos.txt"});
  }
}

TEST_F(ExportFile, CannotCreateFileNamesThePathAndTheSystemError) {
  FakeGrid grid = FourRows();
  const std::string path = (folder_ / "missing" / "Costos.txt").string();
  try {
    ExportGridToFile(kText, grid, path, true);
    FAIL() << "no error";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message(), "Cannot create file \"" + path + "\". No such file or directory");
  }
}

// A file size limit below what the writer needs: the short write fails the export (the
// signal it would raise is ignored, as the batch exporter does), and the former file stays.
TEST_F(ExportFile, ShortWriteIsAStreamWriteErrorAndKeepsTheFormerFile) {
  FakeGrid grid = FourRows();
  const auto path = folder_ / "Costos.xls";
  std::ofstream(path) << "former";
  struct rlimit saved;
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);
  for (TDBGridEhExportClass cls : {kText, kRtf, kXls}) {
    struct rlimit limit = saved;
    limit.rlim_cur = 16;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    try {
      ExportGridToFile(cls, grid, path.string(), true);
      ADD_FAILURE() << "a short write was reported as success";
    } catch (const EWriteError& e) {
      EXPECT_EQ(e.Message(), "Stream write error");
      EXPECT_EQ(e.Error(), EFBIG);
    }
    ::setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(ReadFile(path), "former");
    EXPECT_EQ(Listing(), std::vector<std::string>{"Costos.xls"});
  }
  std::signal(SIGXFSZ, previous);
}

}  // namespace
