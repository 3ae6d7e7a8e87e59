// The grid over the real client result set of a real Firebird company database: the report
// procedure's 22 columns generated from the field list, record numbers, bookmarks and moves of
// the client result set behind stripes, selection and the scroll bar.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QScrollBar>
#include <QTest>
#include <filesystem>

#include "data/DBClient.h"
#include "data/Provider.h"
#include "data/SqlExpr.h"
#include "db/CompanyDatabase.h"
#include "grid/DBGridEh.h"
#include "platform/Fonts.h"
#include "tests/data/support/SqlTestDatabase.h"

namespace {

class ClientGrid : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new std::filesystem::path(std::filesystem::temp_directory_path() /
                                        ("grid_client_" + std::to_string(::getpid())));
    std::filesystem::create_directories(*folder_);
    db::CreateCompanyDatabase((*folder_ / "galvora.fdb").string(),
                              {.sample = db::SampleData{.warehouses = 30}});
  }
  static void TearDownTestSuite() {
    std::filesystem::remove_all(*folder_);
    delete folder_;
  }

  void SetUp() override {
    platform::RegisterFontSubstitutions();
    SetupDataModuleConnection(connection_, (*folder_ / "galvora.fdb").string());
    query_.SetSQLConnection(&connection_);
    query_.SetSQL("select * from COSTOS_AVICOLA ('2022/01/01', '2022/01/31')");
    provider_.SetDataSet(&query_);
    client_.SetProviderName("PRepcliente");
    source_.SetDataSet(&client_);
    grid_.SetReadOnly(true);
    grid_.SetFlat(true);
    grid_.SetOddRowColor(platform::clSilver);
    grid_.SetFooterRowCount(1);
    grid_.SetFooterColor(platform::clMoneyGreen);
    grid_.SetEditActions(geaCopyEh | geaSelectAllEh);
    grid_.SumList().SetActive(true);
    grid_.SumList().VirtualRecords = true;
    grid_.SetAutoFitColWidths(true);
    grid_.SetDataSource(&source_);
    grid_.resize(1420, 300);
    grid_.show();
    client_.Open();
  }
  void TearDown() override {
    client_.Close();
    connection_.Close();
  }

  static std::filesystem::path* folder_;
  TSQLConnection connection_;
  TSQLQuery query_;
  TProviderOwner owner_;
  TDataSetProvider provider_{"PRepcliente", &owner_};
  TClientDataSet client_{"CRepcliente", &owner_};
  TDataSource source_;
  TDBGridEh grid_;
};

std::filesystem::path* ClientGrid::folder_ = nullptr;

TEST_F(ClientGrid, GeneratedColumnsFillTheWidthAndShowTheRecords) {
  ASSERT_EQ(client_.RecordCount(), 30);
  ASSERT_EQ(grid_.Columns().Count(), 22);
  EXPECT_EQ(grid_.Columns()[0]->FieldName(), "CODBOD");
  EXPECT_EQ(grid_.Columns()[21]->Title().Caption(), "COSTOUNIT");
  EXPECT_EQ(grid_.Columns()[2]->Alignment(), taRightJustify);
  QRect last = grid_.CellRect(22, 0);
  EXPECT_EQ(last.right() + 2, grid_.viewport()->width());
  EXPECT_EQ(grid_.ColumnDisplayText(*grid_.Columns()[0]),
            client_.FieldByName("CODBOD").DisplayText());

  QScrollBar* bar = grid_.verticalScrollBar();
  EXPECT_EQ(bar->maximum(), 30);
  client_.Last();
  EXPECT_EQ(bar->value(), 30);
  const int rows = grid_.VisibleDataRowCount();
  EXPECT_EQ(grid_.RecordNumberOfRow(rows - 1), 30);
  QImage image = grid_.viewport()->grab().toImage();
  for (int row = 0; row < rows; ++row) {
    QRect cell = grid_.CellRect(1, 1 + row);
    platform::TColor pixel =
        platform::FromQColor(image.pixelColor(cell.right() - 1, cell.top() + 2));
    EXPECT_EQ(pixel, grid_.RecordNumberOfRow(row) % 2 == 1 ? platform::clSilver
                                                           : platform::MakeColor(255, 255, 255))
        << row;
  }
}

TEST_F(ClientGrid, SelectionOverTheClientResultSet) {
  client_.MoveBy(4);
  QTest::keyClick(&grid_, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(grid_.Selection().SelectionType(), gstAll);
  QTest::keyClick(&grid_, Qt::Key_Down);
  EXPECT_EQ(client_.RecNo(), 6);
  EXPECT_EQ(grid_.Selection().SelectionType(), gstAll);
  // A new calculation starts with nothing selected.
  client_.Close();
  client_.Open();
  EXPECT_EQ(grid_.Selection().SelectionType(), gstNon);
  // Row bookmarks of the client result set sort in its order.
  grid_.SetOptions(grid_.Options() | dgMultiSelect);
  client_.MoveBy(2);
  for (int i = 0; i < 3; ++i) QTest::keyClick(&grid_, Qt::Key_Down, Qt::ShiftModifier);
  ASSERT_EQ(grid_.Selection().SelectionType(), gstRectangle);
  client_.First();
  client_.MoveBy(4);
  EXPECT_TRUE(grid_.Selection().IsCellSelected(0, client_.GetBookmark()));
  client_.MoveBy(2);
  EXPECT_FALSE(grid_.Selection().IsCellSelected(0, client_.GetBookmark()));
}

}  // namespace
