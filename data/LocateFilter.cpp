#include "data/LocateFilter.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "data/DateText.h"
#include "data/TextCase.h"
#include "engine/DSIntf.h"

namespace {

bool IsTextType(TFieldType type) {
  return type == ftString || type == ftFixedChar || type == ftWideString || type == ftGuid;
}

// The key types a filter writes as plain numbers: ftSmallint to ftBCD (booleans among them).
bool WrittenAsPlainNumber(TFieldType type) {
  return (type >= ftSmallint && type <= ftBCD) || type == ftAutoInc || type == ftLargeint ||
         type == ftFMTBcd;
}

bool IsDateType(TFieldType type) { return type == ftDate || type == ftTime || type == ftDateTime; }

std::string VariantText(const TVariant& value) {
  TParam param;
  param.Value = value;
  return param.AsString();
}

std::string Quote(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

[[noreturn]] void Invalid() { throw EDatabaseError("Invalid filter expression"); }

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void PutTerm(std::vector<uint8_t>& out, uint32_t fieldNo, uint32_t kind, const std::string& value) {
  PutU32(out, fieldNo);
  PutU32(out, kind);
  PutU32(out, static_cast<uint32_t>(value.size()));
  out.insert(out.end(), value.begin(), value.end());
}

}  // namespace

std::string BuildLocateFilter(const std::vector<const TField*>& fields,
                              const std::vector<TVariant>& values, TLocateOptions options) {
  std::string text;
  for (size_t i = 0; i < fields.size(); ++i) {
    const TField& field = *fields[i];
    const TVariant value = i < values.size() ? values[i] : TVariant(TVarNull{});
    if (!text.empty()) text += " and ";
    if (VarIsNull(value)) {
      text += "[" + field.FieldName() + "] IS NULL";
      continue;
    }
    const TFieldType type = field.DataType();
    std::string literal;
    if (IsTextType(type)) {
      std::string s = VariantText(value);
      if ((options & loPartialKey) && i + 1 == fields.size()) s += '*';
      literal = Quote(s);
    } else if (WrittenAsPlainNumber(type)) {
      literal = VariantText(value);
    } else if (IsDateType(type)) {
      const TVarDate* date = std::get_if<TVarDate>(&value);
      const double* number = std::get_if<double>(&value);
      if (type == ftDate && date != nullptr) {
        literal = Quote(DateToStr(date->Value));
      } else if (date != nullptr || number != nullptr) {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.17g", date != nullptr ? date->Value : *number);
        literal = Quote(buffer);
      } else {
        literal = Quote(VariantText(value));
      }
    } else {
      DatabaseError("Field '" + field.DisplayName() + "' is of an unsupported type");
    }
    text += "[" + field.FieldName() + "]=" + literal;
  }
  return text;
}

std::vector<uint8_t> CompileLocateFilter(const std::string& filter, const TDataSet& dataSet,
                                         TLocateOptions options) {
  std::vector<uint8_t> terms;
  uint32_t count = 0;
  size_t i = 0;
  const size_t n = filter.size();
  while (i < n) {
    if (count > 0) {
      if (filter.compare(i, 5, " and ") != 0) Invalid();
      i += 5;
    }
    if (i >= n || filter[i] != '[') Invalid();
    const size_t close = filter.find(']', i);
    if (close == std::string::npos) Invalid();
    const std::string name = filter.substr(i + 1, close - i - 1);
    i = close + 1;
    const TField* field = dataSet.FindField(name);
    if (field == nullptr || field->FieldNo() <= 0) Invalid();
    const uint32_t fieldNo = static_cast<uint32_t>(field->FieldNo());
    ++count;
    if (filter.compare(i, 8, " IS NULL") == 0) {
      i += 8;
      PutTerm(terms, fieldNo, DSTERM_ISNULL, "");
      continue;
    }
    if (i >= n || filter[i] != '=') Invalid();
    ++i;
    std::string literal;
    bool quoted = false;
    if (i < n && filter[i] == '\'') {
      quoted = true;
      ++i;
      for (;; ++i) {
        if (i >= n) Invalid();
        if (filter[i] == '\'') {
          if (i + 1 < n && filter[i + 1] == '\'') {
            literal += '\'';
            ++i;
            continue;
          }
          ++i;
          break;
        }
        literal += filter[i];
      }
    } else {
      const size_t end = filter.find(" and ", i);
      literal = filter.substr(i, end == std::string::npos ? std::string::npos : end - i);
      i = end == std::string::npos ? n : end;
    }
    const TFieldType type = field->DataType();
    if (IsTextType(type)) {
      if (!quoted) Invalid();
      PutTerm(terms, fieldNo, DSTERM_TEXT, literal);
    } else if (WrittenAsPlainNumber(type)) {
      if (type == ftBoolean) {
        if (SameTextCp1252(literal, "True")) literal = "1";
        if (SameTextCp1252(literal, "False")) literal = "0";
      }
      PutTerm(terms, fieldNo, DSTERM_NUMBER, literal);
    } else if (IsDateType(type)) {
      double value = 0;
      char* end = nullptr;
      value = std::strtod(literal.c_str(), &end);
      if (end == literal.c_str() || *end != '\0') {
        value = StrToDate(literal);  // a short date text
      }
      if (field->DataSize() != static_cast<int>(sizeof value)) Invalid();
      PutTerm(terms, fieldNo, DSTERM_RAW, std::string(reinterpret_cast<const char*>(&value), 8));
    } else {
      Invalid();
    }
  }
  std::vector<uint8_t> out;
  PutU32(out, DSFILTER_MAGIC);
  uint32_t flags = 0;
  if (options & loCaseInsensitive) flags |= DSFILTER_CASEINSENSITIVE;
  if (options & loPartialKey) flags |= DSFILTER_PARTIAL;
  PutU32(out, flags);
  PutU32(out, count);
  out.insert(out.end(), terms.begin(), terms.end());
  return out;
}
