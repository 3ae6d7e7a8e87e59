#pragma once

// The cost report of one period compared with a reference period ("Comparativo"): the report
// procedure runs for both periods, the rows are matched by warehouse code, and each compared
// column gives the value now, the value in the reference period, the difference and the change
// in percent. Shared by the window and the batch exporter.

#include <optional>
#include <string>
#include <vector>

#include "data/DB.h"
#include "data/FMTBcd.h"

namespace report {

// Which period the report period is compared with.
enum class TReferenceKind {
  Previous,  // the period just before: as many whole calendar months for whole months, else
             // as many days, ending the day before the report period starts
  Year,      // the same dates one year earlier (29 February becomes 28 February)
  Dates,     // dates given by the operator
};

struct TComparisonPeriods {
  TDateTime From = 0, To = 0;        // the report period
  TDateTime RefFrom = 0, RefTo = 0;  // the reference period
};

// How many whole calendar months `from` .. `to` spans (it starts on a month's first day and ends
// on a month's last day); 0 for any other period.
int WholeMonths(TDateTime from, TDateTime to);

// The reference period for the report period `from` .. `to`; `refFrom` .. `refTo` are used
// only with TReferenceKind::Dates.
TComparisonPeriods ComparisonPeriods(TDateTime from, TDateTime to, TReferenceKind kind,
                                     TDateTime refFrom = 0, TDateTime refTo = 0);

// A compared column of the report: its field name in the report's result set and its title
// (Windows-1252, as the report's own titles).
struct TComparedMeasure {
  std::string FieldName;      // "EXFINAVE", "ENTHUEVO", "RENDHUEVO", "COSTOALM", "TOTCOSTO", ...
  std::string Title;          // "Inv.Fin Aves", ...
  std::string DisplayFormat;  // the report's display format of the column ("#,###", ...)
  bool RiseIsGood = false;    // more birds, eggs or yield is good; more cost is not
};

// The compared columns, in order, with the report's titles and display formats: Inv.Fin Aves,
// Ent.Huevos, %Rend.Hvos, Costo Alim., Total Costo, Costo Unit.
std::vector<TComparedMeasure> ComparedMeasures();

// One compared value: empty where the warehouse is missing from that period or the value is
// NULL; the difference and the percentage are empty unless both sides are there (and the
// percentage also when the reference value is zero).
struct TComparedValue {
  std::optional<TBcd> Now, Before, Difference, Percent;
};

struct TComparisonRow {
  std::string Code, Name;  // Windows-1252, as the report's fields
  bool InNow = false, InBefore = false;
  std::vector<TComparedValue> Values;  // one per measure, in the measures' order
};

struct TComparison {
  TComparisonPeriods Periods;
  std::vector<TComparedMeasure> Measures;
  std::vector<TComparisonRow> Rows;  // in warehouse-code order
  // Sums what can be summed; ratios (percentages, unit costs) recomputed from the totals.
  TComparisonRow Totals;
};

// Runs the report procedure for both periods, on two connections at once where the database
// allows it, and matches the rows by warehouse code. `database`, `user` and `password` are the
// connection's parameters, as the window and the batch exporter give them. Throws the
// database's error (EDatabaseError) when either run fails.
TComparison RunComparison(const std::string& database, const std::string& user,
                          const std::string& password, const TComparisonPeriods& periods);

// What to tell the operator when the comparison has nothing to show ("" when it has): no rows
// in either period, or none in the reference period.
std::string ComparisonEmptyMessage(const TComparison& comparison);

}  // namespace report
