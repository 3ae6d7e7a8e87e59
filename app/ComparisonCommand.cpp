#include "app/ComparisonCommand.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QToolBar>
#include <atomic>
#include <chrono>
#include <exception>
#include <optional>
#include <thread>

#include "app/ComparisonDialog.h"
#include "app/Controls.h"
#include "app/DateTimePicker.h"
#include "app/OperatorMessages.h"
#include "app/QDates.h"
#include "app/rngrepcostoav.h"
#include "data/SqlExpr.h"
#include "platform/Cp1252.h"
#include "platform/Dialogs.h"
#include "platform/EngineStop.h"
#include "platform/ProgramFolder.h"
#include "print/PrintPreview.h"
#include "report/ComparisonPrint.h"
#include "report/ComparisonText.h"
#include "report/ComparisonWorkbook.h"
#include "report/ReportFields.h"
#include "report/SaveSelection.h"
#include "report/ReportPrint.h"
#include "report/dm.h"

namespace app {

namespace {
// The save dialog's entry of the workbook format.
constexpr int kXlsxEntry = 6;
}  // namespace

void SaveComparisonWorkbook(const report::TComparison& comparison,
                            const TExportDocumentInfo& info, TSaveDialog& saveDialog) {
  platform::SaveDialogRequest request;
  request.fileName = "Comparativo";
  request.filter = "Libro de Excel (*.xlsx)|*.XLSX";
  request.folder = saveDialog.Folder;
  const platform::SaveDialogResult result = platform::SaveDialogs().Run(request);
  if (!result.accepted) return;
  if (const size_t slash = result.fileName.rfind('/'); slash != std::string::npos) {
    saveDialog.Folder = slash == 0 ? "/" : result.fileName.substr(0, slash);
    if (saveDialog.OnFolderChosen) saveDialog.OnFolderChosen(saveDialog.Folder);
  }
  report::SaveComparisonWorkbook(comparison, SaveFileName(result.fileName, kXlsxEntry),
                                 info);
}

void PreviewComparison(const report::TComparison& comparison, const std::string& company,
                       const std::string& server, const TExportDocumentInfo& info,
                       TSaveDialog& saveDialog, QWidget* parent) {
  report::TComparisonPrintLines lines(comparison);
  TComparisonPages pages(lines, report::ComparisonPrintSpec(comparison, company, server));
  TPrintPreview preview(pages, parent);
  preview.setWindowTitle(QStringLiteral("Comparativo"));
  preview.PrintTime = report::PrintedNow;
  preview.PdfName = report::ComparisonFileName("Costos");
  if (auto* toolbar = preview.findChild<QToolBar*>()) {
    QAction* save = toolbar->addAction(QStringLiteral("XLSX..."));
    save->setObjectName("XlsxAction");
    save->setToolTip(QStringLiteral("Guardar el comparativo como libro de Excel"));
    QObject::connect(save, &QAction::triggered, &preview,
                     [&] { SaveComparisonWorkbook(comparison, info, saveDialog); });
  }
  preview.exec();
}

}  // namespace app

// The command is the window's; it lives here beside its dialog and preview.
void Tfrepcostoav::ppmCompareClick() {
  if (busy_) return;
  if (!fdm->Galvora->Connected()) {
    platform::MessageBoxes().Show(
        "Con\xe9" "ctese a una compa\xf1\xed" "a antes de pedir el comparativo.",
        platform::ProgramTitle(), platform::MsgIcon::Warning);
    return;
  }
  EFecIni->CheckDate();
  EFecFin->CheckDate();
  if (EFecIni->Date() > EFecFin->Date()) {
    platform::MessageBoxes().Show(app::DatesReversedMessage(platform::FromQString(EFecIni->text()),
                                                            platform::FromQString(EFecFin->text())),
                                  platform::ProgramTitle(), platform::MsgIcon::Warning);
    return;
  }
  app::TComparisonDialog dialog(app::FromQDate(EFecIni->Date()), app::FromQDate(EFecFin->Date()),
                                this);
  if (dialog.exec() != QDialog::Accepted) return;
  const report::TComparisonPeriods periods = dialog.Periods();
  const TConnectionParams& params = fdm->Galvora->Params();
  const std::string database = params.Values("Database");
  const std::string user = params.Values("User_Name");
  const std::string password = params.Values("password");

  busy_ = true;
  stopAsked_ = false;
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  const QString waiting = QStringLiteral("Generando comparativo. Espere un momento...");
  ShowStatus(waiting);
  // Both periods run on their own connections in a worker; the window keeps painting, shows
  // the time taken and takes a stop (Esc, Cancelar), which cancels the engine's statements.
  std::optional<report::TComparison> comparison;
  std::exception_ptr failure;
  std::atomic<bool> done{false};
  std::thread worker([&] {
    try {
      comparison = report::RunComparison(database, user, password, periods);
    } catch (...) {
      failure = std::current_exception();
    }
    done = true;
  });
  QElapsedTimer clock;
  clock.start();
  qint64 shownSeconds = 0, lastCancel = -1000;
  while (!done) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    if (done) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    // The two runs start their statements on their own: a stop is given again until both have
    // ended, so that one starting or between fetches at the first cancel is stopped too.
    if (CalculationStopped() && clock.elapsed() - lastCancel >= 200) {
      lastCancel = clock.elapsed();
      platform::CancelEngineWork();
    }
    const qint64 seconds = clock.elapsed() / 1000;
    if (seconds != shownSeconds && !stopAsked_) {
      shownSeconds = seconds;
      Panel5->SetCaption(waiting + QStringLiteral("\n%1 s · Esc o Cancelar detiene el cálculo")
                                       .arg(seconds));
    }
  }
  worker.join();
  if (CalculationStopped()) {
    platform::ForgetEngineCancel();
    EndBusy();
    ShowCalculationStopped();
    return;
  }
  EndBusy();
  if (failure) std::rethrow_exception(failure);
  const std::string empty = report::ComparisonEmptyMessage(*comparison);
  if (!empty.empty()) {
    platform::MessageBoxes().Show(empty, platform::ProgramTitle(), platform::MsgIcon::None);
    return;
  }
  app::PreviewComparison(
      *comparison, Cia->text().toStdString(),
      platform::FileNameToQString(ChosenServer()).toStdString(),
      report::ReportDocumentInfo(platform::FromQString(Cia->text()), periods.From, periods.To),
      *SaveDialog1, this);
}
