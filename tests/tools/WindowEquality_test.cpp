// The batch exporter writes the same bytes as the report window's F4 export of the same rows.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "app/DateTimePicker.h"
#include "app/rngrepcostoav.h"
#include "grid/DBGridEh.h"
#include "platform/Dialogs.h"
#include "platform/Fonts.h"
#include "platform/RegionalSettings.h"
#include "platform/Registry.h"
#include "report/dm.h"
#include "tests/tools/support/ProgramRun.h"

namespace fs = std::filesystem;

namespace {

class Answering : public platform::ISaveDialogs {
 public:
  Answering() { platform::SetSaveDialogs(this); }
  ~Answering() override { platform::SetSaveDialogs(nullptr); }
  platform::SaveDialogResult Run(const platform::SaveDialogRequest&) override { return answer; }
  platform::SaveDialogResult answer;
};

using toolstest::ReadFile;

TEST(WindowEquality, BatchFilesEqualTheWindowsF4Export) {
  const fs::path folder = toolstest::FreshFolder("window_equality");
  fs::create_directories(folder / "window");
  fs::create_directories(folder / "batch");
  // More rows than the batch exporter asks for at a time: it reads several packets, the window
  // one.
  ASSERT_NO_FATAL_FAILURE(toolstest::MakeDemo(folder / "demo", 2500));
  const std::string registry = (folder / "demo/registry.reg").string();
  setenv("QOR_REGISTRY", registry.c_str(), 1);
  platform::ReloadSystemRegistry();
  platform::ReloadFormatSettings();
  platform::RegisterFontSubstitutions();

  const char* const kExtensions[] = {"txt", "csv", "htm", "rtf", "xls"};
  {
    Answering dialogs;
    Tfdm dataModule;
    Tfrepcostoav window;
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    window.Tusua->setText("SYSDBA");
    window.TClave->setText("masterkey");
    window.Cia->setText("001");
    window.CiaExit();
    window.EFecIni->SetDate(QDate(2022, 1, 1));
    window.EFecFin->SetDate(QDate(2022, 1, 31));
    for (int index = 1; index <= 5; ++index) {
      dialogs.answer = {true, (folder / "window/Costos").string(), index};
      // A long save's progress dialog may have come and gone: without a window manager nothing
      // hands the keyboard back to the window, as an operator's desktop would.
      window.activateWindow();
      ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
      window.DBGridEh2->setFocus();
      QTest::keyClick(window.DBGridEh2, Qt::Key_F4);
      ASSERT_TRUE(fs::exists(folder / "window" / (std::string("Costos.") + kExtensions[index - 1])))
          << kExtensions[index - 1];
    }
  }

  for (const char* extension : kExtensions) {
    const fs::path output = folder / "batch" / (std::string("Costos.") + extension);
    const toolstest::RunResult tool = toolstest::Run(
        {.program = "repcostoav-export", .args = toolstest::ExportArgs(folder / "demo", output)});
    ASSERT_EQ(tool.status, 0) << tool.err;
    const std::string batch = ReadFile(output);
    const std::string shown = ReadFile(folder / "window" / output.filename());
    EXPECT_FALSE(batch.empty());
    if (batch != shown) {
      // Where the two first part, so that a difference can be read from the test's output.
      const auto parted = std::mismatch(batch.begin(), batch.end(), shown.begin(), shown.end());
      const size_t at = static_cast<size_t>(parted.first - batch.begin());
      const size_t from = at < 80 ? 0 : at - 80;
      ADD_FAILURE() << extension << ": the batch file (" << batch.size()
                    << " bytes) differs from the window's (" << shown.size() << ") at byte " << at
                    << "\nbatch:  " << batch.substr(from, 200) << "\nwindow: " << shown.substr(from, 200);
    }
  }
  fs::remove_all(folder);
}

}  // namespace
