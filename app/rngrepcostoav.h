#pragma once

// The report window "Reporte Costos Avícola": the origin of the data (server folder, user,
// password, company), the date range, the four command buttons, the report grid with its
// navigator bar, the status panel and the configuration panel. It owns the report's and the
// configuration's client result sets with their providers and data sources.

#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "app/DateTimePicker.h"
#include "report/CommandLine.h"
#include "report/ReportColumnFit.h"

class QAction;
class QComboBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class TClientDataSet;
class TDataSetProvider;
class TDataSource;
class TDBGridEh;
class TDBNavigator;
class TField;
class TProviderOwner;
class TSQLQuery;
struct TSaveDialog;
struct TReportHeading;

namespace app {
class TConfigPanel;
class TGroupBox;
class TPanel;
class TSpeedButton;
}  // namespace app

class Tfrepcostoav : public QWidget {
 public:
  // Builds the window (hidden) and runs the create handler: the installation folder and the
  // server list. `arguments` are the command line the first activation acts on. Requires: the
  // data module `fdm` exists.
  explicit Tfrepcostoav(report::CommandLineArguments arguments = {}, QWidget* parent = nullptr);
  ~Tfrepcostoav() override;

  // --- controls ---
  app::TPanel* Panel2;
  QLabel* Label2;
  app::TPanel* Panel4;
  app::TGroupBox* GroupBox1;
  QComboBox* Servidor;
  QLineEdit* Tusua;
  QLineEdit* TClave;
  QLineEdit* Cia;
  app::TPanel* Panel6;
  app::TDateTimePicker* EFecIni;
  app::TDateTimePicker* EFecFin;
  app::TSpeedButton* SpeedButton3;
  app::TSpeedButton* SpeedButton1;
  app::TSpeedButton* SpeedButton4;
  app::TSpeedButton* SpeedButton2;
  app::TPanel* Panel3;
  TDBGridEh* DBGridEh2;
  TDBNavigator* DBNavigator1;
  app::TConfigPanel* AdvPanel1;
  app::TPanel* Panel5;
  QMenu* PopupMenu1;
  QAction* ppmCopy;
  QAction* ppmSelectAll;
  QAction* ppmSaveSelection;
  QAction* ppmPrint;
  QAction* ppmCompare;
  // The save dialog's state: the filter entry chosen last.
  std::unique_ptr<TSaveDialog> SaveDialog1;

  // --- data chain (client result sets find their providers by name in Providers) ---
  std::unique_ptr<TProviderOwner> Providers;
  std::unique_ptr<TDataSetProvider> PRepcliente;
  std::unique_ptr<TClientDataSet> CRepcliente;
  std::unique_ptr<TDataSource> DRepclien;
  std::unique_ptr<TSQLQuery> TConfcostos;
  std::unique_ptr<TDataSetProvider> PConfrep;
  std::unique_ptr<TClientDataSet> CConfrep;
  std::unique_ptr<TDataSource> DConfrep;

  // --- commands (event handlers) ---
  // Connect step: reconnects `Galvora` to server + "/datos/" + company + "/galvora.fdb" with
  // the typed user and password, sets the dates to the current month, enables the commands.
  // Does nothing while Cia, Tusua or TClave is empty.
  void CiaExit();
  // Calculate: runs COSTOS_AVICOLA for the date range into CRepcliente.
  void SpeedButton3Click();
  // Export: sets the export flag, then calculates.
  void SpeedButton1Click();
  // Configure: opens CConfrep and shows the configuration panel.
  void SpeedButton4Click();
  // Save configuration: posts a pending edit, applies the changes of CConfrep (no error
  // tolerated), closes it and hides the panel. A change that was not applied raises its
  // error ("Record not found or changed by another user" over another program's change).
  void SpeedButton5Click();
  // Close: closes the window.
  void SpeedButton2Click();
  void ppmCopyClick();
  void ppmSelectAllClick();
  void ppmSaveSelectionClick();
  // Print (Ctrl+P): the print preview of the report calculated last.
  void ppmPrintClick();
  // Comparativo (F8): the report's dates against a reference period chosen in a dialog, shown
  // in the print preview (app/ComparisonCommand.cpp).
  void ppmCompareClick();

  // --- state ---
  bool ExportFlag() const { return exportFlag_; }
  // True while a calculation runs: input to the window is dropped and no command starts.
  bool Busy() const { return busy_; }
  const std::vector<std::string>& ServerList() const { return serverList_; }

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void CreateControls();
  void CreateDataChain();
  // Create handler: installation folder and server list into `Servidor`.
  void FormCreate();
  // First activation: the command-line step.
  void FormActivate();
  // The window's key preview: F2, F4, F7, F8 and Esc without Shift, Ctrl or Alt.
  void FormKeyDown(QKeyEvent* event);
  void ShowStatus(const QString& text);
  // The command buttons at their places, or moved into view when the window is narrower.
  void PlaceCommandButtons();
  // Shares the grid's width so that the figures show whole where there is room; `measure`
  // first takes the widths the report's texts need (after a calculation).
  void FitReportColumns(bool measure);
  // Ends a calculation, also a failed one: hides the status panel, restores the cursor, drops
  // the input that arrived meanwhile and carries out a close asked for during it.
  void EndBusy();
  // Called as rows arrive: every tenth of a second the panel shows their number and the
  // window repaints; user input is dropped, except a stop.
  void RowsArrived(int rows);
  // The operator's stop of a running calculation (Esc, Cancelar, closing the window): the
  // engine cancels the statement; the grid is left empty and the panel says it stopped.
  void StopCalculation();
  // Says the calculation was stopped; the panel goes a few seconds later unless busy again.
  void ShowCalculationStopped();
  // True when the running calculation was asked to stop (by the operator or a stop request).
  bool CalculationStopped() const;
  // True for input that stops a calculation: Esc without Shift, Ctrl or Alt, a click on Cancelar.
  bool IsStopInput(QObject* watched, QEvent* event) const;
  // The status panel's text while a calculation runs; with rows arriving, a second line gives
  // their number and how to stop.
  QString CalculationCaption(const std::string& progress) const;
  // Adds a server entry (file-system text) to `Servidor`, shown as text, keeping its bytes.
  void AddServer(const std::string& entry);
  // The chosen server entry's bytes ("" when the list is empty).
  std::string ChosenServer() const;

  report::CommandLineArguments arguments_;
  std::vector<std::string> serverList_;
  std::vector<std::unique_ptr<TField>> fields_;
  bool exportFlag_ = false;
  // The origin and period of the report in the grid, for its printed header.
  std::unique_ptr<TReportHeading> reportHeading_;
  bool activated_ = false;
  bool busy_ = false;
  bool closeRequested_ = false;
  bool stopAsked_ = false;
  // The key press the preview acted on last, while Qt hands it on from the control it was sent
  // to up through that control's parents: the preview must not act on it again. Key events
  // can share an address (one press after another), so a press counts as that one only while
  // it walks the same chain: the same event, key and time, at the parent it reaches next.
  struct TPreviewedKey {
    const QEvent* event = nullptr;
    QPointer<QWidget> next;
    int key = 0;
    Qt::KeyboardModifiers modifiers;
    quint64 timestamp = 0;
  };
  TPreviewedKey previewed_;
  // True when `key`, arriving at `widget`, is the previewed press handed on to a parent.
  bool IsPreviewedKeyPassingOn(const QWidget* widget, const QKeyEvent& key) const;
  // What each report column needs to show its texts whole, from the last calculation.
  std::vector<report::TColumnNeed> columnNeeds_;
  QElapsedTimer progressClock_;
  qint64 lastProgress_ = 0;
  // The company and period of the last calculation, for the files that record them.
  std::string reportCompany_;
  double reportStart_ = 0, reportEnd_ = 0;
};
