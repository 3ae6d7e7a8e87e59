// Applying a change packet: one UPDATE, INSERT or DELETE per changed row, run inside one
// transaction, failures counted and sent back as an error packet.

#include <algorithm>
#include <climits>
#include <cstring>

#include "data/DSEngine.h"
#include "data/Provider.h"
#include "data/TextCase.h"

namespace {

// One column of the change packet with what the resolver needs of it.
struct DeltaField {
  std::string name;
  std::string origin;
  TProviderFlags flags = pfInUpdate | pfInWhere;
  DSFLDDesc desc{};
  bool readOnly = false;
  bool serverCalc = false;
  bool blob = false;
};

// The value of one field of a record buffer: state 0 value, 1 null, 2 unassigned.
struct FieldValue {
  int32_t state = 1;
  TVariant value;
  TFieldType type = ftUnknown;
};

TFieldType TypeOf(const DSFLDDesc& d) {
  switch (d.iFldType) {
    case DSFLD_ZSTRING:
    case DSFLD_UNICODE:
      return ftString;
    case DSFLD_INT:
      return DSTypeSize(d.iTypeWord) == 8 ? ftLargeint
                                          : (DSTypeSize(d.iTypeWord) == 4 ? ftInteger : ftSmallint);
    case DSFLD_BOOL:
      return ftBoolean;
    case DSFLD_FLOAT:
      return ftFloat;
    case DSFLD_BCD:
      return ftBCD;
    case DSFLD_FMTBCD:
      return ftFMTBcd;
    case DSFLD_DATE:
      return ftDate;
    case DSFLD_TIME:
      return ftTime;
    case DSFLD_DATETIME:
      return ftDateTime;
    case DSFLD_TIMESTAMP:
      return ftTimeStamp;
    default:
      return (d.iTypeWord & DSTYPE_VARYING) && DSTypeSize(d.iTypeWord) == 4 ? ftBlob : ftVarBytes;
  }
}

FieldValue ReadValue(IDSCursor* cursor, const std::vector<uint8_t>& record, uint32_t no,
                     const DSFLDDesc& d) {
  FieldValue v;
  v.type = TypeOf(d);
  std::vector<uint8_t> slot(d.iFldLen + 1, 0);
  cursor->CurGetField(record.data(), no, slot.data(), &v.state);
  if (v.state != 0) return v;
  const uint8_t* p = slot.data();
  auto readInt = [p](uint32_t size) -> int64_t {
    if (size == 1) return static_cast<int8_t>(p[0]);
    if (size == 2) {
      int16_t x;
      std::memcpy(&x, p, 2);
      return x;
    }
    if (size == 4) {
      int32_t x;
      std::memcpy(&x, p, 4);
      return x;
    }
    int64_t x;
    std::memcpy(&x, p, 8);
    return x;
  };
  switch (d.iFldType) {
    case DSFLD_ZSTRING:
    case DSFLD_UNICODE:
      v.value = std::string(reinterpret_cast<const char*>(p),
                            strnlen(reinterpret_cast<const char*>(p), d.iFldLen));
      break;
    case DSFLD_INT:
      v.value = readInt(DSTypeSize(d.iTypeWord));
      break;
    case DSFLD_BOOL:
      v.value = readInt(DSTypeSize(d.iTypeWord)) != 0;
      break;
    case DSFLD_FLOAT: {
      double x;
      std::memcpy(&x, p, 8);
      v.value = x;
      break;
    }
    case DSFLD_BCD:
    case DSFLD_FMTBCD: {
      TBcd x{};
      std::memcpy(&x, p, std::min<size_t>(d.iFldLen, sizeof x));
      v.value = x;
      break;
    }
    case DSFLD_DATE:
    case DSFLD_TIME:
    case DSFLD_DATETIME: {
      double x = 0;
      std::memcpy(&x, p, std::min<size_t>(d.iFldLen, 8));
      v.value = TVarDate{x};
      break;
    }
    default:
      v.value = std::string(reinterpret_cast<const char*>(p), d.iFldLen);
      break;
  }
  return v;
}

}  // namespace

struct TSQLResolver::Impl {
  TDataSetProvider& provider;
  IProviderSupport& support;
  std::vector<std::string>& executed;
  std::vector<DeltaField> fields;
  std::string quote;
  std::string tableName;
  std::string quotedTable;
  bool sqlBased = true;
  DSRef<IDSBase> store;
  DSRef<IDSCursor> cursor;
  uint32_t recordSize = 0;

  // A column as statements write it: table prefix (empty for SQL sources), quote, origin, quote.
  std::string Column(const DeltaField& f) const { return quote + f.origin + quote; }

  void Load(const std::vector<uint8_t>& delta) {
    store = DSRef<IDSBase>(dsclient::NewStore());
    dsclient::Check(store->DsAppendPacket(delta.data(), static_cast<uint32_t>(delta.size()), 1),
                    store.get());
    cursor = DSRef<IDSCursor>(dsclient::NewCursor());
    dsclient::Check(cursor->CurInit(store.get()), store.get());
    DSProps props{};
    dsclient::Check(store->DsProps(&props), store.get());
    recordSize = props.iRecBufSize;
    std::vector<DSFLDDesc> descs(props.iFields);
    if (props.iFields > 0) dsclient::Check(store->DsFieldDescs(descs.data()), store.get());
    bool anyKey = false;
    for (uint32_t i = 0; i < props.iFields; ++i) {
      DeltaField f;
      f.desc = descs[i];
      f.name = std::string(descs[i].szName, strnlen(descs[i].szName, 32));
      f.readOnly = (descs[i].iFldAttr & DSATTR_READONLY) != 0;
      uint32_t type = 0, length = 0;
      const void* value = nullptr;
      const uint32_t no = i + 1;
      if (store->DsOptParam(0, no, "PROVFLAGS", &type, &length, &value) == DBERR_NONE &&
          length == 4) {
        int32_t flags;
        std::memcpy(&flags, value, 4);
        f.flags = static_cast<TProviderFlags>(flags);
      }
      if (store->DsOptParam(0, no, "SERVER_CALC", &type, &length, &value) == DBERR_NONE) {
        f.serverCalc = length > 0 && static_cast<const uint8_t*>(value)[0] != 0;
      }
      std::string origin;
      if (store->DsOptParam(0, no, "ORIGIN", &type, &length, &value) == DBERR_NONE) {
        origin.assign(static_cast<const char*>(value), length);
      }
      // The field part of "table.field", or the field's own name.
      const size_t dot = origin.rfind('.');
      f.origin =
          origin.empty() ? f.name : (dot == std::string::npos ? origin : origin.substr(dot + 1));
      const TFieldType t = TypeOf(descs[i]);
      f.blob = t == ftBlob;
      anyKey = anyKey || (f.flags & pfInKey);
      fields.push_back(std::move(f));
    }
    // Without key flags in the packet, the source's key fields become the keys.
    if (!anyKey) {
      const std::string keys = support.PSGetKeyFields();
      size_t start = 0;
      while (start < keys.size()) {
        size_t end = keys.find(';', start);
        if (end == std::string::npos) end = keys.size();
        const std::string key = keys.substr(start, end - start);
        for (DeltaField& f : fields) {
          if (!key.empty() && SameTextCp1252(f.origin, key)) f.flags |= pfInKey;
        }
        start = end + 1;
      }
    }
    uint32_t type = 0, length = 0;
    const void* value = nullptr;
    if (store->DsOptParam(0, 0, "TABLE_NAME", &type, &length, &value) == DBERR_NONE) {
      tableName.assign(static_cast<const char*>(value), length);
    } else {
      tableName = support.PSGetTableName();
    }
    if (tableName.empty()) DatabaseError("Unable to resolve records.  Table name not found.");
    quote = support.PSGetQuoteChar();
    sqlBased = support.PSIsSQLBased();
    const char first = tableName.front(), last = tableName.back();
    if (first == '"' || first == '\'' || first == '`' || last == '"' || last == '\'' ||
        last == '`') {
      quotedTable = tableName;
    } else if (sqlBased) {
      size_t start = 0;
      while (true) {
        const size_t dot = tableName.find('.', start);
        quotedTable += quote + tableName.substr(start, dot - start) + quote;
        if (dot == std::string::npos) break;
        quotedTable += ".";
        start = dot + 1;
      }
    } else {
      quotedTable = quote + tableName + quote;
    }
  }

  bool InSetList(const DeltaField& f, const FieldValue& value) const {
    return (f.flags & pfInUpdate) && !f.readOnly && !f.serverCalc && !(f.flags & pfHidden) &&
           value.state != 2;
  }

  bool InWhere(const DeltaField& f, const FieldValue& newValue) const {
    if (f.blob || f.serverCalc || f.desc.iFldLen >= 8192) return false;
    switch (provider.UpdateMode()) {
      case upWhereAll:
        return (f.flags & pfInWhere) != 0;
      case upWhereChanged:
        return (f.flags & pfInKey) || ((f.flags & pfInWhere) && newValue.state != 2);
      default:
        return (f.flags & pfInKey) != 0;
    }
  }

  static void AddParam(TParams& params, const FieldValue& v) {
    TParam param;
    param.Name = std::to_string(params.Count() + 1);
    param.DataType = v.type;
    param.ParamType = ptInput;
    param.Value = v.state == 0 ? v.value : TVariant(TVarNull{});
    params.Add(param);
  }

  void Where(std::vector<std::string>& lines, TParams& params,
             const std::vector<FieldValue>& oldValues,
             const std::vector<FieldValue>& newValues) const {
    std::vector<std::string> entries;
    for (size_t i = 0; i < fields.size(); ++i) {
      if (!InWhere(fields[i], newValues[i])) continue;
      if (oldValues[i].state != 0) {
        entries.push_back(" " + Column(fields[i]) + " is null and");
      } else {
        entries.push_back(" " + Column(fields[i]) + " = ? and");
        AddParam(params, oldValues[i]);
      }
    }
    if (entries.empty()) DatabaseError("Unable to find record.  No key specified");
    entries.back().erase(entries.back().size() - 4);
    lines.push_back("where");
    lines.insert(lines.end(), entries.begin(), entries.end());
  }

  static std::string Join(const std::vector<std::string>& lines) {
    std::string sql;
    for (const std::string& line : lines) sql += line + "\r\n";
    return sql;
  }

  void Execute(const std::string& sql, const TParams& params) {
    executed.push_back(sql);
    const int affected = support.PSExecuteStatement(sql, params);
    if (affected > 1 && !(provider.Options() & poAllowMultiRecordUpdates)) {
      support.PSEndTransaction(false);
      ownsTransaction = false;
      DatabaseError("Update affected more than 1 record.");
    }
    if (affected < 1) DatabaseError("Record not found or changed by another user");
  }

  void Resolve(TUpdateKind kind, const std::vector<FieldValue>& oldValues,
               const std::vector<FieldValue>& newValues) {
    const TProviderOptions options = provider.Options();
    std::vector<std::string> lines;
    TParams params;
    if (kind == ukModify) {
      if (options & poDisableEdits) DatabaseError("Modifications are not allowed");
      std::vector<std::string> set;
      for (size_t i = 0; i < fields.size(); ++i) {
        if (!InSetList(fields[i], newValues[i])) continue;
        set.push_back(" " + Column(fields[i]) + " = ?,");
        AddParam(params, newValues[i]);
      }
      if (set.empty()) return;  // nothing changed: no statement
      set.back().pop_back();
      lines.push_back("update " + quotedTable + "  set");
      lines.insert(lines.end(), set.begin(), set.end());
      Where(lines, params, oldValues, newValues);
    } else if (kind == ukInsert) {
      if (options & poDisableInserts) DatabaseError("Inserts are not allowed");
      std::string columns, marks;
      for (size_t i = 0; i < fields.size(); ++i) {
        // Columns given a value (null counts as not given).
        if (!InSetList(fields[i], newValues[i]) || newValues[i].state != 0) continue;
        columns += (columns.empty() ? "" : ", ") + Column(fields[i]);
        marks += marks.empty() ? "?" : ", ?";
        AddParam(params, newValues[i]);
      }
      lines = {"insert into " + quotedTable, "  (" + columns + ")", "values", "  (" + marks + ")"};
    } else {
      if (options & poDisableDeletes) DatabaseError("Deletes are not allowed");
      lines.push_back("delete from " + quotedTable + " ");
      Where(lines, params, oldValues, newValues);
    }
    Execute(Join(lines), params);
  }

  std::vector<FieldValue> Values(const std::vector<uint8_t>& record) const {
    std::vector<FieldValue> values;
    for (size_t i = 0; i < fields.size(); ++i) {
      values.push_back(
          ReadValue(cursor.get(), record, static_cast<uint32_t>(i + 1), fields[i].desc));
    }
    return values;
  }

  bool ownsTransaction = false;
};

TSQLResolver::TSQLResolver(TDataSetProvider& provider) : provider_(provider) {}

TDataPacket TSQLResolver::Resolve(const std::vector<uint8_t>& delta, int maxErrors,
                                  int& errorCount) {
  provider_.executed_.clear();
  Impl impl{provider_, provider_.Support(), provider_.executed_};
  errorCount = 0;
  struct ErrorRow {
    int32_t recordNo;
    int32_t response;
    std::string message;
  };
  std::vector<ErrorRow> errors;
  if (!impl.support.PSInTransaction()) {
    impl.support.PSStartTransaction();
    impl.ownsTransaction = true;
  }
  auto endTransaction = [&] {
    if (impl.ownsTransaction) {
      impl.ownsTransaction = false;
      impl.support.PSEndTransaction(errorCount <= maxErrors || maxErrors == -1);
    }
  };
  try {
    if (provider_.Options() & poReadOnly) {
      DatabaseError("Cannot apply updates to a ReadOnly provider");
    }
    impl.Load(delta);
    int limit = maxErrors == -1 ? INT_MAX : maxErrors;
    std::vector<uint8_t> record(impl.recordSize), second(impl.recordSize);
    IDSCursor* cursor = impl.cursor.get();
    cursor->CurFirst();
    while (cursor->CurMove(1) == DBERR_NONE) {
      uint32_t attr = 0, seqNo = 0;
      cursor->CurAttr(&attr);
      cursor->CurSeqNo(&seqNo);
      cursor->CurRecord(record.data());
      TUpdateKind kind = ukModify;
      std::vector<FieldValue> oldValues = impl.Values(record), newValues;
      if (attr & DSREC_INSERTED) {
        kind = ukInsert;
        newValues = oldValues;
      } else if (attr & DSREC_DELETED) {
        kind = ukDelete;
        newValues.assign(oldValues.size(), FieldValue{2, {}, ftUnknown});
      } else {
        // The unchanged row is followed by the row of its changed values.
        uint32_t nextAttr = 0;
        if (cursor->CurMove(1) == DBERR_NONE &&
            (cursor->CurAttr(&nextAttr), nextAttr & DSREC_MODIFIED)) {
          cursor->CurRecord(second.data());
          newValues = impl.Values(second);
        } else {
          cursor->CurMove(-1);
          newValues.assign(oldValues.size(), FieldValue{2, {}, ftUnknown});
        }
      }
      try {
        impl.Resolve(kind, oldValues, newValues);
      } catch (const std::exception& e) {
        TResolverResponse response = errorCount >= limit ? rrAbort : rrSkip;
        ++errorCount;
        if (errorCount > limit) response = rrAbort;
        if (response == rrAbort) limit = errorCount - 1;
        const auto* own = dynamic_cast<const platform::Exception*>(&e);
        errors.push_back({static_cast<int32_t>(seqNo), static_cast<int32_t>(response) + 1,
                          own != nullptr ? own->Message() : std::string(e.what())});
      }
      if (errorCount > limit) break;
    }
  } catch (...) {
    try {
      endTransaction();
    } catch (...) {
    }
    throw;
  }
  endTransaction();
  if (errors.empty()) return std::nullopt;
  // The error packet: one row per failed change row.
  DSRef<IDSWriter> writer(dsclient::NewWriter());
  const char* names[] = {"ERROR_RECORDNO", "ERROR_RESPONSE", "ERROR_MESSAGE",
                         "ERROR_CONTEXT",  "ERROR_CATEGORY", "ERROR_ERRORCODE"};
  dsclient::Check(writer->WrInit(1, 6));
  for (int i = 0; i < 6; ++i) {
    DSColumnDesc desc{};
    std::strncpy(desc.szName, names[i], 31);
    desc.iType = (i == 2 || i == 3) ? DSTypeWord(DSFLD_ZSTRING, DSTYPE_VARYING | 2)
                                    : DSTypeWord(DSFLD_INT, 4);
    dsclient::Check(writer->WrColumn(&desc));
  }
  for (const ErrorRow& row : errors) {
    const uint8_t status = 0;
    const int32_t one = 1, code = 0;
    const std::string message = row.message.substr(0, 0xFFFF);
    dsclient::Check(writer->WrValue(0, 1, &status));
    dsclient::Check(writer->WrValue(0, 4, &row.recordNo));
    dsclient::Check(writer->WrValue(0, 4, &row.response));
    dsclient::Check(writer->WrValue(0, static_cast<uint32_t>(message.size()), message.data()));
    dsclient::Check(writer->WrValue(0, 0, ""));
    dsclient::Check(writer->WrValue(0, 4, &one));
    dsclient::Check(writer->WrValue(0, 4, &code));
  }
  const uint8_t* bytes = nullptr;
  uint32_t length = 0;
  dsclient::Check(writer->WrPacket(&bytes, &length));
  return std::vector<uint8_t>(bytes, bytes + length);
}
