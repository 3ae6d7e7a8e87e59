#pragma once

// The script of the scripted test driver (lib/libibdriver_scripted.so). A test fills a
// DriverScript, sets the connection's VendorLib to ScriptVendorLib(&script) and connects: the
// library, loaded into the same process, reads the script through that address. It returns
// the statuses, error texts, columns and rows the script holds, and records every call so
// the test can check what the connection and statements passed.

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "driver/SQLDriver.h"

struct ScriptedColumn {
  std::string name;
  uint16_t type = sqlTypeText;
  uint16_t subtype = 0;
  uint32_t length = 0;
  int16_t precision = 0;
  int16_t scale = 0;
  bool nullable = true;
  bool readOnly = false;
};

// A value as the cursor copies it into the read buffer; `bytes` empty with isNull for null.
struct ScriptedCell {
  bool isNull = true;
  std::string bytes;
};

struct DriverScript {
  // Status returned by an operation, by its name ("Entry", "NewSession", "Attach",
  // "NewCommand", "NewMetaData", "BeginTxn", "CommitTxn", "RollbackTxn", "PrepareText",
  // "BindParam", "Run", "FetchRow", "ValString", "ErrorTextLength", ...); absent = 0.
  std::map<std::string, SQLResult> statuses;
  // Error texts returned by each object kind's ErrorText (empty = length 0).
  std::string sessionError, commandError, metaDataError, cursorError;
  bool transactionsSupported = true;
  bool multipleTransactions = false;
  char quoteChar = '"';
  int32_t statementLimit = 0;
  // Whether Run hands out a cursor (false: an executed statement without rows).
  bool returnsCursor = true;
  std::vector<ScriptedColumn> columns;
  std::vector<std::vector<ScriptedCell>> rows;
  int32_t affectedRows = 0;

  // Recorded by the driver.
  std::map<std::string, int> calls;
  std::vector<std::string> log;  // e.g. "PutOption 4=1", "Attach db|user|password"

  SQLResult Status(const std::string& operation) const {
    auto found = statuses.find(operation);
    return found != statuses.end() ? found->second : SQL_SUCCESS;
  }
  int Count(const std::string& operation) const {
    auto found = calls.find(operation);
    return found != calls.end() ? found->second : 0;
  }
};

// The VendorLib text that hands `script` to the scripted driver.
inline std::string ScriptVendorLib(DriverScript* script) {
  char text[48];
  std::snprintf(text, sizeof text, "script:%p", static_cast<void*>(script));
  return text;
}

// Cells in the read-buffer form of each type.
template <typename T>
ScriptedCell ScriptedValue(const T& value) {
  return ScriptedCell{false, std::string(reinterpret_cast<const char*>(&value), sizeof value)};
}
inline ScriptedCell ScriptedText(const std::string& text) {
  return ScriptedCell{false, text + '\0'};
}
inline ScriptedCell ScriptedNull() { return ScriptedCell{}; }
