#include "report/ReportFields.h"

#include <cstdio>
#include <cstring>

#include "data/DB.h"
#include "data/DateText.h"
#include "grid/DBGridEh.h"

namespace report {

const std::array<TReportFieldSpec, kReportFieldCount> kReportFields = {{
    {"CODBOD", 2, "Bodega", nullptr},
    {"NOMBOD", 60, "Nombre Bodega", nullptr},
    {"EXINIAVE", 0, "Inv.Ini Aves", "#,###"},
    {"SALAVE", 0, "Sal.Aves", "#,###"},
    {"VTAAVE", 0, "Vta.Aves", "#,###"},
    {"EXFINAVE", 0, "Inv.Fin Aves", "#,###"},
    {"PORSALAVE", 0, "%Sal", "##.00%"},
    {"ENTHUEVO", 0, "Ent.Huevos", "#,###"},
    {"RENDHUEVO", 0, "%Rend.Hvos", "###.00%"},
    {"SALALIM", 0, "Sal.Alim.", "#,###"},
    {"GRAMHUEVO", 0, "Gr.Huevo", "###.00"},
    {"GRAMAVE", 0, "Gr.Ave", "###.00"},
    {"VRALIM", 0, "Vr.Alim.Kg", "#,###"},
    {"COSTOALM", 0, "Costo Alim.", "#,###"},
    {"VACUNAS", 0, "Vacunas", "#,###"},
    {"OTROSINS", 0, "Otros Ins.", "#,###"},
    {"AMORTIZA", 0, "Amortiza", "#,###"},
    {"MANOBDIR", 0, "Mano Obra", "#,###"},
    {"MANOBIND", 0, "M.Ob.Indir.", "#,###"},
    {"INDIRECTOS", 0, "Indirectos", "#,###"},
    {"TOTCOSTO", 0, "Total Costo", "#,###"},
    {"COSTOUNIT", 0, "Costo Unit.", "#,###.00"},
}};

int ReportColumnWidth(const char* fieldName) {
  if (std::strcmp(fieldName, "CODBOD") == 0) return 36;
  for (const char* wide : {"COSTOALM", "AMORTIZA", "MANOBDIR", "MANOBIND", "INDIRECTOS",
                           "TOTCOSTO"}) {
    if (std::strcmp(fieldName, wide) == 0) return 90;
  }
  return 0;
}

void CreateReportFields(TDataSet& dataSet, std::vector<std::unique_ptr<TField>>& owner) {
  for (const TReportFieldSpec& spec : kReportFields) {
    std::unique_ptr<TField> field;
    if (spec.Size > 0) {
      field = std::make_unique<TStringField>(spec.Size);
    } else {
      auto decimal = std::make_unique<TFMTBCDField>(15, 2);
      if (spec.DisplayFormat != nullptr) decimal->SetDisplayFormat(spec.DisplayFormat);
      field = std::move(decimal);
    }
    field->SetName(dataSet.Name() + spec.FieldName);
    field->SetFieldName(spec.FieldName);
    field->SetDisplayLabel(spec.DisplayLabel);
    field->SetDataSet(&dataSet);
    owner.push_back(std::move(field));
  }
}

void SetupReportGrid(TDBGridEh& grid, TDataSource* source) {
  grid.LockLayout();
  grid.SetOptionsEh(dghFixed3D | dghHighlightFocus | dghClearSelection | dghAutoSortMarking |
                    dghMultiSortMarking | dghEnterAsTab | dghIncSearch | dghPreferIncSearch |
                    dghRowHighlight | dghColumnResize | dghColumnMove | dghExtendVertLines);
  grid.SetEditActions(geaCopyEh | geaSelectAllEh);
  grid.SetReadOnly(true);
  grid.SetFlat(true);
  grid.SetOddRowColor(platform::clSilver);
  grid.SetFont({.Name = "Arial Narrow", .Size = 8});
  grid.SetTitleFont({.Name = "MS Sans Serif", .Size = 8});
  grid.SetFooterColor(platform::clMoneyGreen);
  grid.SetFooterFont({.Name = "Arial Narrow", .Size = 8, .Bold = true});
  grid.SetFooterRowCount(1);
  grid.SetSortLocal(true);
  grid.SetShowHint(true);
  grid.SumList().SetActive(true);
  grid.SumList().VirtualRecords = true;
  grid.ColumnDefValues().EndEllipsis = true;
  grid.ColumnDefValues().ToolTips = true;
  grid.ColumnDefValues().Title.TitleButton = true;
  // A title cut by a narrow column shows whole in its hint.
  grid.ColumnDefValues().Title.ToolTips = true;

  grid.Columns().BeginUpdate();
  for (const TReportFieldSpec& spec : kReportFields) {
    TColumnEh& column = grid.Columns().Add();
    column.SetFieldName(spec.FieldName);
    if (const int width = ReportColumnWidth(spec.FieldName); width > 0) column.SetWidth(width);
  }
  grid.Columns().EndUpdate();
  // Fitting starts from the stored widths, else from each field's default width: the columns
  // reach their fields through the data source before switching fitting on takes the widths
  // as reference widths.
  grid.SetDataSource(source);
  grid.SetAutoFitColWidths(true);
  grid.UnlockLayout();
}

std::string ReportDatabaseName(const std::string& server, const std::string& company) {
  return server + "/datos/" + company + "/galvora.fdb";
}

namespace {

// 'yyyy-mm-dd': the form the database reads as the same day whatever the regional settings.
std::string IsoDateLiteral(TDateTime date) {
  int year = 0, month = 0, day = 0;
  DecodeDate(date, year, month, day);
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
  return QuotedStr(text);
}

}  // namespace

std::string ReportCommandText(TDateTime start, TDateTime end) {
  return " select * from COSTOS_AVICOLA (" + IsoDateLiteral(start) + "," + IsoDateLiteral(end) +
         ")";
}

TExportDocumentInfo ReportDocumentInfo(const std::string& company, TDateTime start,
                                       TDateTime end) {
  return {"Reporte Costos Av\xED" "cola", company, DateToStr(start) + " - " + DateToStr(end)};
}

}  // namespace report
