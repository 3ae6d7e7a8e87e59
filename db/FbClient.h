#pragma once
// A thin layer over the Firebird client API for building and loading company databases:
// one attachment, one transaction at a time, prepared statements with typed parameters.
// Text is passed through as bytes (the attachments use the WIN1252 connection character set).

#include <ibase.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/CompanyDatabase.h"

namespace db {

// Days since 17 November 1858 (the client API's date) for a calendar day.
ISC_DATE EncodeDate(int year, int month, int day);
// The calendar day of a client API date as "yyyy-mm-dd".
std::string DateText(ISC_DATE date);

class Statement;

// An attachment to one database file with at most one open transaction. Statements that
// are not queries run in the open transaction, or in one of their own when none is open.
class Attachment {
 public:
  // Creates the database file (WIN1252, dialect 3) and attaches to it.
  static Attachment Create(const std::string& path, const std::string& user,
                           const std::string& password, int pageSize, bool forcedWrites);
  static Attachment Open(const std::string& path, const std::string& user,
                         const std::string& password);
  Attachment(Attachment&& other) noexcept;
  Attachment& operator=(Attachment&&) = delete;
  ~Attachment();

  // Requires: no transaction is open. bulk = no undo log (for large loads).
  void StartTransaction(bool bulk = false);
  void Commit();
  void Rollback();
  bool InTransaction() const { return transaction_ != 0; }

  // Runs one statement; a statement given without an open transaction is committed.
  void Execute(const std::string& sql);
  // Runs a query and returns its rows as text (see QueryText in CompanyDatabase.h).
  QueryResult Query(const std::string& sql);

  isc_db_handle* Handle() { return &handle_; }
  isc_tr_handle* TransactionHandle() { return &transaction_; }

 private:
  Attachment() = default;
  isc_db_handle handle_ = 0;
  isc_tr_handle transaction_ = 0;
};

// A prepared statement whose parameters are declared before the first execution. Values are
// set by position and kept until changed.
class Statement {
 public:
  Statement(Attachment& attachment, const std::string& sql);
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  ~Statement();

  // Parameter declarations, in the order of the statement's markers.
  void DeclareInteger();
  void DeclareDate();
  void DeclareText(int maxBytes);
  void DeclareNumeric(int scale);  // an exact number held as an integer of 10^-scale units

  void SetInteger(int index, int32_t value);
  void SetDate(int index, ISC_DATE value);
  void SetText(int index, std::string_view value);
  void SetNumeric(int index, int64_t units);
  void SetNull(int index);

  // Requires: the attachment has an open transaction.
  void Execute();

 private:
  void Declare(short type, short length, short scale);
  void Layout();
  XSQLVAR& Var(int index);

  Attachment& attachment_;
  isc_stmt_handle handle_ = 0;
  std::vector<char> sqldaBytes_;
  std::vector<char> data_;
  std::vector<short> nulls_;
  struct Param {
    short type, length, scale;
    size_t offset;
  };
  std::vector<Param> params_;
  bool laidOut_ = false;
};

// Throws DatabaseError with the client library's messages when status reports an error.
void Check(const ISC_STATUS* status, std::string_view context);

}  // namespace db
