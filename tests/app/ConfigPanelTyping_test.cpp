// Typing into the configuration panel of the real window: string edits stop at their field's
// size and number edits take only the decimal separator of the regional settings.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <memory>

#include "app/ConfigPanel.h"
#include "app/DBEdit.h"
#include "app/rngrepcostoav.h"
#include "data/DBClient.h"
#include "db/CompanyDatabase.h"
#include "platform/RegionalSettings.h"
#include "report/dm.h"
#include "tests/app/support/Fakes.h"
#include "tests/app/support/ReportWindowFixture.h"
#include "tests/app/support/Window.h"

namespace {

class ConfigPanelTyping : public apptest::ReportWindowFixture {
 protected:
  static void SetUpTestSuite() { NewInstallation().AddCompany("001", 1); }
  void SetUp() override {
    ReportWindowFixture::SetUp();
    saved_ = platform::FormatSettings();
    // Decimal comma: number fields take their separator when they are made.
    platform::TFormatSettings settings = saved_;
    settings.DecimalSeparator = ',';
    settings.ThousandSeparator = '.';
    platform::SetFormatSettings(settings);
    Open();
    Connect();
    Press(Qt::Key_F7);
    ASSERT_TRUE(boxes_.shown.empty()) << boxes_.shown.front().text;
    ASSERT_TRUE(window_->AdvPanel1->isVisible());
  }
  void TearDown() override {
    ReportWindowFixture::TearDown();
    platform::SetFormatSettings(saved_);
  }

  platform::TFormatSettings saved_;
  apptest::RecordingBoxes boxes_;
};

TEST_F(ConfigPanelTyping, EditsRefuseCharactersPastTheFieldSizeAndForeignSeparators) {
  app::TConfigPanel& panel = *window_->AdvPanel1;
  struct Case {
    app::TDBEdit* edit;
    const char* typed;
    const char* shown;
  } cases[] = {
      {panel.DBEdit1, "ABCDEFGHIJKLMNOP", "ABCDEFGHIJKLMNO"},  // codes: 15 characters
      {panel.DBEdit2, "123456789012345X", "123456789012345"},
      {panel.DBEdit4, "HVOSX", "HVOS"},  // prefixes: 4
      {panel.DBEdit5, "SALEX", "SALE"},
      {panel.DBEdit6, "17.250,5", "17250,5"},  // "." is not the decimal separator here
      {panel.DBEdit7, "-2.5,a75", "-25,75"},
  };
  for (const Case& k : cases) {
    apptest::Type(k.edit, k.typed);
    EXPECT_EQ(k.edit->text().toStdString(), k.shown) << k.typed;
  }
  // A full edit takes nothing more at its end either.
  panel.DBEdit4->end(false);
  QTest::keyClick(panel.DBEdit4, Qt::Key_Z);
  EXPECT_EQ(panel.DBEdit4->text(), "HVOS");

  // What was typed is what is saved, the comma read as the decimal separator.
  QTest::mouseClick(panel.SpeedButton5, Qt::LeftButton);
  EXPECT_TRUE(boxes_.shown.empty()) << boxes_.shown.front().text;
  EXPECT_FALSE(panel.isVisible());
  const db::QueryResult row = db::QueryText(
      install_->DatabasePath("001"),
      "SELECT COCP_CODINS2, COCP_CODINS3, COCP_PREFEP, COCP_PREFSA, COCP_VRAMOR, COCP_PORCA1"
      " FROM CONFIGURA_COSTOS_PROD");
  ASSERT_EQ(row.rows.size(), 1u);
  EXPECT_EQ(row.rows[0], (std::vector<std::optional<std::string>>{
                             "ABCDEFGHIJKLMNO", "123456789012345", "HVOS", "SALE", "17250.50",
                             "-25.7500"}));
}

}  // namespace
