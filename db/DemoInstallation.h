#pragma once
// A demo installation folder as the report program finds it: the company database under
// datos/<company>/, the server list SERVIDORES.cfg and a registry file for QOR_REGISTRY.

#include <string>

#include "db/CompanyDatabase.h"

namespace db {

struct DemoInstallation {
  std::string folder;    // absolute, without a trailing "/"
  std::string database;  // folder + "/datos/" + company + "/galvora.fdb"
  std::string serverList;
  std::string registry;
};

// Creates folder (and its parents) with SERVIDORES.cfg holding the folder's absolute path
// ended by CR LF, registry.reg (RegistryText) and the company database (CreateCompanyDatabase
// with options). The database is built as "galvora.fdb.unfinished.<pid>" and renamed when
// complete; unfinished databases of runs that ended are removed first. Throws DatabaseError
// when the database exists already (nothing is touched then), when the path does not fit the
// server list's 255-character line, or when a file cannot be written.
DemoInstallation CreateDemoInstallation(const std::string& folder,
                                        const CompanyDatabaseOptions& options,
                                        const std::string& company = "001");

// CreateDemoInstallation without the server list and the registry file: only the company
// database is made (same checks, same unfinished name); the two paths are returned unwritten.
DemoInstallation CreateDemoDatabase(const std::string& folder,
                                    const CompanyDatabaseOptions& options,
                                    const std::string& company = "001");

// For stop handlers, right before the process ends: removes the database being built, if any,
// and keeps it from taking its name.
void DiscardUnfinishedDatabase();

// The registry file of an installation in folder: HKEY_LOCAL_MACHINE\Software\Qor\Galvora2025
// "Directorio" = folder, and regional settings whose short date ("yyyy/MM/dd", "/") the
// database reads, with "." and "," as decimal and thousand separators. Lines end in CR LF.
std::string RegistryText(const std::string& folder);

// Months from January 2022 through the current month of the local clock (at least 1).
int MonthsThroughCurrentMonth();

}  // namespace db
