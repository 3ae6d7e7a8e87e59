#include "report/Comparison.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <exception>
#include <memory>
#include <thread>

#include "data/DateText.h"
#include "data/SqlExpr.h"
#include "platform/RegionalSettings.h"
#include "report/ReportFields.h"
#include "report/ReportSource.h"
#include "report/ScaledDecimal.h"
#include "report/dm.h"

namespace report {

namespace {

// How the totals row gets a measure: summed, or recomputed from the summed quantities as the
// report procedure computes the warehouse's own value.
enum class TTotalRule {
  Sum,
  EggYield,  // eggs * 100 / bird-days, the birds being the mean of the start and end stock
  UnitCost,  // total cost / eggs
};

struct TMeasureRule {
  const char* FieldName;
  TTotalRule Rule;
  bool RiseIsGood;
};

constexpr std::array<TMeasureRule, 6> kMeasureRules{{
    {"EXFINAVE", TTotalRule::Sum, true},
    {"ENTHUEVO", TTotalRule::Sum, true},
    {"RENDHUEVO", TTotalRule::EggYield, true},
    {"COSTOALM", TTotalRule::Sum, false},
    {"TOTCOSTO", TTotalRule::Sum, false},
    {"COSTOUNIT", TTotalRule::UnitCost, false},
}};
constexpr size_t kMeasureCount = kMeasureRules.size();

using TMeasureValues = std::array<std::optional<TCents>, kMeasureCount>;

// One warehouse as one period's run gives it, its values in hundredths (a NUMERIC(15,2) fits
// 64 bits; kept small, as 100,000 rows of each period are held at once). Active is false for
// a warehouse with no stock, movement or cost in the period (every number zero): it is not in
// that period.
struct TPeriodRow {
  std::string Code, Name;
  bool Active = false;
  uint8_t Nulls = 0;       // bit i: measure i is NULL
  int64_t StartBirds = 0;  // EXINIAVE, for the totals' egg yield
  std::array<int64_t, kMeasureCount> Values{};

  std::optional<TCents> Value(size_t i) const {
    if ((Nulls >> i & 1) != 0) return std::nullopt;
    return Values[i];
  }
};

// A row's value in hundredths. Throws EBcdOverflow past 64 bits, which no NUMERIC(15,2) is.
int64_t RowCents(const TBcd& value) {
  const TCents cents = BcdToCents(value);
  if (cents > INT64_MAX || cents < INT64_MIN) throw EBcdOverflow();
  return static_cast<int64_t>(cents);
}

struct TPeriodRun {
  std::vector<TPeriodRow> Rows;
  std::exception_ptr Failure;
};

// Reads the report's rows for `from` .. `to` through `query` (its connection open) with a
// client result set of its own, a packet at a time.
void ReadPeriod(TSQLQuery& query, TDateTime from, TDateTime to, TPeriodRun& run) {
  try {
    TReportSource source(query);
    TClientDataSet& report = source.Report();
    report.SetPacketRecords(1000);
    report.SetUniDirectional(true);
    report.SetCommandText(ReportCommandText(from, to));
    report.Open();
    std::vector<TField*> numbers, measures;
    TField* startBirds = &report.FieldByName("EXINIAVE");
    for (const TReportFieldSpec& spec : kReportFields) {
      if (spec.Size == 0) numbers.push_back(&report.FieldByName(spec.FieldName));
    }
    for (const TMeasureRule& rule : kMeasureRules) {
      measures.push_back(&report.FieldByName(rule.FieldName));
    }
    TField& code = report.FieldByName("CODBOD");
    TField& name = report.FieldByName("NOMBOD");
    TBcd value;
    for (; !report.Eof(); report.Next()) {
      TPeriodRow row;
      row.Code = code.AsString();
      row.Name = name.AsString();
      for (const TField* field : numbers) {
        if (field->GetData(&value) && !BcdIsZero(value)) {
          row.Active = true;
          break;
        }
      }
      if (startBirds->GetData(&value)) row.StartBirds = RowCents(value);
      for (size_t i = 0; i < kMeasureCount; ++i) {
        if (measures[i]->GetData(&value)) {
          row.Values[i] = RowCents(value);
        } else {
          row.Nulls = static_cast<uint8_t>(row.Nulls | 1u << i);
        }
      }
      run.Rows.push_back(std::move(row));
    }
    report.Close();
  } catch (...) {
    run.Failure = std::current_exception();
  }
}

// A connection of the report's kind to `database`, opened on the calling thread.
struct TPeriodConnection {
  TSQLConnection Connection;
  TSQLQuery Query{"QRepcliente"};

  TPeriodConnection(const std::string& database, const std::string& user,
                    const std::string& password, bool hourglass) {
    SetupGalvoraConnection(Connection);
    Connection.Params().SetValue("Database", database);
    Connection.Params().SetValue("User_Name", user);
    Connection.Params().SetValue("password", password);
    Connection.SetSQLHourGlass(hourglass);
    Query.SetSQLConnection(&Connection);
    Query.SetMaxBlobSize(-1);
    Connection.Open();
  }
  ~TPeriodConnection() {
    Query.Close();
    Connection.Close();
  }
};

// Sums of one period over its warehouses, for the totals row.
struct TPeriodSums {
  bool Any = false;
  TCents StartBirds = 0;
  std::array<TCents, kMeasureCount> Sums{};
};

void AddToSums(const TPeriodRow& row, TPeriodSums& sums) {
  if (!row.Active) return;
  sums.Any = true;
  sums.StartBirds += row.StartBirds;
  for (size_t i = 0; i < kMeasureCount; ++i) sums.Sums[i] += row.Values[i];
}

size_t MeasureIndex(const char* fieldName) {
  for (size_t i = 0; i < kMeasureCount; ++i) {
    if (std::string_view(kMeasureRules[i].FieldName) == fieldName) return i;
  }
  return kMeasureCount;
}

// The totals of one period: sums, and the ratios recomputed from them as the procedure
// computes each warehouse's (0 when the divisor is not positive).
TMeasureValues PeriodTotals(const TPeriodSums& sums, TDateTime from, TDateTime to) {
  TMeasureValues totals;
  if (!sums.Any) return totals;
  const TCents eggs = sums.Sums[MeasureIndex("ENTHUEVO")];
  const TCents endBirds = sums.Sums[MeasureIndex("EXFINAVE")];
  const TCents cost = sums.Sums[MeasureIndex("TOTCOSTO")];
  const auto days = static_cast<TCents>(std::llround(std::floor(to) - std::floor(from))) + 1;
  for (size_t i = 0; i < kMeasureCount; ++i) {
    switch (kMeasureRules[i].Rule) {
      case TTotalRule::Sum:
        totals[i] = sums.Sums[i];
        break;
      case TTotalRule::EggYield: {
        // eggs * 100 / ((start + end) / 2 * days), in hundredths of a percent.
        const TCents birdDays = (sums.StartBirds + endBirds) * days;
        totals[i] = birdDays > 0 ? DivideRounded(eggs * 20000, birdDays) : 0;
        break;
      }
      case TTotalRule::UnitCost:
        totals[i] = eggs > 0 ? DivideRounded(cost * 100, eggs) : 0;
        break;
    }
  }
  return totals;
}

std::optional<TBcd> AsBcd(const std::optional<TCents>& value) {
  if (!value) return std::nullopt;
  return CentsToBcd(*value);
}

TComparedValue Compare(const std::optional<TCents>& now, const std::optional<TCents>& before) {
  TComparedValue compared{AsBcd(now), AsBcd(before), {}, {}};
  if (now && before) {
    compared.Difference = CentsToBcd(*now - *before);
    if (*before != 0) compared.Percent = CentsToBcd(PercentChange(*now, *before));
  }
  return compared;
}

TComparisonRow CompareRow(const TPeriodRow* now, const TPeriodRow* before) {
  TComparisonRow row;
  const TPeriodRow& named = now != nullptr && now->Active ? *now : *before;
  row.Code = named.Code;
  row.Name = named.Name;
  row.InNow = now != nullptr && now->Active;
  row.InBefore = before != nullptr && before->Active;
  for (size_t i = 0; i < kMeasureCount; ++i) {
    row.Values.push_back(Compare(row.InNow ? now->Value(i) : std::nullopt,
                                 row.InBefore ? before->Value(i) : std::nullopt));
  }
  return row;
}

bool CodeBefore(const TPeriodRow& a, const TPeriodRow& b) { return a.Code < b.Code; }

// Matches the two runs' rows by warehouse code: where a code is held by several warehouses,
// the first of one period goes with the first of the other, and so on (the procedure gives
// them in the same order in both). Warehouses in neither period are left out.
TComparison CompareRuns(const TComparisonPeriods& periods, std::vector<TPeriodRow> now,
                        std::vector<TPeriodRow> before) {
  std::stable_sort(now.begin(), now.end(), CodeBefore);
  std::stable_sort(before.begin(), before.end(), CodeBefore);
  TComparison comparison;
  comparison.Periods = periods;
  comparison.Measures = ComparedMeasures();
  comparison.Rows.reserve(std::max(now.size(), before.size()));
  TPeriodSums nowSums, beforeSums;
  size_t n = 0, b = 0;
  while (n < now.size() || b < before.size()) {
    const TPeriodRow* left = nullptr;
    const TPeriodRow* right = nullptr;
    if (b == before.size() || (n < now.size() && now[n].Code < before[b].Code)) {
      left = &now[n++];
    } else if (n == now.size() || before[b].Code < now[n].Code) {
      right = &before[b++];
    } else {
      left = &now[n++];
      right = &before[b++];
    }
    if (left != nullptr) AddToSums(*left, nowSums);
    if (right != nullptr) AddToSums(*right, beforeSums);
    if ((left == nullptr || !left->Active) && (right == nullptr || !right->Active)) continue;
    comparison.Rows.push_back(CompareRow(left, right));
  }
  const TMeasureValues nowTotals = PeriodTotals(nowSums, periods.From, periods.To);
  const TMeasureValues beforeTotals = PeriodTotals(beforeSums, periods.RefFrom, periods.RefTo);
  comparison.Totals.Code = "";
  comparison.Totals.Name = "Total";
  comparison.Totals.InNow = nowSums.Any;
  comparison.Totals.InBefore = beforeSums.Any;
  for (size_t i = 0; i < kMeasureCount; ++i) {
    comparison.Totals.Values.push_back(Compare(nowTotals[i], beforeTotals[i]));
  }
  return comparison;
}

}  // namespace

int WholeMonths(TDateTime from, TDateTime to) {
  int fromYear = 0, fromMonth = 0, fromDay = 0, toYear = 0, toMonth = 0, toDay = 0;
  DecodeDate(from, fromYear, fromMonth, fromDay);
  DecodeDate(to + 1, toYear, toMonth, toDay);
  if (fromDay != 1 || toDay != 1 || to < from) return 0;
  return (toYear - fromYear) * 12 + (toMonth - fromMonth);
}

TComparisonPeriods ComparisonPeriods(TDateTime from, TDateTime to, TReferenceKind kind,
                                     TDateTime refFrom, TDateTime refTo) {
  TComparisonPeriods periods{from, to, refFrom, refTo};
  switch (kind) {
    case TReferenceKind::Previous: {
      // Whole calendar months compare with as many whole months just before (November for
      // December, not the 31 days ending on 30 November); other periods with as many days.
      periods.RefTo = from - 1;
      if (const int months = WholeMonths(from, to); months > 0) {
        int fromYear = 0, fromMonth = 0, fromDay = 0;
        DecodeDate(from, fromYear, fromMonth, fromDay);
        const int first = fromYear * 12 + (fromMonth - 1) - months;
        periods.RefFrom = EncodeDate(first / 12, first % 12 + 1, 1);
      } else {
        periods.RefFrom = periods.RefTo - (to - from);
      }
      break;
    }
    case TReferenceKind::Year: {
      const auto yearEarlier = [](TDateTime date) {
        int year = 0, month = 0, day = 0;
        DecodeDate(date, year, month, day);
        if (month == 2 && day == 29) day = 28;
        return EncodeDate(year - 1, month, day);
      };
      periods.RefFrom = yearEarlier(from);
      periods.RefTo = yearEarlier(to);
      break;
    }
    case TReferenceKind::Dates:
      break;
  }
  return periods;
}

std::vector<TComparedMeasure> ComparedMeasures() {
  std::vector<TComparedMeasure> measures;
  for (const TMeasureRule& rule : kMeasureRules) {
    for (const TReportFieldSpec& spec : kReportFields) {
      if (std::string_view(spec.FieldName) != rule.FieldName) continue;
      measures.push_back({spec.FieldName, spec.DisplayLabel,
                          spec.DisplayFormat != nullptr ? spec.DisplayFormat : "",
                          rule.RiseIsGood});
    }
  }
  return measures;
}

TComparison RunComparison(const std::string& database, const std::string& user,
                          const std::string& password, const TComparisonPeriods& periods) {
  TPeriodRun now, before;
  {
    TPeriodConnection first(database, user, password, true);
    // The reference period on a second connection at once; where the database takes no second
    // attachment, after the report period on the first.
    std::unique_ptr<TPeriodConnection> second;
    try {
      second = std::make_unique<TPeriodConnection>(database, user, password, false);
    } catch (const EDatabaseError&) {
      second.reset();
    }
    if (second) {
      // Settings the fields read as they are made are loaded here, before a second thread
      // could load them at the same time.
      platform::FormatSettings();
      std::thread reference(
          [&] { ReadPeriod(second->Query, periods.RefFrom, periods.RefTo, before); });
      ReadPeriod(first.Query, periods.From, periods.To, now);
      reference.join();
    } else {
      ReadPeriod(first.Query, periods.From, periods.To, now);
      if (!now.Failure) ReadPeriod(first.Query, periods.RefFrom, periods.RefTo, before);
    }
  }
  if (now.Failure) std::rethrow_exception(now.Failure);
  if (before.Failure) std::rethrow_exception(before.Failure);
  return CompareRuns(periods, std::move(now.Rows), std::move(before.Rows));
}

std::string ComparisonEmptyMessage(const TComparison& comparison) {
  if (!comparison.Totals.InNow) return "No hay datos para el reporte.";
  if (!comparison.Totals.InBefore) {
    return "No hay datos en el per\xEDodo de referencia (" + DateToStr(comparison.Periods.RefFrom) +
           " - " + DateToStr(comparison.Periods.RefTo) + ") para comparar.";
  }
  return "";
}

}  // namespace report
