// The batch exporter writes the same bytes as the report window's F4 export of the same rows.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QLineEdit>
#include <QProcess>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "app/DateTimePicker.h"
#include "app/dm.h"
#include "app/rngrepcostoav.h"
#include "grid/DBGridEh.h"
#include "platform/Dialogs.h"
#include "platform/Fonts.h"
#include "platform/RegionalSettings.h"
#include "platform/Registry.h"

namespace fs = std::filesystem;

namespace {

class Answering : public platform::ISaveDialogs {
 public:
  Answering() { platform::SetSaveDialogs(this); }
  ~Answering() override { platform::SetSaveDialogs(nullptr); }
  platform::SaveDialogResult Run(const platform::SaveDialogRequest&) override { return answer; }
  platform::SaveDialogResult answer;
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(WindowEquality, BatchFilesEqualTheWindowsF4Export) {
  const fs::path folder = fs::temp_directory_path() / ("window_equality_" + std::to_string(::getpid()));
  fs::remove_all(folder);
  fs::create_directories(folder / "window");
  fs::create_directories(folder / "batch");
  const std::string bin = std::string(std::getenv("GALVORA_BINARY_DIR")) + "/bin/";
  QProcess demo;
  // More rows than the batch exporter asks for at a time: it reads several packets, the window
  // one.
  demo.start(QString::fromStdString(bin + "galvora-demo"),
             {QString::fromStdString((folder / "demo").string()), "--warehouses", "2500",
              "--months", "1"});
  ASSERT_TRUE(demo.waitForFinished(120000));
  ASSERT_EQ(demo.exitCode(), 0);
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
      window.DBGridEh2->setFocus();
      QTest::keyClick(window.DBGridEh2, Qt::Key_F4);
      ASSERT_TRUE(fs::exists(folder / "window" / (std::string("Costos.") + kExtensions[index - 1])))
          << kExtensions[index - 1];
    }
  }

  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("GALVORA_PASSWORD", "masterkey");
  for (const char* extension : kExtensions) {
    const fs::path output = folder / "batch" / (std::string("Costos.") + extension);
    QProcess tool;
    tool.setProcessEnvironment(env);
    tool.start(QString::fromStdString(bin + "repcostoav-export"),
               {"--server", QString::fromStdString((folder / "demo").string()), "--user", "SYSDBA",
                "--company", "001", "--from", "2022-01-01", "--to", "2022-01-31", "--output",
                QString::fromStdString(output.string())});
    ASSERT_TRUE(tool.waitForFinished(120000));
    ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    const std::string batch = ReadFile(output);
    const std::string shown = ReadFile(folder / "window" / output.filename());
    EXPECT_FALSE(batch.empty());
    EXPECT_TRUE(batch == shown) << extension << ": the batch file differs from the window's";
  }
  fs::remove_all(folder);
}

}  // namespace
