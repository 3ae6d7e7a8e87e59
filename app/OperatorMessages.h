#pragma once

// Messages in the operator's words for faults whose engine text would not tell them what to
// do: a company without a database, a period that ends before it starts.

#include <string>

namespace app {

// True when `engineMessage` says the database file to open does not exist (the engine's
// "I/O error during "open" ..." with "No such file or directory").
bool IsMissingDatabase(const std::string& engineMessage);

// "La compañía C no tiene base de datos en la carpeta del servidor S (falta D)." for company
// C, server entry S and database D (file-system text); the result is Windows-1252.
std::string MissingCompanyMessage(const std::string& company, const std::string& server,
                                  const std::string& database);

// "La fecha Desde (A) es posterior a la fecha Hasta (B): no se calcula el reporte." with the
// dates as the operator sees them (Windows-1252).
std::string DatesReversedMessage(const std::string& start, const std::string& end);

}  // namespace app
