// The save-selection command: dialog set-up, extension check, writer choice, cancel.

#include "report/SaveSelection.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
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

// A save that fails (an error in the walk, a target that is not a regular file) keeps the
// former file byte for byte and leaves nothing else in its folder.
TEST_F(SaveSelectionFile, FailedSaveKeepsTheFormerFileAndLeavesNothingBeside) {
  grid_.Selection = TExportSelectionType::gstAll;
  const std::filesystem::path former = folder_ / "Costos.xls";
  std::ofstream(former, std::ios::binary) << "the report saved yesterday";
  ASSERT_EQ(::mkfifo((folder_ / "pipe.csv").c_str(), 0600), 0);
  struct Case {
    std::string name;
    int index;
    int failAtRecord;
    std::string message;
  } cases[] = {
      {"Costos.xls", 5, 1, "Cannot convert the value"},
      {"Costos.xls", 1, 1, "Cannot convert the value"},
      {"Costos.xls", 4, 0, "Cannot convert the value"},
      {"pipe.csv", 2, -1,
       "Cannot create file \"" + (folder_ / "pipe.csv").string() + "\". It is not a regular file."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name + " entry " + std::to_string(c.index));
    grid_.FailAtRecord = c.failAtRecord;
    dialogs_.Answer = {true, (folder_ / c.name).string(), c.index};
    try {
      SaveSelection(grid_, dialogs_, dialog_);
      ADD_FAILURE() << "no error";
    } catch (const platform::Exception& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
    EXPECT_EQ(Read(former), "the report saved yesterday");
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Costos.xls", "pipe.csv"}));
  }
}

}  // namespace

namespace {

// The folder of the last accepted name is proposed next time, also in a later run: it is
// kept per user in $XDG_CONFIG_HOME/Galvora/repcostoav.conf. A cancelled dialog keeps it.
TEST_F(SaveSelectionFile, TheLastFolderIsProposedAgainAlsoInTheNextRun) {
  const char* saved = std::getenv("XDG_CONFIG_HOME");
  const std::string before = saved != nullptr ? saved : "";
  const std::filesystem::path config = folder_ / "config";
  setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  EXPECT_EQ(RememberedSaveFolder(), "");
  const std::filesystem::path reports = folder_ / "informes ñ";
  std::filesystem::create_directories(reports);

  TSaveDialog first;
  first.Folder = RememberedSaveFolder();
  first.OnFolderChosen = RememberSaveFolder;
  grid_.Selection = TExportSelectionType::gstAll;
  dialogs_.Answer = {true, (reports / "Costos").string(), 1};
  SaveSelection(grid_, dialogs_, first);
  dialogs_.Answer = {false, (folder_ / "otra" / "Costos").string(), 1};
  SaveSelection(grid_, dialogs_, first);

  // The next run reads it from the settings file.
  TSaveDialog next;
  next.Folder = RememberedSaveFolder();
  SaveSelection(grid_, dialogs_, next);
  ASSERT_EQ(dialogs_.Requests.size(), 3u);
  EXPECT_EQ(dialogs_.Requests[0].folder, "");
  EXPECT_EQ(dialogs_.Requests[1].folder, reports.string());
  EXPECT_EQ(dialogs_.Requests[2].folder, reports.string());
  EXPECT_TRUE(std::filesystem::exists(config / "Galvora" / "repcostoav.conf"));
  if (saved != nullptr) {
    setenv("XDG_CONFIG_HOME", before.c_str(), 1);
  } else {
    unsetenv("XDG_CONFIG_HOME");
  }
}

}  // namespace
