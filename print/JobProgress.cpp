#include "print/JobProgress.h"

#include <QApplication>
#include <QProgressDialog>

namespace {

// The job runs this long before the dialog shows.
constexpr int kShowAfterMs = 400;
constexpr int kUpdateEveryMs = 50;

}  // namespace

TJobProgress::TJobProgress(QString what, QString unit, QWidget* parent)
    : what_(std::move(what)),
      unit_(std::move(unit)),
      dialog_(std::make_unique<QProgressDialog>(parent ? parent
                                                       : QApplication::activeWindow())) {
  dialog_->setWindowTitle(what_);
  dialog_->setCancelButtonText(QStringLiteral("Cancelar"));
  dialog_->setWindowModality(Qt::WindowModal);
  dialog_->setMinimumDuration(kShowAfterMs);
  dialog_->setAutoClose(false);
  dialog_->setAutoReset(false);
  dialog_->setValue(0);
}

TJobProgress::~TJobProgress() = default;

bool TJobProgress::Step(long done, long total) {
  // Rows come by the thousand: the dialog is brought up to date a few times a second.
  if (shown_.isValid() && shown_.elapsed() < kUpdateEveryMs && done != total) {
    return !dialog_->wasCanceled();
  }
  shown_.start();
  if (total > 0) {
    // The dialog counts in int; the label carries the exact figures.
    const int scale = total > 1000000 ? static_cast<int>(total / 1000000 + 1) : 1;
    dialog_->setMaximum(static_cast<int>(total / scale));
    dialog_->setLabelText(QStringLiteral("%1: %2 de %3 %4")
                              .arg(what_, QString::number(done), QString::number(total), unit_));
    dialog_->setValue(static_cast<int>(done / scale));
  } else {
    // A busy bar and the count so far.
    dialog_->setMaximum(0);
    dialog_->setLabelText(QStringLiteral("%1: %2 %3").arg(what_, QString::number(done), unit_));
    dialog_->setValue(0);
  }
  // The window repaints and the Cancel button answers while the job runs.
  QApplication::processEvents();
  return !dialog_->wasCanceled();
}
