// The field classes: value access through the data set, and the text rules of each class.

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

#include "data/DB.h"
#include "data/DateText.h"
#include "platform/RegionalSettings.h"

namespace {

std::string Fill(const std::string& pattern, const std::string& value) {
  std::string text = pattern;
  size_t at = text.find("%s");
  if (at != std::string::npos) text.replace(at, 2, value);
  return text;
}

std::string Trimmed(const std::string& text) {
  size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return std::string();
  size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

// Reads an optionally signed decimal integer (blanks around it allowed).
bool ParseInteger(const std::string& text, int64_t& value) {
  std::string t = Trimmed(text);
  const char* begin = t.data();
  const char* end = t.data() + t.size();
  if (begin != end && *begin == '+') ++begin;
  if (begin == end || (*begin == '-' && begin + 1 == end)) return false;
  auto [ptr, ec] = std::from_chars(begin, end, value);
  return ec == std::errc() && ptr == end;
}

bool ParseFloat(const std::string& text, double& value) {
  std::string t = Trimmed(text);
  char separator = platform::FormatSettings().DecimalSeparator;
  for (char& c : t) {
    if (c == separator) c = '.';
  }
  const char* begin = t.data();
  const char* end = t.data() + t.size();
  if (begin != end && *begin == '+') ++begin;
  if (begin == end) return false;
  auto [ptr, ec] = std::from_chars(begin, end, value);
  return ec == std::errc() && ptr == end;
}

// A floating-point number with up to 15 significant digits and the decimal separator in force.
std::string FloatText(double value) {
  char buffer[64];
  auto [end, ec] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
  std::string text(buffer, ec == std::errc() ? end : buffer);
  char separator = platform::FormatSettings().DecimalSeparator;
  for (char& c : text) {
    if (c == '.') c = separator;
  }
  return text;
}

std::string TimeText(TDateTime value) {
  double fraction = std::fabs(value - std::trunc(value));
  int64_t seconds = std::llround(fraction * 86400.0);
  if (seconds >= 86400) seconds = 86399;
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%d:%02d:%02d", static_cast<int>(seconds / 3600),
                static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
  return buffer;
}

TDateTime TimeStampToDateTime(const TSQLTimeStamp& stamp) {
  TDateTime date = 0;
  if (!TryEncodeDate(stamp.Year, stamp.Month, stamp.Day, date)) return 0;
  double time =
      (stamp.Hour * 3600.0 + stamp.Minute * 60.0 + stamp.Second + stamp.Fractions / 10000.0) /
      86400.0;
  return date >= 0 ? date + time : date - time;
}

TSQLTimeStamp DateTimeToTimeStamp(TDateTime value) {
  TSQLTimeStamp stamp;
  int year = 0, month = 0, day = 0;
  DecodeDate(value, year, month, day);
  stamp.Year = static_cast<int16_t>(year);
  stamp.Month = static_cast<uint16_t>(month);
  stamp.Day = static_cast<uint16_t>(day);
  double fraction = std::fabs(value - std::trunc(value));
  int64_t tenths = std::llround(fraction * 864000000.0);  // 1/10000 s
  stamp.Hour = static_cast<uint16_t>(tenths / 36000000);
  stamp.Minute = static_cast<uint16_t>(tenths / 600000 % 60);
  stamp.Second = static_cast<uint16_t>(tenths / 10000 % 60);
  stamp.Fractions = static_cast<uint32_t>(tenths % 10000);
  return stamp;
}

std::string DateTimeText(TFieldType type, TDateTime value) {
  switch (type) {
    case ftDate:
      return DateToStr(value);
    case ftTime:
      return TimeText(value);
    default: {
      std::string text = DateToStr(value);
      if (value != std::trunc(value)) {
        text += ' ';
        text += TimeText(value);
      }
      return text;
    }
  }
}

// The value as text, without format: used by the base class for every type.
std::string VariantText(const TVariant& value, TFieldType type) {
  struct Visitor {
    TFieldType type;
    std::string operator()(std::monostate) const { return std::string(); }
    std::string operator()(TVarNull) const { return std::string(); }
    std::string operator()(bool v) const { return v ? "True" : "False"; }
    std::string operator()(int64_t v) const { return std::to_string(v); }
    std::string operator()(double v) const { return FloatText(v); }
    std::string operator()(const std::string& v) const { return v; }
    std::string operator()(const TBcd& v) const {
      return BcdToPlainText(v, platform::FormatSettings().DecimalSeparator);
    }
    std::string operator()(TVarDate v) const { return DateTimeText(type, v.Value); }
  };
  return std::visit(Visitor{type}, value);
}

[[noreturn]] void InvalidValue(const char* pattern, const std::string& text) {
  throw EConvertError(Fill(pattern, text));
}

int64_t VariantToInteger(const TVariant& value) {
  if (auto v = std::get_if<bool>(&value)) return *v ? 1 : 0;
  if (auto v = std::get_if<int64_t>(&value)) return *v;
  if (auto v = std::get_if<double>(&value)) {
    if (!std::isfinite(*v) || std::fabs(*v) >= 9.2e18) {
      InvalidValue("'%s' is not a valid integer value", FloatText(*v));
    }
    return std::llround(*v);
  }
  if (auto v = std::get_if<TVarDate>(&value)) return static_cast<int64_t>(std::trunc(v->Value));
  if (auto v = std::get_if<TBcd>(&value)) {
    TBcd whole;
    if (!NormalizeBcd(*v, 19, 0, whole)) throw EBcdOverflow();
    std::string text = BcdToPlainText(whole, '.');
    int64_t result = 0;
    if (!ParseInteger(text, result)) throw EBcdOverflow();
    return result;
  }
  if (auto v = std::get_if<std::string>(&value)) {
    int64_t result = 0;
    if (!ParseInteger(*v, result)) InvalidValue("'%s' is not a valid integer value", *v);
    return result;
  }
  return 0;
}

double VariantToFloat(const TVariant& value) {
  if (auto v = std::get_if<bool>(&value)) return *v ? 1 : 0;
  if (auto v = std::get_if<int64_t>(&value)) return static_cast<double>(*v);
  if (auto v = std::get_if<double>(&value)) return *v;
  if (auto v = std::get_if<TVarDate>(&value)) return v->Value;
  if (auto v = std::get_if<TBcd>(&value)) return BcdToDouble(*v);
  if (auto v = std::get_if<std::string>(&value)) {
    double result = 0;
    if (!ParseFloat(*v, result)) InvalidValue("'%s' is not a valid floating point value", *v);
    return result;
  }
  return 0;
}

TBcd VariantToBcd(const TVariant& value) {
  if (auto v = std::get_if<TBcd>(&value)) return *v;
  if (auto v = std::get_if<int64_t>(&value)) return IntegerToBcd(*v);
  if (auto v = std::get_if<bool>(&value)) return IntegerToBcd(*v ? 1 : 0);
  if (auto v = std::get_if<double>(&value)) return DoubleToBcd(*v, 32, 8);
  if (auto v = std::get_if<TVarDate>(&value)) return DoubleToBcd(v->Value, 32, 8);
  if (auto v = std::get_if<std::string>(&value)) {
    TBcd result;
    if (!TryTextToBcd(Trimmed(*v), platform::FormatSettings().DecimalSeparator, result)) {
      InvalidValue("%s is not a valid BCD value", *v);
    }
    return result;
  }
  return TBcd();
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TField

TField::TField(TFieldType type, int size) : dataType_(type), size_(size) {}

TField::~TField() {
  if (dataSet_ != nullptr) dataSet_->Fields().Remove(this);
}

const std::string& TField::DisplayLabel() const {
  return displayLabel_.empty() ? fieldName_ : displayLabel_;
}

int TField::DataSize() const {
  switch (dataType_) {
    case ftString:
    case ftFixedChar:
    case ftWideString:
    case ftGuid:
      return size_ + 1;
    case ftSmallint:
    case ftWord:
    case ftBoolean:
      return 2;
    case ftInteger:
    case ftAutoInc:
      return 4;
    case ftLargeint:
      return 8;
    case ftFloat:
    case ftCurrency:
    case ftDate:
    case ftTime:
    case ftDateTime:
      return 8;
    case ftBCD:
    case ftFMTBcd:
      return static_cast<int>(sizeof(TBcd));
    case ftTimeStamp:
      return static_cast<int>(sizeof(TSQLTimeStamp));
    case ftBytes:
      return size_;
    case ftVarBytes:
      return size_ + 2;
    default:
      return 0;
  }
}

int TField::Index() const { return dataSet_ != nullptr ? dataSet_->Fields().IndexOf(this) : -1; }

int TField::DisplayWidth() const {
  return displayWidth_ > 0 ? displayWidth_ : DefaultDisplayWidth();
}

int TField::DefaultDisplayWidth() const {
  switch (dataType_) {
    case ftSmallint:
      return 6;
    case ftWord:
      return 5;
    case ftInteger:
    case ftAutoInc:
      return 11;
    case ftLargeint:
      return 20;
    case ftBoolean:
      return 5;
    default:
      return 10;
  }
}

void TField::SetDataSet(TDataSet* dataSet) {
  if (dataSet == dataSet_) return;
  if (dataSet_ != nullptr) dataSet_->Fields().Remove(this);
  dataSet_ = dataSet;
  if (dataSet_ != nullptr) dataSet_->Fields().Add(this);
}

bool TField::GetData(void* buffer) const {
  if (dataSet_ == nullptr) throw EDatabaseError(Fill("Field '%s' has no dataset", DisplayName()));
  return dataSet_->GetFieldData(*this, buffer);
}

void TField::SetData(const void* buffer) {
  TDataSet* dataSet = dataSet_;
  if (dataSet == nullptr) throw EDatabaseError(Fill("Field '%s' has no dataset", DisplayName()));
  const TDataSetState state = dataSet->State();
  const bool editing = state == dsEdit || state == dsInsert;
  const bool calculating = state == dsCalcFields || state == dsInternalCalc;
  const bool writable = editing || state == dsSetKey || state == dsFilter || state == dsNewValue ||
                        (calculating && fieldKind_ != fkData);
  if (!writable) DatabaseError("Dataset not in edit or insert mode", dataSet);
  if (editing && readOnly_) DatabaseError(Fill("Field '%s' cannot be modified", DisplayName()));
  if (OnValidate) OnValidate(*this);
  dataSet->SetFieldData(*this, buffer);
  if (calculating || state == dsFilter) return;
  dataSet->DataEvent(deFieldChange, reinterpret_cast<intptr_t>(this));
  if (OnChange) OnChange(*this);
}

bool TField::IsNull() const {
  // Most values fit on the stack; only large ones need a heap buffer.
  alignas(8) uint8_t local[256];
  const size_t size = static_cast<size_t>(std::max(DataSize(), 64));
  if (size <= sizeof local) return !GetData(local);
  std::vector<uint8_t> buffer(size);
  return !GetData(buffer.data());
}

std::string TField::DisplayText() const {
  if (OnGetText) {
    std::string text;
    OnGetText(*this, text, true);
    return text;
  }
  return GetText(true);
}

std::string TField::EditText() const {
  if (OnGetText) {
    std::string text;
    OnGetText(*this, text, false);
    return text;
  }
  return GetText(false);
}

void TField::SetText(const std::string& text) { SetAsString(text); }

std::string TField::GetText(bool /*displayText*/) const { return AsString(); }

std::string TField::AsString() const { return VariantText(Value(), dataType_); }

void TField::SetAsString(const std::string& value) { SetValue(TVariant(value)); }

int32_t TField::AsInteger() const { return static_cast<int32_t>(VariantToInteger(Value())); }

void TField::SetAsInteger(int32_t value) { SetValue(TVariant(static_cast<int64_t>(value))); }

double TField::AsFloat() const { return VariantToFloat(Value()); }

void TField::SetAsFloat(double value) { SetValue(TVariant(value)); }

TBcd TField::AsBCD() const { return VariantToBcd(Value()); }

// Reads the native value of any type (see the class comment for the forms).
TVariant TField::Value() const {
  const int size = DataSize();
  if (size <= 0) return TVarNull{};
  std::vector<uint8_t> buffer(static_cast<size_t>(size) + 1);
  if (!GetData(buffer.data())) return TVarNull{};
  const uint8_t* data = buffer.data();
  auto read = [data](auto value) {
    std::memcpy(&value, data, sizeof value);
    return value;
  };
  switch (dataType_) {
    case ftString:
    case ftFixedChar:
    case ftWideString:
    case ftGuid:
      return std::string(reinterpret_cast<const char*>(data),
                         strnlen(reinterpret_cast<const char*>(data), static_cast<size_t>(size)));
    case ftSmallint:
      return static_cast<int64_t>(read(int16_t{}));
    case ftWord:
      return static_cast<int64_t>(read(uint16_t{}));
    case ftBoolean:
      return read(int16_t{}) != 0;
    case ftInteger:
    case ftAutoInc:
      return static_cast<int64_t>(read(int32_t{}));
    case ftLargeint:
      return read(int64_t{});
    case ftFloat:
    case ftCurrency:
      return read(double{});
    case ftBCD:
    case ftFMTBcd:
      return read(TBcd{});
    case ftDate:
    case ftTime:
    case ftDateTime:
      return TVarDate{read(double{})};
    case ftTimeStamp:
      return TVarDate{TimeStampToDateTime(read(TSQLTimeStamp{}))};
    case ftBytes:
      return std::string(reinterpret_cast<const char*>(data), static_cast<size_t>(size));
    case ftVarBytes: {
      uint16_t length = std::min<uint16_t>(read(uint16_t{}), static_cast<uint16_t>(size_));
      return std::string(reinterpret_cast<const char*>(data) + 2, length);
    }
    default:
      return TVarNull{};
  }
}

// Writes a value in the native form of the field's type.
void TField::SetValue(const TVariant& value) {
  if (VarIsNull(value)) {
    SetData(nullptr);
    return;
  }
  const int size = DataSize();
  std::vector<uint8_t> buffer(static_cast<size_t>(std::max(size, 0)) + 1);
  auto write = [&buffer](auto native) { std::memcpy(buffer.data(), &native, sizeof native); };
  switch (dataType_) {
    case ftString:
    case ftFixedChar:
    case ftWideString:
    case ftGuid: {
      std::string text = VariantText(value, dataType_);
      if (text.size() > static_cast<size_t>(size_)) text.resize(static_cast<size_t>(size_));
      std::memcpy(buffer.data(), text.data(), text.size());
      break;
    }
    case ftSmallint:
      write(static_cast<int16_t>(VariantToInteger(value)));
      break;
    case ftWord:
      write(static_cast<uint16_t>(VariantToInteger(value)));
      break;
    case ftBoolean: {
      bool flag = false;
      if (auto text = std::get_if<std::string>(&value)) {
        std::string t = Trimmed(*text);
        for (char& c : t) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (t == "TRUE" || t == "T" || t == "YES" || t == "Y") {
          flag = true;
        } else if (!(t == "FALSE" || t == "F" || t == "NO" || t == "N")) {
          InvalidValue("'%s' is not a valid boolean value", *text);
        }
      } else {
        flag = VariantToInteger(value) != 0;
      }
      write(static_cast<int16_t>(flag ? 1 : 0));
      break;
    }
    case ftInteger:
    case ftAutoInc:
      write(static_cast<int32_t>(VariantToInteger(value)));
      break;
    case ftLargeint:
      write(VariantToInteger(value));
      break;
    case ftFloat:
    case ftCurrency:
      write(VariantToFloat(value));
      break;
    case ftBCD:
    case ftFMTBcd:
      write(VariantToBcd(value));
      break;
    case ftDate:
    case ftTime:
    case ftDateTime:
    case ftTimeStamp: {
      TDateTime when = 0;
      if (auto text = std::get_if<std::string>(&value)) {
        when = StrToDate(*text);
      } else {
        when = VariantToFloat(value);
      }
      if (dataType_ == ftTimeStamp) {
        write(DateTimeToTimeStamp(when));
      } else {
        write(when);
      }
      break;
    }
    case ftBytes:
    case ftVarBytes: {
      std::string bytes = VariantText(value, dataType_);
      size_t length = std::min(bytes.size(), static_cast<size_t>(size_));
      if (dataType_ == ftVarBytes) {
        write(static_cast<uint16_t>(length));
        std::memcpy(buffer.data() + 2, bytes.data(), length);
      } else {
        std::memcpy(buffer.data(), bytes.data(), length);
      }
      break;
    }
    default:
      DatabaseError(Fill("Field '%s' cannot be modified", DisplayName()));
  }
  SetData(buffer.data());
}

bool TField::IsValidChar(char /*c*/) const { return true; }

// ---------------------------------------------------------------------------------------------
// TStringField

TStringField::TStringField(int size, bool fixedChar)
    : TField(fixedChar ? ftFixedChar : ftString, size), fixedChar_(fixedChar) {}

std::string TStringField::AsString() const {
  std::vector<char> buffer(static_cast<size_t>(DataSize()) + 1, '\0');
  if (!GetData(buffer.data())) return std::string();
  return std::string(buffer.data(), strnlen(buffer.data(), buffer.size() - 1));
}

void TStringField::SetAsString(const std::string& value) {
  std::vector<char> buffer(static_cast<size_t>(DataSize()) + 1, '\0');
  std::memcpy(buffer.data(), value.data(), std::min(value.size(), static_cast<size_t>(Size())));
  SetData(buffer.data());
}

std::string TStringField::GetText(bool /*displayText*/) const { return AsString(); }

int TStringField::DefaultDisplayWidth() const { return Size(); }

// ---------------------------------------------------------------------------------------------
// TIntegerField

namespace {

void IntegerRange(TFieldType type, int64_t& low, int64_t& high) {
  switch (type) {
    case ftSmallint:
      low = std::numeric_limits<int16_t>::min(), high = std::numeric_limits<int16_t>::max();
      break;
    case ftWord:
      low = 0, high = std::numeric_limits<uint16_t>::max();
      break;
    case ftLargeint:
      low = std::numeric_limits<int64_t>::min(), high = std::numeric_limits<int64_t>::max();
      break;
    default:
      low = std::numeric_limits<int32_t>::min(), high = std::numeric_limits<int32_t>::max();
      break;
  }
}

}  // namespace

TIntegerField::TIntegerField(TFieldType type) : TField(type, 0) { SetAlignment(taRightJustify); }

int64_t TIntegerField::AsLargeInt() const {
  TVariant value = Value();
  if (auto v = std::get_if<int64_t>(&value)) return *v;
  return 0;
}

std::string TIntegerField::AsString() const {
  TVariant value = Value();
  if (auto v = std::get_if<int64_t>(&value)) return std::to_string(*v);
  return std::string();
}

void TIntegerField::SetAsString(const std::string& value) {
  if (value.empty()) {
    Clear();
    return;
  }
  int64_t number = 0;
  if (!ParseInteger(value, number)) InvalidValue("'%s' is not a valid integer value", value);
  SetValue(TVariant(number));
}

int32_t TIntegerField::AsInteger() const { return static_cast<int32_t>(AsLargeInt()); }

void TIntegerField::SetAsInteger(int32_t value) { SetValue(TVariant(static_cast<int64_t>(value))); }

double TIntegerField::AsFloat() const { return static_cast<double>(AsLargeInt()); }

TVariant TIntegerField::Value() const { return TField::Value(); }

void TIntegerField::SetValue(const TVariant& value) {
  if (VarIsNull(value)) {
    Clear();
    return;
  }
  if (auto text = std::get_if<std::string>(&value)) {
    SetAsString(*text);
    return;
  }
  int64_t number = VariantToInteger(value);
  int64_t low = 0, high = 0;
  IntegerRange(DataType(), low, high);
  if (number < low || number > high) {
    throw EDatabaseError(std::to_string(number) + " is not a valid value for field '" +
                         DisplayName() + "'. The allowed range is " + std::to_string(low) + " to " +
                         std::to_string(high));
  }
  TField::SetValue(TVariant(number));
}

bool TIntegerField::IsValidChar(char c) const {
  return c == '+' || c == '-' || (c >= '0' && c <= '9');
}

std::string TIntegerField::GetText(bool displayText) const {
  TVariant value = Value();
  auto number = std::get_if<int64_t>(&value);
  if (number == nullptr) return std::string();
  const std::string& format = displayText || editFormat_.empty() ? displayFormat_ : editFormat_;
  if (format.empty()) return std::to_string(*number);
  // Integers take the same number format engine as decimal fields.
  try {
    return FormatBcd(format, IntegerToBcd(*number), platform::FormatSettings());
  } catch (const EBcdOverflow&) {
    return std::to_string(*number);
  }
}

// ---------------------------------------------------------------------------------------------
// TFMTBCDField

TFMTBCDField::TFMTBCDField(int precision, int size, TFieldType type)
    : TField(type, size),
      precision_(precision),
      validDecimalSeparator_(platform::FormatSettings().DecimalSeparator) {
  SetAlignment(taRightJustify);
}

std::string TFMTBCDField::AsString() const {
  TBcd value;
  if (!GetData(&value)) return std::string();
  return BcdToPlainText(value, platform::FormatSettings().DecimalSeparator);
}

void TFMTBCDField::SetAsString(const std::string& value) {
  if (value.empty()) {
    Clear();
    return;
  }
  const char separator = platform::FormatSettings().DecimalSeparator;
  TBcd bcd;
  if (!TryTextToBcd(value, separator, bcd)) InvalidValue("%s is not a valid BCD value", value);
  TBcd fitted;
  if (!NormalizeBcd(bcd, precision_, Size(), fitted)) {
    // Typed text too wide for the column: name the field and the largest value it holds.
    const int places = std::clamp(Size(), 0, precision_);
    std::string largest(static_cast<size_t>(std::max(precision_ - places, 1)),
                        precision_ > places ? '9' : '0');
    if (places > 0) largest += separator + std::string(static_cast<size_t>(places), '9');
    throw EBcdOverflow(value + " is not a valid value for field '" + DisplayName() +
                       "'. The allowed range is -" + largest + " to " + largest);
  }
  SetAsBCD(bcd);
}

double TFMTBCDField::AsFloat() const {
  TBcd value;
  if (!GetData(&value)) return 0;
  return BcdToDouble(value);
}

void TFMTBCDField::SetAsFloat(double value) { SetAsBCD(DoubleToBcd(value, precision_, Size())); }

TBcd TFMTBCDField::AsBCD() const {
  TBcd value;
  if (!GetData(&value)) {
    TBcd zero;
    NormalizeBcd(TBcd(), precision_ > 0 ? precision_ : 1, 0, zero);
    return zero;
  }
  return value;
}

void TFMTBCDField::SetAsBCD(const TBcd& value) {
  TBcd normalized;
  if (!NormalizeBcd(value, precision_, Size(), normalized)) throw EBcdOverflow();
  SetData(&normalized);
}

TVariant TFMTBCDField::Value() const {
  TBcd value;
  if (!GetData(&value)) return TVarNull{};
  return value;
}

void TFMTBCDField::SetValue(const TVariant& value) {
  if (VarIsNull(value)) {
    Clear();
  } else if (auto text = std::get_if<std::string>(&value)) {
    SetAsString(*text);
  } else if (auto number = std::get_if<double>(&value)) {
    SetAsFloat(*number);
  } else if (auto date = std::get_if<TVarDate>(&value)) {
    SetAsFloat(date->Value);
  } else {
    SetAsBCD(VariantToBcd(value));
  }
}

bool TFMTBCDField::IsValidChar(char c) const {
  return c == '+' || c == '-' || (c >= '0' && c <= '9') || c == validDecimalSeparator_;
}

std::string TFMTBCDField::GetText(bool displayText) const {
  TBcd value;
  if (!GetData(&value)) return std::string();
  const std::string& format = displayText || editFormat_.empty() ? displayFormat_ : editFormat_;
  const platform::TFormatSettings& settings = platform::FormatSettings();
  try {
    if (format.empty()) return BcdToPlainText(value, settings.DecimalSeparator);
    return FormatBcd(format, value, settings);
  } catch (...) {
    return "BCD overflow";
  }
}

int TFMTBCDField::DefaultDisplayWidth() const { return precision_ + 1; }

// ---------------------------------------------------------------------------------------------
// TGenericField

TGenericField::TGenericField(TFieldType type, int size) : TField(type, size) {}

std::string TGenericField::AsString() const { return TField::AsString(); }

double TGenericField::AsFloat() const { return TField::AsFloat(); }

TVariant TGenericField::Value() const { return TField::Value(); }

void TGenericField::SetValue(const TVariant& value) { TField::SetValue(value); }

std::string TGenericField::GetText(bool /*displayText*/) const { return AsString(); }

// ---------------------------------------------------------------------------------------------

std::unique_ptr<TField> CreateFieldForDef(const TFieldDef& def) {
  std::unique_ptr<TField> field;
  switch (def.DataType) {
    case ftString:
    case ftFixedChar:
    case ftWideString:
    case ftGuid:
      field =
          std::make_unique<TStringField>(def.Size, def.FixedChar || def.DataType == ftFixedChar);
      break;
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftLargeint:
      field = std::make_unique<TIntegerField>(def.DataType);
      break;
    case ftBCD:
    case ftFMTBcd:
      field = std::make_unique<TFMTBCDField>(def.Precision > 0 ? def.Precision : 32, def.Size,
                                             def.DataType);
      break;
    default:
      field = std::make_unique<TGenericField>(def.DataType, def.Size);
      break;
  }
  field->SetDataType(def.DataType);
  field->SetFieldName(def.Name);
  field->SetFieldNo(def.FieldNo);
  field->SetRequired(def.Required);
  field->SetReadOnly(def.ReadOnly);
  return field;
}
