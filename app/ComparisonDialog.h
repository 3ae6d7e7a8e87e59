#pragma once

// The choice of the period the report's dates are compared with: the previous month (for a
// whole calendar month) or else the previous period of the same length, the same dates a
// year earlier, or dates the operator types. The reference
// period the choice gives is shown as it changes.

#include <QDialog>

#include "report/Comparison.h"

class QLabel;
class QPushButton;
class QRadioButton;

namespace app {

class TDateTimePicker;

class TComparisonDialog : public QDialog {
 public:
  // For the report period `from` .. `to`; the typed dates start at the previous period.
  TComparisonDialog(TDateTime from, TDateTime to, QWidget* parent = nullptr);

  QRadioButton* Previous;
  QRadioButton* Year;
  QRadioButton* Dates;
  TDateTimePicker* RefFrom;
  TDateTimePicker* RefTo;
  QLabel* Reference;  // "Referencia: Desde ... Hasta ..."
  QPushButton* OkButton;
  QPushButton* CancelButton;

  // The report period and the reference period chosen.
  report::TComparisonPeriods Periods() const;

  // Takes the choice, except typed dates that are not a date or end before they start: the
  // operator is told and the dialog stays.
  void accept() override;

 private:
  void ShowReference();

  TDateTime from_, to_;
};

}  // namespace app
