#pragma once

// Helpers of the connection and statements: trimming and number conversion as the settings
// need them, the parameter marker rewriting of direct execution, the hourglass cursor and the
// connection definition files.

#include <cstdint>
#include <string>

class TSQLConnection;

namespace sqlsupport {

// The text without leading and trailing characters below code 33.
std::string Trim(const std::string& text);
// Decimal (or "$" hexadecimal) integer; throws EConvertError "'%s' is not a valid integer
// value" otherwise.
int32_t StrToInt(const std::string& text);
// Replaces every parameter reference of `sql` by " ? ": a colon outside quotes that follows a
// blank, "(", ")", ",", "=", "<", ">", CR or LF, up to the next blank, ")", ",", CR or LF
// outside quotes or the end. The single quote and `quoteChar` switch quoting on and off.
// Each reference is replaced in its own place.
std::string ReplaceParamMarkers(const std::string& sql, const std::string& quoteChar);
// True when the first word of `sql` is SELECT (without regard to case).
bool IsSelect(const std::string& sql);

// Shows the hourglass cursor while it lives (when `enabled`).
class Hourglass {
 public:
  explicit Hourglass(bool enabled);
  ~Hourglass();
  Hourglass(const Hourglass&) = delete;
  Hourglass& operator=(const Hourglass&) = delete;

 private:
  bool shown_;
};

// Definition files (only with LoadParamsOnConnect): the section of ConnectionName in the
// connection definitions file replaces Params and DriverName; the section of DriverName in
// the driver definitions file gives LibraryName, VendorLib and GetDriverFunc.
void LoadConnectionDefinition(TSQLConnection& connection);
void LoadDriverDefinition(TSQLConnection& connection);

}  // namespace sqlsupport
