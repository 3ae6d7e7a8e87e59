#include "tests/app/support/Installation.h"

#include <QDate>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "db/CompanyDatabase.h"
#include "platform/RegionalSettings.h"
#include "platform/Registry.h"
#include "report/ReportFields.h"

namespace apptest {

std::string ProcedureScript(const std::string& drop, bool returnsRow) {
  std::string outputs;
  std::string assigns;
  for (const report::TReportFieldSpec& spec : report::kReportFields) {
    const std::string name = spec.FieldName;
    if (name == drop) continue;
    if (!outputs.empty()) outputs += ", ";
    outputs += name + (spec.Size > 0 ? " VARCHAR(" + std::to_string(spec.Size) + ")"
                                     : std::string(" NUMERIC(15,2)"));
    assigns += "  " + name + " = " + (spec.Size > 0 ? "'01'" : std::string("1234.5")) + ";\n";
  }
  return "SET TERM ^ ;\nCREATE PROCEDURE COSTOS_AVICOLA (FECINI DATE, FECFIN DATE) RETURNS (" +
         outputs + ") AS BEGIN\n" +
         (returnsRow ? assigns + "  SUSPEND;\n" : "  IF (1 = 0) THEN SUSPEND;\n") + "END^\n";
}

Installation::Installation() {
  folder_ = dir_.path().toStdString();
  UseDefaultRegistry();
}

std::string Installation::DatabasePath(const std::string& company) const {
  return folder_ + "/datos/" + company + "/galvora.fdb";
}

void Installation::AddCompany(const std::string& company, int warehouses, int months) {
  std::filesystem::create_directories(folder_ + "/datos/" + company);
  const QDate first = QDate::currentDate().addMonths(1 - months);
  db::CompanyDatabaseOptions options;
  options.sample = db::SampleData{.warehouses = warehouses, .months = months,
                                  .firstYear = first.year(), .firstMonth = first.month()};
  db::CreateCompanyDatabase(DatabasePath(company), options);
}

void Installation::AddCompanyWithScript(const std::string& company, const std::string& script) {
  std::filesystem::create_directories(folder_ + "/datos/" + company);
  db::CompanyDatabaseOptions options;
  options.schema = false;
  db::CreateCompanyDatabase(DatabasePath(company), options);
  db::ExecuteScript(DatabasePath(company), script);
}

void Installation::WriteFile(const std::string& name, const std::string& bytes) const {
  std::ofstream out(folder_ + "/" + name, std::ios::binary | std::ios::trunc);
  out << bytes;
}

void Installation::UseRegistry(const std::string& body) const {
  WriteFile("registry.reg", "Windows Registry Editor Version 5.00\r\n\r\n" + body);
  setenv("QOR_REGISTRY", (folder_ + "/registry.reg").c_str(), 1);
  platform::ReloadSystemRegistry();
  platform::ReloadFormatSettings();
}

void Installation::UseDefaultRegistry() const {
  UseRegistry("[HKEY_LOCAL_MACHINE\\Software\\Qor\\Galvora2025]\r\n\"Directorio\"=\"" + folder_ +
              "\"\r\n\r\n[HKEY_CURRENT_USER\\Control Panel\\International]\r\n"
              "\"sShortDate\"=\"yyyy/MM/dd\"\r\n\"sDate\"=\"/\"\r\n");
}

}  // namespace apptest
