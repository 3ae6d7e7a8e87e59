// Faults said in the operator's words: a company without a database in the server's folder,
// and a period whose start is after its end, refused before anything runs.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "app/Controls.h"
#include "app/OperatorMessages.h"
#include "app/rngrepcostoav.h"
#include "data/DBClient.h"
#include "data/SqlExpr.h"
#include "platform/Cp1252.h"
#include "tests/app/support/Fakes.h"
#include "tests/app/support/ReportWindowFixture.h"

namespace {

TEST(OperatorMessagesTest, OnlyAMissingFileIsAMissingDatabase) {
  const struct {
    const char* message;
    bool missing;
  } cases[] = {
      {"I/O error during \"open\" operation for file \"/s/datos/999/galvora.fdb\"\n"
       "Error while trying to open file\nNo such file or directory",
       true},
      {"I/O error during \"open\" operation for file \"/s/datos/001/galvora.fdb\"\n"
       "Error while trying to open file\nPermission denied",
       false},
      {"Your user name and password are not defined.", false},
      {"", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    EXPECT_EQ(app::IsMissingDatabase(c.message), c.missing);
  }
}

class OperatorMessagesWindowTest : public apptest::ReportWindowFixture {
 protected:
  static void SetUpTestSuite() { NewInstallation().AddCompany("001", 3); }
};

TEST_F(OperatorMessagesWindowTest, AnUnknownCompanyIsNamedWithThePathLookedAt) {
  apptest::RecordingBoxes boxes;
  Tfrepcostoav& w = Open();
  Connect("999");
  const std::string folder = install_->Folder();
  EXPECT_EQ(boxes.Texts(),
            std::vector<std::string>({"La compa\xF1\xED" "a 999 no tiene base de datos en la "
                                      "carpeta del servidor " + folder + " (falta " + folder +
                                      "/datos/999/galvora.fdb)."}));
  EXPECT_FALSE(dataModule_->Galvora->Connected());
  EXPECT_FALSE(w.Panel5->isVisible());
}

TEST_F(OperatorMessagesWindowTest, AStartAfterTheEndIsRefusedBeforeAnythingRuns) {
  apptest::RecordingBoxes boxes;
  apptest::AnsweringSaveDialogs saves;
  Tfrepcostoav& w = Open();
  Connect("001");
  ASSERT_TRUE(dataModule_->Galvora->Connected());
  int calculations = 0;
  w.CRepcliente->BeforeOpen = [&](TDataSet&) { ++calculations; };
  w.EFecIni->SetDate(QDate(2025, 12, 31));
  w.EFecFin->SetDate(QDate(2025, 12, 1));
  const std::string expected = app::DatesReversedMessage(
      platform::FromQString(w.EFecIni->text()), platform::FromQString(w.EFecFin->text()));
  EXPECT_NE(expected.find("2025"), std::string::npos);
  for (const Qt::Key key : {Qt::Key_F2, Qt::Key_F4}) {
    boxes.shown.clear();
    Press(key);
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>({expected}));
  }
  EXPECT_EQ(calculations, 0);
  EXPECT_TRUE(saves.requests.empty());
  // The same day at both ends is a period.
  w.EFecFin->SetDate(QDate(2025, 12, 31));
  boxes.shown.clear();
  Press(Qt::Key_F2);
  EXPECT_EQ(calculations, 1);
}

}  // namespace
