#pragma once

// The C numeric locale for the workbook library's own number printing.

#include <locale.h>

// libxlsxwriter prints numbers (column widths, ranges) with the C library, which follows the
// numeric locale: under one with a decimal comma it would write 1234,5 into the sheet. The
// close, where it prints, runs under "C"; the rows print their numbers themselves.
class CNumericScope {
 public:
  CNumericScope() : previous_(::uselocale(CLocale())) {}
  ~CNumericScope() { ::uselocale(previous_); }
  CNumericScope(const CNumericScope&) = delete;
  CNumericScope& operator=(const CNumericScope&) = delete;

 private:
  static locale_t CLocale() {
    static const locale_t c = ::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return c;
  }
  locale_t previous_;
};
