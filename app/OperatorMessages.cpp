#include "app/OperatorMessages.h"

#include "platform/Cp1252.h"

namespace app {

bool IsMissingDatabase(const std::string& engineMessage) {
  return engineMessage.find("I/O error during \"open\"") != std::string::npos &&
         engineMessage.find("No such file or directory") != std::string::npos;
}

std::string MissingCompanyMessage(const std::string& company, const std::string& server,
                                  const std::string& database) {
  return "La compa\xF1\xED" "a " + platform::FileNameText(company) +
         " no tiene base de datos en la carpeta del servidor " + platform::FileNameText(server) +
         " (falta " + platform::FileNameText(database) + ").";
}

std::string DatesReversedMessage(const std::string& start, const std::string& end) {
  return "La fecha Desde (" + start + ") es posterior a la fecha Hasta (" + end +
         "): no se calcula el reporte.";
}

}  // namespace app
