// The save-selection command: dialog set-up, extension check, writer choice, cancel.

#include "app/SaveSelection.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "tests/export/support/FakeGrid.h"

namespace {

TEST(SaveSelection, ExtensionCheckLooksAtAsManyLastCharactersAsTheExtensionHas) {
  struct Case {
    const char* name;
    int index;
    const char* result;
  } cases[] = {
      {"Costos", 1, "Costos.txt"},         {"Costos.csv", 2, "Costos.csv"},
      {"Costoscsv", 2, "Costoscsv"},       {"Costos.CSV", 1, "Costos.CSV.txt"},
      {"/tmp/Costos.Xls", 5, "/tmp/Costos.Xls"}, {"ab", 3, "ab.htm"},
      {"Costos.rtf", 4, "Costos.rtf"},     {"Costos.txt", 4, "Costos.txt.rtf"},
      // The workbook entry's extension has four letters.
      {"Costos", 6, "Costos.xlsx"},        {"Costos.XLSX", 6, "Costos.XLSX"},
      {"Costosxlsx", 6, "Costosxlsx"},     {"Costos.xls", 6, "Costos.xls.xlsx"},
      {"xlsx", 6, "xlsx"},                 {"lsx", 6, "lsx.xlsx"},
      {"Costos.xlsx", 5, "Costos.xlsx.xls"},
  };
  for (const Case& c : cases) EXPECT_EQ(SaveFileName(c.name, c.index), c.result) << c.name;
  EXPECT_EQ(SaveExporterClass(0), nullptr);
  EXPECT_NE(SaveExporterClass(6), nullptr);
  EXPECT_EQ(SaveExporterClass(7), nullptr);
  EXPECT_EQ(SaveExtension(7), "");
}

class ScriptedSaveDialogs : public platform::ISaveDialogs {
 public:
  platform::SaveDialogResult Answer;
  std::vector<platform::SaveDialogRequest> Requests;
  platform::SaveDialogResult Run(const platform::SaveDialogRequest& request) override {
    Requests.push_back(request);
    return Answer;
  }
};

class SaveSelectionFile : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("save_selection_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder_);
    grid_ = TwoByTwo();
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }
  std::string Read(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::filesystem::path folder_;
  FakeGrid grid_;
  ScriptedSaveDialogs dialogs_;
  TSaveDialog dialog_;
};

TEST_F(SaveSelectionFile, WritesTheSelectionWithTheChosenWriterAndKeepsTheEntry) {
  grid_.Selection = TExportSelectionType::gstAll;
  dialogs_.Answer = {true, (folder_ / "Costos").string(), 2};
  SaveSelection(grid_, dialogs_, dialog_);
  EXPECT_EQ(Read(folder_ / "Costos.csv"),
            "\"T1\";\"T2\"\r\n\"a1\";\"b1\"\r\n\"a2\";\"b2\"\r\n\"\";\"\"");

  // The next use proposes "Costos" again with the entry chosen before; an existing file is
  // replaced without a question; nothing selected writes the current cell alone.
  grid_.Selection = TExportSelectionType::gstNon;
  dialogs_.Answer = {true, (folder_ / "Costos.csv").string(), 2};
  SaveSelection(grid_, dialogs_, dialog_);
  ASSERT_EQ(dialogs_.Requests.size(), 2u);
  for (const auto& request : dialogs_.Requests) {
    EXPECT_EQ(request.fileName, "Costos");
    EXPECT_EQ(request.filter, kSaveFilter);
  }
  EXPECT_EQ(dialogs_.Requests[0].filterIndex, 1);
  EXPECT_EQ(dialogs_.Requests[1].filterIndex, 2);
  EXPECT_EQ(Read(folder_ / "Costos.csv"), "\"a1\"");
}

// The workbook is the sixth entry, after the five whose numbers stay as they were.
TEST_F(SaveSelectionFile, TheSixthEntryWritesAWorkbook) {
  const std::string filter = kSaveFilter;
  EXPECT_TRUE(filter.ends_with(
      "|Libro de Microsoft Excel (*.xls)|*.XLS|Libro de Excel (*.xlsx)|*.XLSX"));
  EXPECT_EQ(std::count(filter.begin(), filter.end(), '|'), 11);
  EXPECT_EQ(SaveExtension(5), "xls");
  grid_.Selection = TExportSelectionType::gstAll;
  dialogs_.Answer = {true, (folder_ / "Costos").string(), 6};
  SaveSelection(grid_, dialogs_, dialog_, {"Reporte", "001", "01/01/2022 - 31/01/2022"});
  EXPECT_EQ(dialog_.FilterIndex, 6);
  EXPECT_EQ(Read(folder_ / "Costos.xlsx").substr(0, 4), std::string("PK\x03\x04", 4));
}

TEST_F(SaveSelectionFile, CancelWritesNothingAndKeepsTheEntry) {
  dialog_.FilterIndex = 5;
  dialogs_.Answer = {false, (folder_ / "Costos").string(), 3};
  SaveSelection(grid_, dialogs_, dialog_);
  EXPECT_EQ(dialog_.FilterIndex, 5);
  EXPECT_TRUE(std::filesystem::is_empty(folder_));
  EXPECT_EQ(grid_.Walks, 0);
}

}  // namespace
