#pragma once

// The Firebird client library, opened at run time by name (the connection's VendorLib) so the
// driver has no link-time dependency on it. Only the classic API entries the driver uses.

#include <ibase.h>

#include <string>

namespace ibdriver {

struct FbClient {
  decltype(&isc_attach_database) attach_database = nullptr;
  decltype(&isc_detach_database) detach_database = nullptr;
  decltype(&isc_start_multiple) start_multiple = nullptr;
  decltype(&isc_commit_transaction) commit_transaction = nullptr;
  decltype(&isc_commit_retaining) commit_retaining = nullptr;
  decltype(&isc_rollback_transaction) rollback_transaction = nullptr;
  decltype(&isc_dsql_allocate_statement) dsql_allocate_statement = nullptr;
  decltype(&isc_dsql_prepare) dsql_prepare = nullptr;
  decltype(&isc_dsql_describe) dsql_describe = nullptr;
  decltype(&isc_dsql_describe_bind) dsql_describe_bind = nullptr;
  decltype(&isc_dsql_execute) dsql_execute = nullptr;
  decltype(&isc_dsql_execute2) dsql_execute2 = nullptr;
  decltype(&isc_dsql_fetch) dsql_fetch = nullptr;
  decltype(&isc_dsql_free_statement) dsql_free_statement = nullptr;
  decltype(&isc_dsql_sql_info) dsql_sql_info = nullptr;
  decltype(&isc_open_blob2) open_blob2 = nullptr;
  decltype(&isc_create_blob2) create_blob2 = nullptr;
  decltype(&isc_get_segment) get_segment = nullptr;
  decltype(&isc_put_segment) put_segment = nullptr;
  decltype(&isc_close_blob) close_blob = nullptr;
  decltype(&isc_blob_info) blob_info = nullptr;
  decltype(&fb_interpret) interpret = nullptr;
  decltype(&fb_cancel_operation) cancel_operation = nullptr;
  // The Firebird root (FIREBIRD) in effect when the library was loaded; "" = its default.
  std::string root;
  // The programs' own root beside the driver, the one to name in advice; "" when none.
  std::string programsRoot;
  // Set when FIREBIRD names no usable root: the whole message; attaches are refused with it.
  std::string rootProblem;

  // Opens the library `name` (kept loaded for the life of the process) and resolves the
  // entries. Before the library first comes into the process, the Firebird root beside this
  // driver is chosen (ChooseFirebirdRoot), so local databases are opened in the shared mode.
  // Returns null when the library or an entry is missing.
  static const FbClient* Load(const std::string& name);
};

// The readable text of a status vector: the server's messages, one per line. When another
// process holds a local file in the other engine mode, a last line names that cause.
std::string StatusText(const FbClient& api, const ISC_STATUS* status);

// True when the status vector carries the error code `code`.
bool HasCode(const ISC_STATUS* status, ISC_STATUS code);

// The line that explains isc_already_opened: the file is held by a program in the other
// engine mode; it names `root`, the root every program should use (the programs' own, else the
// one this process uses), when not empty.
std::string MixedModesText(const std::string& root);

// Reads a little-endian integer of `length` bytes from an info buffer.
int64_t InfoInteger(const char* data, int length);

}  // namespace ibdriver
