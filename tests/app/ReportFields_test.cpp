#include "app/ReportFields.h"

#include <gtest/gtest.h>

#include "data/DBClient.h"
#include "data/DateText.h"
#include "grid/DBGridEh.h"
#include "platform/RegionalSettings.h"

namespace {

TEST(ReportFieldsTest, FieldsAndColumnsFollowTheReportLayout) {
  TClientDataSet dataSet("CRepcliente");
  std::vector<std::unique_ptr<TField>> owner;
  app::CreateReportFields(dataSet, owner);
  TDataSource source(&dataSet);
  TDBGridEh grid;
  app::SetupReportGrid(grid, &source);

  const struct {
    int index;
    const char* name;
    const char* label;
    const char* format;  // nullptr: a text field
    int size;
    int width;  // 0: no stored width
  } cases[] = {
      {0, "CODBOD", "Bodega", nullptr, 2, 36},
      {1, "NOMBOD", "Nombre Bodega", nullptr, 60, 0},
      {6, "PORSALAVE", "%Sal", "##.00%", 2, 0},
      {8, "RENDHUEVO", "%Rend.Hvos", "###.00%", 2, 0},
      {10, "GRAMHUEVO", "Gr.Huevo", "###.00", 2, 0},
      {13, "COSTOALM", "Costo Alim.", "#,###", 2, 90},
      {18, "MANOBIND", "M.Ob.Indir.", "#,###", 2, 90},
      {20, "TOTCOSTO", "Total Costo", "#,###", 2, 90},
      {21, "COSTOUNIT", "Costo Unit.", "#,###.00", 2, 0},
  };
  ASSERT_EQ(dataSet.Fields().Count(), 22);
  ASSERT_EQ(grid.Columns().Count(), 22);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TField& field = dataSet.Fields()[c.index];
    EXPECT_EQ(field.Name(), std::string("CRepcliente") + c.name);
    EXPECT_EQ(field.FieldName(), c.name);
    EXPECT_EQ(field.DisplayLabel(), c.label);
    EXPECT_EQ(field.Size(), c.size);
    if (c.format == nullptr) {
      EXPECT_EQ(field.DataType(), ftString);
    } else {
      auto& decimal = dynamic_cast<TFMTBCDField&>(field);
      EXPECT_EQ(decimal.Precision(), 15);
      EXPECT_EQ(decimal.DisplayFormat(), c.format);
    }
    const TColumnEh& column = *grid.Columns()[c.index];
    EXPECT_EQ(column.FieldName(), c.name);
    // Fitting shares the width out by reference widths: the stored ones, else the default.
    EXPECT_EQ(column.AutoFitRefWidth(), c.width > 0 ? c.width : column.DefaultWidth());
  }
  EXPECT_TRUE(grid.AutoFitColWidths());
  EXPECT_TRUE(grid.ReadOnly());
  EXPECT_EQ(grid.EditActions(), unsigned{geaCopyEh | geaSelectAllEh});
  EXPECT_EQ(grid.FooterRowCount(), 1);
  EXPECT_EQ(grid.OddRowColor(), platform::clSilver);
  EXPECT_EQ(grid.Font().Name, "Arial Narrow");
}

TEST(ReportFieldsTest, DatabaseNameAndCommandText) {
  EXPECT_EQ(app::ReportDatabaseName("/srv/galvora", "001"), "/srv/galvora/datos/001/galvora.fdb");
  EXPECT_EQ(app::ReportDatabaseName("", "7"), "/datos/7/galvora.fdb");

  const platform::TFormatSettings saved = platform::FormatSettings();
  const struct {
    const char* picture;
    const char* text;
  } cases[] = {
      {"dd/mm/yyyy", " select * from COSTOS_AVICOLA ('01/01/2022','31/01/2022')"},
      {"yyyy/mm/dd", " select * from COSTOS_AVICOLA ('2022/01/01','2022/01/31')"},
      // A quote in the date text is doubled inside the quoted argument.
      {"dd\"'\"mm\"'\"yyyy", " select * from COSTOS_AVICOLA ('01''01''2022','31''01''2022')"},
  };
  for (const auto& c : cases) {
    platform::TFormatSettings settings = saved;
    settings.ShortDateFormat = c.picture;
    settings.DateSeparator = '/';
    platform::SetFormatSettings(settings);
    EXPECT_EQ(app::ReportCommandText(EncodeDate(2022, 1, 1), EncodeDate(2022, 1, 31)), c.text)
        << c.picture;
  }
  platform::SetFormatSettings(saved);
}

}  // namespace
