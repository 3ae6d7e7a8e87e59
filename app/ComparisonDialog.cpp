#include "app/ComparisonDialog.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/DateTimePicker.h"
#include "app/QDates.h"
#include "data/DateText.h"
#include "platform/Cp1252.h"
#include "platform/Dialogs.h"
#include "platform/ProgramFolder.h"

namespace app {

namespace {

// The caption of the previous period: what the comparison takes for the report period.
QString PreviousCaption(TDateTime from, TDateTime to) {
  const int months = report::WholeMonths(from, to);
  if (months == 1) return QStringLiteral("&Mes anterior");
  if (months > 1) {
    return QStringLiteral("&Período anterior (los %1 meses completos anteriores)").arg(months);
  }
  return QStringLiteral("&Período anterior (el mismo número de días)");
}

}  // namespace

TComparisonDialog::TComparisonDialog(TDateTime from, TDateTime to, QWidget* parent)
    : QDialog(parent), from_(from), to_(to) {
  setObjectName("ComparisonDialog");
  setWindowTitle(QStringLiteral("Comparativo"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(
      new QLabel(platform::ToQString("Per\xedodo del reporte: Desde " + DateToStr(from) +
                                     " Hasta " + DateToStr(to) + "\nComparar con:"),
                 this));
  Previous = new QRadioButton(PreviousCaption(from, to), this);
  Year = new QRadioButton(QStringLiteral("Mismo período del &año anterior"), this);
  Dates = new QRadioButton(QStringLiteral("&Fechas:"), this);
  auto* group = new QButtonGroup(this);
  for (QRadioButton* button : {Previous, Year, Dates}) group->addButton(button);
  Previous->setChecked(true);
  const report::TComparisonPeriods previous =
      report::ComparisonPeriods(from, to, report::TReferenceKind::Previous);
  RefFrom = new TDateTimePicker(ToQDate(previous.RefFrom), this);
  RefFrom->setObjectName("RefFrom");
  RefTo = new TDateTimePicker(ToQDate(previous.RefTo), this);
  RefTo->setObjectName("RefTo");
  auto* grid = new QGridLayout;
  grid->addWidget(Previous, 0, 0, 1, 5);
  grid->addWidget(Year, 1, 0, 1, 5);
  grid->addWidget(Dates, 2, 0);
  grid->addWidget(new QLabel(QStringLiteral("Desde"), this), 2, 1);
  grid->addWidget(RefFrom, 2, 2);
  grid->addWidget(new QLabel(QStringLiteral("Hasta"), this), 2, 3);
  grid->addWidget(RefTo, 2, 4);
  layout->addLayout(grid);
  Reference = new QLabel(this);
  Reference->setObjectName("Reference");
  layout->addWidget(Reference);
  auto* buttons = new QDialogButtonBox(this);
  OkButton = buttons->addButton(QStringLiteral("Aceptar"), QDialogButtonBox::AcceptRole);
  CancelButton = buttons->addButton(QStringLiteral("Cancelar"), QDialogButtonBox::RejectRole);
  OkButton->setDefault(true);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  for (QRadioButton* button : {Previous, Year, Dates}) {
    connect(button, &QRadioButton::toggled, this, [this] { ShowReference(); });
  }
  connect(RefFrom, &QLineEdit::textChanged, this, [this] { ShowReference(); });
  connect(RefTo, &QLineEdit::textChanged, this, [this] { ShowReference(); });
  ShowReference();
  Previous->setFocus();
}

report::TComparisonPeriods TComparisonDialog::Periods() const {
  if (Year->isChecked()) return report::ComparisonPeriods(from_, to_, report::TReferenceKind::Year);
  if (Dates->isChecked()) {
    return report::ComparisonPeriods(from_, to_, report::TReferenceKind::Dates,
                                     FromQDate(RefFrom->Date()), FromQDate(RefTo->Date()));
  }
  return report::ComparisonPeriods(from_, to_, report::TReferenceKind::Previous);
}

void TComparisonDialog::ShowReference() {
  RefFrom->setEnabled(Dates->isChecked());
  RefTo->setEnabled(Dates->isChecked());
  const report::TComparisonPeriods periods = Periods();
  Reference->setText(platform::ToQString("Referencia: Desde " + DateToStr(periods.RefFrom) +
                                         " Hasta " + DateToStr(periods.RefTo)));
}

void TComparisonDialog::accept() {
  if (Dates->isChecked()) {
    std::string problem;
    if (!RefFrom->TextIsDate() || !RefTo->TextIsDate()) {
      const TDateTimePicker* wrong = RefFrom->TextIsDate() ? RefTo : RefFrom;
      problem = "'" + platform::FromQString(wrong->text()) + "' no es una fecha v\xe1lida.";
    } else if (RefFrom->Date() > RefTo->Date()) {
      problem = "La fecha Desde de la referencia (" + platform::FromQString(RefFrom->text()) +
                ") es posterior a la fecha Hasta (" + platform::FromQString(RefTo->text()) +
                "): no se calcula el comparativo.";
    }
    if (!problem.empty()) {
      platform::MessageBoxes().Show(problem, platform::ProgramTitle(), platform::MsgIcon::Warning);
      return;
    }
  }
  QDialog::accept();
}

}  // namespace app
