#pragma once

// Days as the data layer counts them (TDateTime, from 30 December 1899) and as Qt's date
// controls hold them.

#include <QDate>

#include "data/DB.h"

namespace app {

inline QDate ToQDate(TDateTime date) {
  return QDate(1899, 12, 30).addDays(static_cast<qint64>(date));
}
inline TDateTime FromQDate(const QDate& date) {
  return static_cast<TDateTime>(QDate(1899, 12, 30).daysTo(date));
}

}  // namespace app
