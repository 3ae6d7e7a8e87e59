#include <cctype>
#include <cstdio>

#include "data/DB.h"
#include "data/TextCase.h"

namespace {

bool IsNameChar(char c) {
  auto byte = static_cast<unsigned char>(c);
  return std::isalnum(byte) || c == '_' || byte >= 0xC0;
}

}  // namespace

std::string TParam::AsString() const {
  struct Visitor {
    std::string operator()(std::monostate) const { return {}; }
    std::string operator()(TVarNull) const { return {}; }
    std::string operator()(bool v) const { return v ? "True" : "False"; }
    std::string operator()(int64_t v) const { return std::to_string(v); }
    std::string operator()(double v) const {
      char text[64];
      std::snprintf(text, sizeof text, "%.15g", v);
      return text;
    }
    std::string operator()(const std::string& v) const { return v; }
    std::string operator()(const TBcd& v) const { return BcdToPlainText(v, '.'); }
    std::string operator()(const TVarDate& v) const { return (*this)(v.Value); }
  };
  return std::visit(Visitor{}, Value);
}

TParam& TParams::Add(TParam param) {
  items_.push_back(std::move(param));
  return items_.back();
}

TParam* TParams::FindParam(const std::string& name) {
  for (TParam& param : items_) {
    if (SameTextCp1252(param.Name, name)) return &param;
  }
  return nullptr;
}

TParam& TParams::ParamByName(const std::string& name) {
  TParam* param = FindParam(name);
  if (param == nullptr) throw EDatabaseError("Parameter '" + name + "' not found");
  return *param;
}

std::string TParams::ParseSQL(const std::string& sql, const std::string& marker) {
  std::vector<TParam> old = std::move(items_);
  items_.clear();
  std::string result;
  result.reserve(sql.size());
  char quote = 0;
  for (size_t i = 0; i < sql.size(); ++i) {
    char c = sql[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
      result += c;
      continue;
    }
    if (c == '\'' || c == '"') {
      quote = c;
      result += c;
      continue;
    }
    bool reference = c == ':' && i + 1 < sql.size() && IsNameChar(sql[i + 1]) &&
                     (i == 0 || sql[i - 1] != ':');
    if (!reference) {
      result += c;
      continue;
    }
    size_t end = i + 1;
    while (end < sql.size() && IsNameChar(sql[end])) ++end;
    std::string name = sql.substr(i + 1, end - i - 1);
    if (FindParam(name) == nullptr) {
      TParam param;
      param.Name = name;
      param.ParamType = ptInput;
      for (const TParam& previous : old) {
        if (SameTextCp1252(previous.Name, name)) {
          param = previous;
          break;
        }
      }
      items_.push_back(std::move(param));
    }
    result += marker.empty() ? sql.substr(i, end - i) : marker;
    i = end - 1;
  }
  return marker.empty() ? sql : result;
}

bool TParams::operator==(const TParams& other) const {
  if (Count() != other.Count()) return false;
  for (int i = 0; i < Count(); ++i) {
    const TParam& a = items_[i];
    const TParam& b = other.items_[i];
    if (!SameTextCp1252(a.Name, b.Name) || a.DataType != b.DataType ||
        a.ParamType != b.ParamType || a.IsNull() != b.IsNull()) {
      return false;
    }
    if (!a.IsNull() && a.AsString() != b.AsString()) return false;
  }
  return true;
}
