#pragma once

// A demo installation for the window tests, in a temporary folder: company databases under
// datos/, the server list file and a registry file the program is pointed at.

#include <QTemporaryDir>
#include <string>

namespace apptest {

// The 22 report columns as procedure outputs, without the ones named in `drop` (a column
// name or empty), for procedures the tests write themselves.
std::string ProcedureScript(const std::string& drop, bool returnsRow);

class Installation {
 public:
  Installation();
  const std::string& Folder() const { return folder_; }
  std::string DatabasePath(const std::string& company) const;
  // Creates company `company` with the sample data (`warehouses` warehouses, `months` months
  // through the current one) or, with `procedure` given, an empty schema-less database holding
  // that script.
  void AddCompany(const std::string& company, int warehouses, int months = 1);
  void AddCompanyWithScript(const std::string& company, const std::string& script);
  void WriteFile(const std::string& name, const std::string& bytes) const;
  // Writes registry.reg with `body` after the header, points QOR_REGISTRY at it and reloads.
  void UseRegistry(const std::string& body) const;
  // The usual registry: Galvora2025\Directorio = Folder(), short dates as yyyy/mm/dd.
  void UseDefaultRegistry() const;

 private:
  QTemporaryDir dir_;
  std::string folder_;
};

}  // namespace apptest
