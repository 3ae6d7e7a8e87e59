#include "grid/GridsEh.h"

int MulDiv(int number, int numerator, int denominator) {
  if (denominator == 0) return -1;
  int64_t product = static_cast<int64_t>(number) * numerator;
  bool negative = (product < 0) != (denominator < 0);
  int64_t a = product < 0 ? -product : product;
  int64_t b = denominator < 0 ? -static_cast<int64_t>(denominator) : denominator;
  int64_t q = (a + b / 2) / b;
  return static_cast<int>(negative ? -q : q);
}
