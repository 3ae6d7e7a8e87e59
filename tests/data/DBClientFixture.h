#pragma once

// A small in-memory table to feed providers in client result set tests: columns with types,
// rows of values as text (nullopt = NULL), counters of what the provider asked of it; and a
// form's chain of such a table, its provider and a client result set.

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "data/DB.h"
#include "data/DBClient.h"
#include "data/Provider.h"

namespace dbclienttest {

struct MemColumn {
  std::string name;
  TFieldType type;
  int size = 0;
  int precision = 0;
};

using MemRow = std::vector<std::optional<std::string>>;

class MemTable : public TDataSet, public IProviderSupport {
 public:
  explicit MemTable(std::string name = "MemTable") : TDataSet(std::move(name)) {}
  ~MemTable() override { Close(); }

  std::vector<MemColumn> columns;
  std::vector<MemRow> rows;
  int opens = 0;
  int resets = 0;
  std::string commandText;
  std::string failOnOpen;  // when set, opening raises this message
  // Applying updates: the statements run, the rows each one affects (1 when not listed; a
  // negative count raises "server says no"), and the transaction's fate.
  std::string tableName = "CONFIGURA_COSTOS_PROD";
  std::vector<std::string> statements;
  std::vector<TParams> statementParams;
  std::vector<int> affected;
  bool inTransaction = false;
  int commits = 0;
  int rollbacks = 0;

  bool GetFieldData(const TField& field, void* buffer) const override {
    const TRecordBuffer* record = ActiveBuffer();
    if (record == nullptr || field.FieldNo() <= 0) return false;
    int row = 0;
    std::memcpy(&row, record->Data.data(), sizeof row);
    const auto& value = rows[static_cast<size_t>(row)][static_cast<size_t>(field.FieldNo() - 1)];
    if (!value) return false;
    if (buffer == nullptr) return true;
    switch (field.DataType()) {
      case ftInteger: {
        const int32_t v = std::stoi(*value);
        std::memcpy(buffer, &v, 4);
        break;
      }
      case ftBCD:
      case ftFMTBcd: {
        TBcd v;
        TryTextToBcd(*value, '.', v);
        std::memcpy(buffer, &v, sizeof v);
        break;
      }
      default:
        std::memcpy(buffer, value->c_str(), value->size() + 1);
        break;
    }
    return true;
  }

  void PSSetCommandText(const std::string& text) override {
    if (!text.empty()) commandText = text;
  }
  void PSSetParams(const TParams&) override {}
  TParams PSGetParams() const override { return {}; }
  void PSReset() override {
    ++resets;
    if (Active()) First();
  }
  void PSExecute() override {}
  int32_t PSGetLocaleId() const override { return 0; }
  bool PSInTransaction() const override { return inTransaction; }
  void PSStartTransaction() override { inTransaction = true; }
  void PSEndTransaction(bool commit) override {
    inTransaction = false;
    ++(commit ? commits : rollbacks);
  }
  std::string PSGetTableName() const override { return tableName; }
  bool PSIsSQLBased() const override { return true; }
  int PSExecuteStatement(const std::string& sql, const TParams& params) override {
    statements.push_back(sql);
    statementParams.push_back(params);
    const size_t index = statements.size() - 1;
    const int rows = index < affected.size() ? affected[index] : 1;
    if (rows < 0) throw EDatabaseError("server says no");
    return rows;
  }

 protected:
  void InternalOpen() override {
    ++opens;
    if (!failOnOpen.empty()) throw EDatabaseError(failOnOpen);
    InternalInitFieldDefs();
    if (DefaultFields()) {
      CreateFields();
    } else {
      BindFields(true);
    }
    position_ = -1;
    open_ = true;
  }
  void InternalClose() override {
    BindFields(false);
    if (DefaultFields()) DestroyCreatedFields();
    open_ = false;
  }
  bool IsCursorOpen() const override { return open_; }
  void InternalInitFieldDefs() override {
    FieldDefs().Clear();
    for (const MemColumn& c : columns) {
      TFieldDef def;
      def.Name = c.name;
      def.DataType = c.type;
      def.Size = c.size;
      def.Precision = c.precision;
      FieldDefs().Add(def);
    }
  }
  size_t RecordBufferSize() const override { return sizeof(int); }
  TGetResult GetRecord(TRecordBuffer& buffer, TGetMode mode) override {
    const int count = static_cast<int>(rows.size());
    const int target =
        mode == gmCurrent ? position_ : (mode == gmNext ? position_ + 1 : position_ - 1);
    if (target < 0) {
      position_ = -1;
      return grBOF;
    }
    if (target >= count) {
      position_ = count;
      return grEOF;
    }
    position_ = target;
    buffer.Data.resize(sizeof(int));
    std::memcpy(buffer.Data.data(), &position_, sizeof position_);
    return grOK;
  }
  void InternalFirst() override { position_ = -1; }
  void InternalLast() override { position_ = static_cast<int>(rows.size()); }
  void InternalSetToRecord(const TRecordBuffer& buffer) override {
    std::memcpy(&position_, buffer.Data.data(), sizeof position_);
  }

 private:
  int position_ = -1;
  bool open_ = false;
};

// The owner (a form), its provider over an in-memory source of `rows` in four columns (a code,
// a name, a count and an amount) and the client result set it feeds, each named as the form
// names it. Opens nothing.
struct ProviderChain {
  ProviderChain(const std::string& sourceName, const std::string& providerName,
                const std::string& clientName, std::vector<MemRow> rows)
      : source(sourceName), provider(providerName, &owner), client(clientName, &owner) {
    source.columns = {{"CODBOD", ftString, 10},
                      {"NOMBRE", ftString, 40},
                      {"CANT", ftInteger},
                      {"VALOR", ftFMTBcd, 2, 15}};
    source.rows = std::move(rows);
    provider.SetDataSet(&source);
    provider.SetOptions(poAllowCommandText);
    client.SetProviderName(providerName);
  }

  TProviderOwner owner;
  MemTable source;
  TDataSetProvider provider;
  TClientDataSet client;
};

// Counts the notices a data source passes to one link.
class CountingLink : public TDataLink {
 public:
  int dataSetChanged = 0;
  int scrolled = 0;
  int layoutChanged = 0;

 protected:
  void DataSetChanged() override { ++dataSetChanged; }
  void DataSetScrolled(int) override { ++scrolled; }
  void LayoutChanged() override { ++layoutChanged; }
};

}  // namespace dbclienttest
