#pragma once

// The progress of a long print or save shown to the operator: a modal dialog with the pages
// or rows done and a Cancel button. It shows only once the job has run for a moment, and it
// lets the window repaint while the job runs.

#include <QElapsedTimer>
#include <QString>
#include <memory>

class QProgressDialog;
class QWidget;

class TJobProgress {
 public:
  // `what` names the job ("Imprimiendo", "Guardando"), `unit` what is counted ("páginas").
  // Without `parent` the dialog belongs to the active window.
  TJobProgress(QString what, QString unit, QWidget* parent);
  ~TJobProgress();
  TJobProgress(const TJobProgress&) = delete;
  TJobProgress& operator=(const TJobProgress&) = delete;

  // Shows `done` of `total` (0: not known); false once the operator chose Cancel.
  bool Step(long done, long total);
  // The dialog, for tests.
  QProgressDialog& Dialog() const { return *dialog_; }

 private:
  QString what_, unit_;
  std::unique_ptr<QProgressDialog> dialog_;
  QElapsedTimer shown_;  // since the dialog was last brought up to date
};
