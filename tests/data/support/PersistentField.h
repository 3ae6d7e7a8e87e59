#pragma once

// Persistent fields made by tests before a result set opens, to see how they bind.

#include <memory>
#include <string>
#include <utility>

#include "data/DB.h"

// A field of type F made from `args`, named `name` and, unless `label` is empty, labelled.
template <class F, class... Args>
std::unique_ptr<TField> NamedField(const std::string& name, const std::string& label,
                                   Args&&... args) {
  auto field = std::make_unique<F>(std::forward<Args>(args)...);
  field->SetFieldName(name);
  if (!label.empty()) field->SetDisplayLabel(label);
  return field;
}
