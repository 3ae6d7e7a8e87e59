#include "report/ReportFields.h"

#include <gtest/gtest.h>

#include "data/DBClient.h"
#include "data/DateText.h"
#include "grid/DBGridEh.h"
#include "platform/RegionalSettings.h"

namespace {

TEST(ReportFieldsTest, FieldsAndColumnsFollowTheReportLayout) {
  TClientDataSet dataSet("CRepcliente");
  std::vector<std::unique_ptr<TField>> owner;
  report::CreateReportFields(dataSet, owner);
  TDBGridEh grid;
  report::SetupReportGrid(grid, nullptr);

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
  EXPECT_EQ(report::ReportDatabaseName("/srv/galvora", "001"), "/srv/galvora/datos/001/galvora.fdb");
  EXPECT_EQ(report::ReportDatabaseName("", "7"), "/datos/7/galvora.fdb");

  // The dates go to the database in ISO form whatever the short date picture; a picture whose
  // literal holds a quote changes nothing either.
  const platform::TFormatSettings saved = platform::FormatSettings();
  for (const char* picture : {"dd/mm/yyyy", "yyyy/mm/dd", "m/d/yy", "dd\"'\"mm\"'\"yyyy"}) {
    platform::TFormatSettings settings = saved;
    settings.ShortDateFormat = picture;
    settings.DateSeparator = '/';
    platform::SetFormatSettings(settings);
    EXPECT_EQ(report::ReportCommandText(EncodeDate(2022, 1, 1), EncodeDate(2022, 1, 31)),
              " select * from COSTOS_AVICOLA ('2022-01-01','2022-01-31')")
        << picture;
    EXPECT_EQ(report::ReportCommandText(EncodeDate(1960, 12, 5), EncodeDate(2, 3, 4)),
              " select * from COSTOS_AVICOLA ('1960-12-05','0002-03-04')")
        << picture;
  }
  platform::SetFormatSettings(saved);
}

}  // namespace
