// Closing the report window after a copy of the report, on a real X server: the copy goes to
// a running clipboard manager, or, with none, the window closes without writing it.

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <map>
#include <string>

#include "app/rngrepcostoav.h"
#include "data/DBClient.h"
#include "export/ClipboardCopy.h"
#include "grid/DBGridEh.h"
#include "platform/Clipboard.h"
#include "tests/app/support/ReportWindowFixture.h"
#include "tests/x11/support/ClipboardManagerStandIn.h"
#include "tests/x11/support/QtClipboardTime.h"
#include "tests/x11/support/X11Tests.h"

namespace {

class WindowCloseOnX11 : public apptest::ReportWindowFixture {
 protected:
  static void SetUpTestSuite() { NewInstallation().AddCompany("001", 3); }
  void SetUp() override {
    SKIP_WITHOUT_X11();
    ReportWindowFixture::SetUp();
    Open();
    Connect();
    Press(Qt::Key_F2);
    ASSERT_TRUE(window_->CRepcliente->Active());
    ASSERT_EQ(window_->CRepcliente->RecordCount(), 3);
  }
  // Ctrl+C of every row; the bytes of each block as a paste in the program reads them.
  std::map<std::string, std::string> CopyEverything() {
    TDBGridEh& grid = *window_->DBGridEh2;
    grid.Selection().SelectEverything();
    CopyGridToClipboard(grid, false);
    EXPECT_TRUE(platform::ClipboardHoldsDelayedData());
    const TGridClipboardFormats& formats = GridClipboardFormats();
    std::map<std::string, std::string> blocks;
    for (unsigned format : {platform::CF_TEXT, platform::CF_UNICODETEXT, formats.Csv,
                            formats.RichTextFormat, formats.GRIDBIF}) {
      blocks[platform::ClipboardMimeType(format)] = platform::ReadClipboardFormat(format);
    }
    return blocks;
  }
};

TEST_F(WindowCloseOnX11, TheCopySurvivesTheCloseInTheClipboardManager) {
  testx11::ClipboardManagerStandIn manager({});
  ASSERT_TRUE(manager.Ready());
  const std::map<std::string, std::string> copied = CopyEverything();
  ASSERT_GT(copied.at("text/csv").size(), 3u);

  window_->close();
  EXPECT_FALSE(platform::ClipboardHoldsDelayedData());
  ASSERT_TRUE(manager.WaitForSave(10));
  const std::map<std::string, std::string> saved = manager.Saved();
  for (const auto& [mime, bytes] : copied) {
    ASSERT_TRUE(saved.count(mime)) << mime;
    EXPECT_TRUE(saved.at(mime) == bytes) << mime;
  }
  ASSERT_TRUE(saved.count("UTF8_STRING"));
  EXPECT_EQ(QString::fromStdString(saved.at("UTF8_STRING")),
            QString::fromUtf16(reinterpret_cast<const char16_t*>(
                copied.at("text/plain;charset=utf-16le").data())));
  testx11::LetQtTakeTheClipboardAgain();
}

TEST_F(WindowCloseOnX11, WithoutAClipboardManagerTheCloseWritesNothing) {
  CopyEverything();
  window_->close();
  EXPECT_FALSE(platform::ClipboardHoldsDelayedData());
  EXPECT_FALSE(QGuiApplication::clipboard()->ownsClipboard());
}

}  // namespace
