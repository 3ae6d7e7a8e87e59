#pragma once

// Conversions between Firebird's stored forms and the forms values travel in
// (driver/SQLDriver.h header comment).

#include <ibase.h>

#include <cstdint>
#include <string>

#include "driver/SQLDriver.h"

namespace ibdriver {

// Firebird counts days from 17 November 1858; the read buffers from 30 December 1899.
constexpr int32_t kIscDateOf18991230 = 15018;

inline int32_t IscDateToDays(ISC_DATE date) { return date - kIscDateOf18991230; }
inline ISC_DATE DaysToIscDate(int32_t days) { return days + kIscDateOf18991230; }

// Civil date of a day count from 30 December 1899 and back.
void DaysToCivil(int32_t days, int* year, int* month, int* day);
int32_t CivilToDays(int year, int month, int day);

SQLTimeStampValue IscTimestampToParts(const ISC_TIMESTAMP& stamp);
ISC_TIMESTAMP PartsToIscTimestamp(const SQLTimeStampValue& parts);
ISC_TIMESTAMP DateTimeToIscTimestamp(double dateTime);

// The value `scaled` / 10^places as a BCD of at least `precision` digits.
void ScaledIntegerToBcd(int64_t scaled, int places, int precision, SQLBcdValue* out);
// The BCD as an integer and its places; false when it does not fit 18 digits.
bool BcdToScaledInteger(const SQLBcdValue& bcd, int64_t* scaled, int* places);
// Plain decimal text of a BCD with "." ("-12.50").
std::string BcdToText(const SQLBcdValue& bcd);

}  // namespace ibdriver
