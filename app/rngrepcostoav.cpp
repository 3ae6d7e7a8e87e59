#include "app/rngrepcostoav.h"

#include <QAction>
#include <array>
#include <new>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QPainter>
#include <QProxyStyle>
#include <QScreen>
#include <QTimer>

#include "app/ConfigPanel.h"
#include "app/Controls.h"
#include "app/DateTimePicker.h"
#include "app/ErrorReport.h"
#include "app/OperatorMessages.h"
#include "app/QDates.h"
#include "app/WindowFit.h"
#include "data/DBClient.h"
#include "data/DateText.h"
#include "data/Provider.h"
#include "data/SqlExpr.h"
#include "export/ClipboardCopy.h"
#include "grid/DBGridEh.h"
#include "grid/DBNavigator.h"
#include "platform/Clipboard.h"
#include "platform/Cp1252.h"
#include "platform/Dialogs.h"
#include "platform/EngineStop.h"
#include "platform/ProgramFolder.h"
#include "platform/RegionalSettings.h"
#include "platform/ResourceLimits.h"
#include "platform/StopRequests.h"
#include "report/InstallFolder.h"
#include "report/ReportColumnFit.h"
#include "report/ReportFields.h"
#include "report/ReportPrint.h"
#include "report/SaveSelection.h"
#include "report/ServerList.h"
#include "report/dm.h"

using platform::FromQString;
using platform::ToQString;

namespace {

// The password edit shows "*" for every character.
class TPasswordStyle : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returnData) const override {
    if (hint == SH_LineEdit_PasswordCharacter) return '*';
    return QProxyStyle::styleHint(hint, option, widget, returnData);
  }
};

using app::FromQDate;
using app::ToQDate;

// The 46 x 32 pictures of the command buttons.
QPixmap ButtonPicture(int kind) {
  QPixmap picture(46, 32);
  picture.fill(Qt::transparent);
  QPainter p(&picture);
  p.setRenderHint(QPainter::Antialiasing);
  switch (kind) {
    case 0:  // calculate: a sheet with a rising chart
      p.setPen(QPen(QColor(0, 0, 128), 1));
      p.setBrush(Qt::white);
      p.drawRect(12, 2, 22, 28);
      p.setPen(QPen(QColor(0, 128, 0), 2));
      p.drawPolyline(QPolygon({QPoint(15, 25), QPoint(20, 18), QPoint(25, 21), QPoint(31, 8)}));
      break;
    case 1:  // export: a disk with an arrow
      p.setPen(QPen(QColor(0, 0, 128), 1));
      p.setBrush(QColor(64, 96, 192));
      p.drawRect(10, 6, 22, 22);
      p.setBrush(Qt::white);
      p.drawRect(14, 6, 14, 8);
      p.setPen(QPen(QColor(0, 128, 0), 3));
      p.drawLine(30, 14, 41, 14);
      p.drawLine(37, 10, 41, 14);
      p.drawLine(37, 18, 41, 14);
      break;
    case 2:  // configure: a gear
      p.setPen(QPen(QColor(64, 64, 64), 4));
      for (int a = 0; a < 180; a += 45) {
        p.save();
        p.translate(23, 16);
        p.rotate(a);
        p.drawLine(-12, 0, 12, 0);
        p.restore();
      }
      p.setPen(QPen(QColor(64, 64, 64), 1));
      p.setBrush(QColor(160, 160, 160));
      p.drawEllipse(QPoint(23, 16), 8, 8);
      p.setBrush(Qt::white);
      p.drawEllipse(QPoint(23, 16), 3, 3);
      break;
    default:  // cancel: a red cross
      p.setPen(QPen(QColor(192, 0, 0), 4));
      p.drawLine(14, 5, 32, 27);
      p.drawLine(32, 5, 14, 27);
      break;
  }
  return picture;
}

QLabel* MakeLabel(const QString& text, int left, int top, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->move(left, top);
  label->adjustSize();
  return label;
}

}  // namespace

Tfrepcostoav::Tfrepcostoav(report::CommandLineArguments arguments, QWidget* parent)
    : QWidget(parent), arguments_(std::move(arguments)) {
  setObjectName("frepcostoav");
  CreateControls();
  CreateDataChain();
  // An error of the create handler goes to the general error report; the window is made.
  try {
    FormCreate();
  } catch (...) {
    app::ShowCurrentException();
  }
}

Tfrepcostoav::~Tfrepcostoav() {
  qApp->removeEventFilter(this);
  // The controls let go of the data sources before the data chain goes.
  DBGridEh2->SetDataSource(nullptr);
  DBNavigator1->SetDataSource(nullptr);
  AdvPanel1->SetDataSource(nullptr);
  if (CRepcliente) CRepcliente->Close();
  if (CConfrep) CConfrep->Close();
}

void Tfrepcostoav::CreateControls() {
  setWindowTitle(QStringLiteral("Reporte Costos Av\u00EDcola"));
  setFont(platform::ToQFont({.Name = "MS Sans Serif", .Size = 8}));
  QPalette colours = palette();
  colours.setColor(QPalette::Window, platform::ToQColor(platform::clBtnFace));
  colours.setColor(QPalette::Button, platform::ToQColor(platform::clBtnFace));
  setPalette(colours);
  setAutoFillBackground(true);
  resize(1420, 654);

  Panel2 = new app::TPanel(this);
  Panel2->setObjectName("Panel2");
  Panel2->resize(1420, 41);
  app::SetAlign(Panel2, app::alTop);
  Label2 = new QLabel(
      QStringLiteral("Este programa imprime un reporte de costos de producci\u00F3n de acuerdo a "
                     "la configuraci\u00F3n de las bodegas."),
      Panel2);
  Label2->setObjectName("Label2");
  Label2->setGeometry(11, 8, 1182, 25);
  Label2->setWordWrap(true);
  Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  Panel4 = new app::TPanel(this);
  Panel4->setObjectName("Panel4");
  Panel4->resize(1420, 109);
  app::SetAlign(Panel4, app::alTop);

  GroupBox1 = new app::TGroupBox(QStringLiteral("Origen:"), Panel4);
  GroupBox1->setObjectName("GroupBox1");
  GroupBox1->resize(353, 107);
  app::SetAlign(GroupBox1, app::alLeft);
  MakeLabel(QStringLiteral("Servidor : "), 16, 16, GroupBox1);
  MakeLabel(QStringLiteral("Usuario : "), 16, 40, GroupBox1);
  MakeLabel(QStringLiteral("Clave : "), 17, 64, GroupBox1);
  MakeLabel(QStringLiteral("Compa\u00F1\u00EDa:"), 17, 88, GroupBox1);
  Servidor = new QComboBox(GroupBox1);
  Servidor->setObjectName("Servidor");
  Servidor->setEditable(false);
  Servidor->setGeometry(76, 8, 120, 21);
  Servidor->addItem(QStringLiteral("c:\\galvora"));
  Servidor->setCurrentIndex(0);
  auto makeEdit = [this](const char* name, int top, int width) {
    auto* edit = new QLineEdit(GroupBox1);
    edit->setObjectName(name);
    edit->setFrame(false);
    edit->setGeometry(76, top, width, 21);
    return edit;
  };
  Tusua = makeEdit("Tusua", 32, 97);
  TClave = makeEdit("TClave", 56, 97);
  TClave->setEchoMode(QLineEdit::Password);
  auto* passwordStyle = new TPasswordStyle;
  passwordStyle->setParent(TClave);
  TClave->setStyle(passwordStyle);
  Cia = makeEdit("Cia", 80, 45);

  Panel6 = new app::TPanel(Panel4);
  Panel6->setObjectName("Panel6");
  Panel6->resize(412, 107);
  app::SetAlign(Panel6, app::alLeft);
  MakeLabel(QStringLiteral("Rango fechas:"), 8, 8, Panel6);
  MakeLabel(QStringLiteral("Desde:"), 48, 32, Panel6);
  MakeLabel(QStringLiteral("Hasta:"), 48, 56, Panel6);
  auto makeDate = [this](const char* name, int top) {
    auto* picker = new app::TDateTimePicker(QDate(2003, 1, 20), Panel6);
    picker->setObjectName(name);
    picker->setGeometry(88, top, 97, 21);
    return picker;
  };
  EFecIni = makeDate("EFecIni", 24);
  EFecFin = makeDate("EFecFin", 48);

  auto makeButton = [this](const char* name, const char* caption, int picture, int left) {
    auto* button = new app::TSpeedButton(QString::fromUtf8(caption), ButtonPicture(picture),
                                         Panel4);
    button->setObjectName(name);
    button->move(left, 25);
    return button;
  };
  SpeedButton3 = makeButton("SpeedButton3", "F2: Calcular", 0, 856);
  SpeedButton1 = makeButton("SpeedButton1", "F4: Exportar", 1, 952);
  SpeedButton4 = makeButton("SpeedButton4", "F7:Configura", 2, 1048);
  SpeedButton2 = makeButton("SpeedButton2", "Esc: Cancelar", 3, 1144);
  SpeedButton3->setEnabled(false);
  SpeedButton1->setEnabled(false);
  SpeedButton4->setEnabled(false);
  connect(SpeedButton3, &QToolButton::clicked, this, [this] { SpeedButton3Click(); });
  connect(SpeedButton1, &QToolButton::clicked, this, [this] { SpeedButton1Click(); });
  connect(SpeedButton4, &QToolButton::clicked, this, [this] { SpeedButton4Click(); });
  connect(SpeedButton2, &QToolButton::clicked, this, [this] { SpeedButton2Click(); });

  Panel3 = new app::TPanel(this);
  Panel3->setObjectName("Panel3");
  app::SetAlign(Panel3, app::alClient);
  DBNavigator1 = new TDBNavigator(Panel3);
  DBNavigator1->setObjectName("DBNavigator1");
  DBNavigator1->SetVisibleButtons(1u << nbFirst | 1u << nbPrior | 1u << nbNext | 1u << nbLast);
  DBNavigator1->SetFlat(true);
  DBNavigator1->resize(Panel3->width(), 18);
  app::SetAlign(DBNavigator1, app::alBottom);
  DBGridEh2 = new TDBGridEh(Panel3);
  DBGridEh2->setObjectName("DBGridEh2");
  InstallClipboardCopy(*DBGridEh2);
  app::SetAlign(DBGridEh2, app::alClient);
  AdvPanel1 = new app::TConfigPanel(Panel3);
  connect(AdvPanel1->SpeedButton5, &QToolButton::clicked, this, [this] { SpeedButton5Click(); });

  Panel5 = new app::TPanel(this);
  Panel5->setObjectName("Panel5");
  Panel5->BevelInner = app::bvLowered;
  Panel5->setGeometry(366, 192, 337, 41);
  Panel5->setFont(platform::ToQFont({.Name = "MS Sans Serif", .Size = 10}));
  QPalette navy = Panel5->palette();
  navy.setColor(QPalette::WindowText, platform::ToQColor(platform::clNavy));
  Panel5->setPalette(navy);
  Panel5->hide();

  SaveDialog1 = std::make_unique<TSaveDialog>();
  // The save dialog opens where the operator saved last, also in an earlier run.
  SaveDialog1->Folder = RememberedSaveFolder();
  SaveDialog1->OnFolderChosen = RememberSaveFolder;
  PopupMenu1 = new QMenu(this);
  ppmCopy = PopupMenu1->addAction(QStringLiteral("&Copiar"));
  ppmSelectAll = PopupMenu1->addAction(QStringLiteral("Se&lecccionar todo"));
  PopupMenu1->addSeparator();
  ppmSaveSelection = PopupMenu1->addAction(QStringLiteral("&Guardar selecci\u00F3n"));
  connect(ppmCopy, &QAction::triggered, this, [this] { ppmCopyClick(); });
  connect(ppmSelectAll, &QAction::triggered, this, [this] { ppmSelectAllClick(); });
  connect(ppmSaveSelection, &QAction::triggered, this, [this] { ppmSaveSelectionClick(); });
  ppmPrint = PopupMenu1->addAction(QStringLiteral("&Imprimir..."));
  ppmPrint->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
  addAction(ppmPrint);
  connect(ppmPrint, &QAction::triggered, this, [this] { ppmPrintClick(); });
  // F8 reaches the command through the key preview; the menu only shows it.
  ppmCompare = PopupMenu1->addAction(QStringLiteral("Co&mparativo...\tF8"));
  connect(ppmCompare, &QAction::triggered, this, [this] { ppmCompareClick(); });
  DBGridEh2->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(DBGridEh2, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { PopupMenu1->popup(DBGridEh2->mapToGlobal(at)); });

  // Tab order: the four origin inputs, the two dates, the grid.
  for (QWidget* button : {static_cast<QWidget*>(SpeedButton3), static_cast<QWidget*>(SpeedButton1),
                          static_cast<QWidget*>(SpeedButton4), static_cast<QWidget*>(SpeedButton2)}) {
    button->setFocusPolicy(Qt::NoFocus);
  }
  setTabOrder(Servidor, Tusua);
  setTabOrder(Tusua, TClave);
  setTabOrder(TClave, Cia);
  setTabOrder(Cia, EFecIni);
  setTabOrder(EFecIni, EFecFin);
  setTabOrder(EFecFin, DBGridEh2);

  qApp->installEventFilter(this);
  app::ArrangeControls(this, rect());
}

void Tfrepcostoav::CreateDataChain() {
  Providers = std::make_unique<TProviderOwner>();
  PRepcliente = std::make_unique<TDataSetProvider>("PRepcliente", Providers.get());
  PRepcliente->SetDataSet(fdm->QRepcliente.get());
  PRepcliente->SetOptions(poAllowCommandText);
  CRepcliente = std::make_unique<TClientDataSet>("CRepcliente", Providers.get());
  CRepcliente->SetProviderName("PRepcliente");
  CRepcliente->SetCommandText("select * from COSTOS_AVICOLA ('2022/01/01', '2022/01/31')");
  report::CreateReportFields(*CRepcliente, fields_);
  DRepclien = std::make_unique<TDataSource>(CRepcliente.get());

  TConfcostos = std::make_unique<TSQLQuery>("TConfcostos");
  TConfcostos->SetSQLConnection(fdm->Galvora.get());
  TConfcostos->SetMaxBlobSize(-1);
  PConfrep = std::make_unique<TDataSetProvider>("PConfrep", Providers.get());
  PConfrep->SetDataSet(TConfcostos.get());
  PConfrep->SetOptions(poAllowCommandText);
  CConfrep = std::make_unique<TClientDataSet>("CConfrep", Providers.get());
  CConfrep->SetProviderName("PConfrep");
  CConfrep->SetCommandText("SELECT * FROM CONFIGURA_COSTOS_PROD");
  app::CreateConfigFields(*CConfrep, fields_);
  DConfrep = std::make_unique<TDataSource>(CConfrep.get());
  AdvPanel1->SetDataSource(DConfrep.get());

  // Set up once the columns reach their fields, so that fitting starts from their widths.
  report::SetupReportGrid(*DBGridEh2, DRepclien.get());
  DBNavigator1->SetDataSource(DRepclien.get());
}

void Tfrepcostoav::FormCreate() {
  serverList_.clear();
  const std::string folder = report::InstallFolder();
  serverList_ = report::ReadServerList(report::ServerListPath(folder));
  Servidor->clear();
  for (const std::string& entry : serverList_) AddServer(entry);
  Servidor->setCurrentIndex(serverList_.empty() ? -1 : 0);
}

void Tfrepcostoav::FormActivate() {
  if (!arguments_.RunsAutomatically()) return;
  Servidor->clear();
  AddServer(arguments_.server);
  Servidor->setCurrentIndex(0);
  Tusua->setText(ToQString(arguments_.user));
  TClave->setText(ToQString(arguments_.password));
  Cia->setText(platform::FileNameToQString(arguments_.company));
  CiaExit();
  // The connect runs to its end above, so the connection reads open or closed here.
  if (!fdm->Galvora->Connected()) return;
  if (arguments_.HasStartDate()) EFecIni->SetDate(ToQDate(StrToDate(arguments_.startDate)));
  SpeedButton3Click();
}

void Tfrepcostoav::FormKeyDown(QKeyEvent* event) {
  if (event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)) return;
  switch (event->key()) {
    case Qt::Key_F2:
      SpeedButton3Click();
      break;
    case Qt::Key_F4:
      SpeedButton1Click();
      break;
    case Qt::Key_F7:
      SpeedButton4Click();
      break;
    case Qt::Key_F8:
      ppmCompareClick();
      break;
    case Qt::Key_Escape:
      SpeedButton2Click();
      break;
    default:
      break;
  }
}

void Tfrepcostoav::AddServer(const std::string& entry) {
  // The item keeps the entry's bytes, so the database name has them whatever is shown.
  const QByteArray bytes(entry.data(), static_cast<qsizetype>(entry.size()));
  Servidor->addItem(platform::FileNameToQString(entry), bytes);
}

std::string Tfrepcostoav::ChosenServer() const {
  const QVariant bytes = Servidor->currentData();
  if (bytes.typeId() != QMetaType::QByteArray) {
    return platform::FileNameFromQString(Servidor->currentText());
  }
  const QByteArray entry = bytes.toByteArray();
  return std::string(entry.constData(), static_cast<size_t>(entry.size()));
}

void Tfrepcostoav::ShowStatus(const QString& text) {
  Panel5->SetCaption(text);
  Panel5->show();
  Panel5->raise();
}

void Tfrepcostoav::CiaExit() {
  if (Cia->text().isEmpty() || Tusua->text().isEmpty() || TClave->text().isEmpty()) return;
  // The company as typed, every letter kept (it may name a folder in any script).
  ShowStatus(QStringLiteral("Conectando a la base de datos ") + Cia->text() + QStringLiteral(" ..."));
  repaint();
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  TSQLConnection& galvora = *fdm->Galvora;
  // The database name is file-system text: the server entry's bytes and the company as UTF-8.
  const std::string company = platform::FileNameFromQString(Cia->text());
  const std::string database = report::ReportDatabaseName(ChosenServer(), company);
  try {
    galvora.SetConnected(false);
    galvora.Params().SetValue("Database", database);
    galvora.Params().SetValue("User_Name", FromQString(Tusua->text()));
    galvora.Params().SetValue("password", FromQString(TClave->text()));
    try {
      galvora.SetConnected(true);
    } catch (const EDatabaseError& error) {
      // A company without a database is said in the operator's words, with the path looked at.
      if (!app::IsMissingDatabase(error.Message())) throw;
      DatabaseError(app::MissingCompanyMessage(company, ChosenServer(), database));
    }
  } catch (...) {
    // The panel says what is running; once the connect has failed it goes with the cursor.
    QGuiApplication::restoreOverrideCursor();
    Panel5->hide();
    throw;
  }
  QGuiApplication::restoreOverrideCursor();
  const QDate today = QDate::currentDate();
  EFecIni->SetDate(QDate(today.year(), today.month(), 1));
  EFecFin->SetDate(QDate(today.year(), today.month(), today.daysInMonth()));
  Panel5->hide();
  EFecIni->setFocus();
  SpeedButton3->setEnabled(true);
  SpeedButton1->setEnabled(true);
  SpeedButton4->setEnabled(true);
}

void Tfrepcostoav::SpeedButton3Click() {
  // One command at a time: a key or click that reaches the window while a calculation runs
  // starts nothing.
  if (busy_) return;
  EFecIni->CheckDate();
  EFecFin->CheckDate();
  // A period that ends before it starts is refused before anything runs.
  if (EFecIni->Date() > EFecFin->Date()) {
    platform::MessageBoxes().Show(
        app::DatesReversedMessage(FromQString(EFecIni->text()), FromQString(EFecFin->text())),
        platform::ProgramTitle(), platform::MsgIcon::Warning);
    return;
  }
  busy_ = true;
  stopAsked_ = false;
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  const std::string formerCompany = reportCompany_;
  const double formerStart = reportStart_, formerEnd = reportEnd_;
  try {
    ShowStatus(CalculationCaption(""));
    // The rows of the former report go first, so that the panel is never painted over them.
    CRepcliente->Close();
    QCoreApplication::processEvents();
    repaint();
    reportCompany_ = FromQString(Cia->text());
    reportStart_ = FromQDate(EFecIni->Date());
    reportEnd_ = FromQDate(EFecFin->Date());
    CRepcliente->SetCommandText(report::ReportCommandText(reportStart_, reportEnd_));
    progressClock_.start();
    lastProgress_ = 0;
    PRepcliente->OnRowWritten = [this](int rows) { RowsArrived(rows); };
    try {
      CRepcliente->Open();
    } catch (const std::bad_alloc&) {
      throw platform::Exception(platform::OutOfMemoryMessage("reading the report"));
    }
    PRepcliente->OnRowWritten = nullptr;
    if (!CalculationStopped()) {
      reportHeading_ = std::make_unique<TReportHeading>(
          report::ReportHeading(Cia->text().toStdString(),
                             platform::FileNameToQString(ChosenServer()).toStdString(),
                             FromQDate(EFecIni->Date()), FromQDate(EFecFin->Date())));
    }
  } catch (...) {
    PRepcliente->OnRowWritten = nullptr;
    // A failure the stop caused (the statement cancelled) is the stop, not an error.
    if (!CalculationStopped()) {
      EndBusy();
      throw;
    }
  }
  if (CalculationStopped()) {
    platform::ForgetEngineCancel();
    CRepcliente->Close();
    reportCompany_ = formerCompany;
    reportStart_ = formerStart;
    reportEnd_ = formerEnd;
    EndBusy();
    ShowCalculationStopped();
    return;
  }
  EndBusy();
  if (!CRepcliente->Active()) return;  // closed while it ran (the window was closed)
  FitReportColumns(true);
  if (CRepcliente->IsEmpty()) {
    platform::MessageBoxes().Show("No hay datos para el reporte.", platform::ProgramTitle(),
                                  platform::MsgIcon::None);
  } else if (exportFlag_) {
    ppmSelectAllClick();
    ppmSaveSelectionClick();
  }
}

void Tfrepcostoav::ShowCalculationStopped() {
  ShowStatus(QStringLiteral("Cálculo detenido."));
  QTimer::singleShot(3000, Panel5, [this] {
    if (!busy_) Panel5->hide();
  });
}

bool Tfrepcostoav::CalculationStopped() const { return stopAsked_ || platform::StopRequested(); }

void Tfrepcostoav::StopCalculation() {
  if (!busy_ || stopAsked_) return;
  stopAsked_ = true;
  Panel5->SetCaption(QStringLiteral("Deteniendo el cálculo..."));
  // The engine's own cancel: the running statement fails as cancelled wherever it is.
  platform::CancelEngineWork();
}

QString Tfrepcostoav::CalculationCaption(const std::string& progress) const {
  const QString waiting = QStringLiteral("Generando reporte. Espere un momento...");
  if (progress.empty()) return waiting;
  return waiting + ToQString("\n" + progress) + QStringLiteral(" · Esc o Cancelar detiene el cálculo");
}

void Tfrepcostoav::RowsArrived(int rows) {
  const qint64 now = progressClock_.elapsed();
  if (now - lastProgress_ < 100) return;
  lastProgress_ = now;
  std::string count = std::to_string(rows);
  const char separator = platform::FormatSettings().ThousandSeparator;
  for (int at = static_cast<int>(count.size()) - 3; at > 0 && separator != '\0'; at -= 3) {
    count.insert(static_cast<size_t>(at), 1, separator);
  }
  if (stopAsked_) return;
  Panel5->SetCaption(CalculationCaption(count + (rows == 1 ? " fila" : " filas")));
  // Input is delivered and dropped by the event filter, all but the stop (Esc, Cancelar).
  QCoreApplication::processEvents();
}

void Tfrepcostoav::EndBusy() {
  Panel5->hide();
  QGuiApplication::restoreOverrideCursor();
  // Input that arrived during the calculation is dropped while the window is still busy.
  QCoreApplication::processEvents();
  busy_ = false;
  if (closeRequested_) {
    closeRequested_ = false;
    close();
  }
}

void Tfrepcostoav::SpeedButton1Click() {
  if (busy_) return;
  exportFlag_ = true;
  SpeedButton3Click();
}

void Tfrepcostoav::SpeedButton4Click() {
  CConfrep->Open();
  AdvPanel1->show();
  AdvPanel1->raise();
}

void Tfrepcostoav::SpeedButton5Click() { app::SaveConfiguration(*CConfrep, *AdvPanel1); }

void Tfrepcostoav::SpeedButton2Click() { close(); }

namespace {
// The report grid that holds the focus, if any.
TDBGridEh* FocusedGrid() {
  for (QWidget* w = QApplication::focusWidget(); w != nullptr; w = w->parentWidget()) {
    if (auto* grid = dynamic_cast<TDBGridEh*>(w)) return grid;
    if (w->isWindow()) break;
  }
  return nullptr;
}
}  // namespace

void Tfrepcostoav::ppmCopyClick() {
  TDBGridEh* grid = FocusedGrid();
  if (grid == nullptr || !grid->DataLinkActive() || !(grid->EditActions() & geaCopyEh)) return;
  if (grid->OnCopyToClipboard) grid->OnCopyToClipboard(*grid);
}

void Tfrepcostoav::ppmSelectAllClick() {
  TDBGridEh* grid = FocusedGrid();
  if (grid == nullptr || !grid->CanSelectAll() || !(grid->EditActions() & geaSelectAllEh)) return;
  grid->Selection().SelectEverything();
}

void Tfrepcostoav::ppmSaveSelectionClick() {
  SaveSelection(*DBGridEh2, platform::SaveDialogs(), *SaveDialog1,
                report::ReportDocumentInfo(reportCompany_, reportStart_, reportEnd_));
}

void Tfrepcostoav::ppmPrintClick() {
  if (busy_) return;  // Ctrl+P while the rows arrive: they are not all there yet
  if (!CRepcliente->Active() || CRepcliente->IsEmpty() || !reportHeading_) {
    platform::MessageBoxes().Show("No hay datos para el reporte.", platform::ProgramTitle(),
                                  platform::MsgIcon::None);
    return;
  }
  TReportHeading heading = *reportHeading_;
  heading.Printed = report::PrintedNow();
  report::PreviewReport(*DBGridEh2, heading, this);
}

bool Tfrepcostoav::event(QEvent* event) {
  const bool result = QWidget::event(event);
  // The command-line step runs once the window is first shown, after its first paint, with or
  // without a window manager that activates it.
  if (event->type() == QEvent::Show && !activated_) {
    activated_ = true;
    QMetaObject::invokeMethod(this, [this] { FormActivate(); }, Qt::QueuedConnection);
  }
  return result;
}

namespace {
bool IsUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
      return true;
    default:
      return false;
  }
}
}  // namespace

bool Tfrepcostoav::IsStopInput(QObject* watched, QEvent* event) const {
  if (event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    return key->key() == Qt::Key_Escape &&
           !(key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier));
  }
  return watched == SpeedButton2 && event->type() == QEvent::MouseButtonRelease &&
         static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
         SpeedButton2->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint());
}

bool Tfrepcostoav::eventFilter(QObject* watched, QEvent* event) {
  auto* widget = qobject_cast<QWidget*>(watched);
  const bool mine = widget != nullptr && widget->window() == this;
  if (busy_ && mine && IsUserInput(event->type())) {
    if (IsStopInput(watched, event)) StopCalculation();
    return true;
  }
  if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
    if (!mine) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    // Qt hands a key the focused control leaves alone on to its parents, up to the window;
    // the preview acted on it at the control already, also when a dialog opened meanwhile and
    // the focus is not back yet.
    if (event->type() == QEvent::KeyPress && IsPreviewedKeyPassingOn(widget, *key)) {
      previewed_.next = widget->isWindow() ? nullptr : widget->parentWidget();
      return false;
    }
    // Any other key event is a new one: the press the preview acted on has gone its way.
    previewed_ = {};
    if (event->type() != QEvent::KeyPress) return false;
    // The key preview sees a key once, at the control it is sent to (the focused control, or
    // the window itself when nothing in it has the focus), before that control does.
    QWidget* target = QApplication::focusWidget();
    if (target == nullptr || target->window() != this) target = this;
    if (widget != target) return false;
    QPointer<QWidget> at(widget);
    FormKeyDown(key);
    if (at.isNull()) return true;
    previewed_ = {event, widget->isWindow() ? nullptr : widget->parentWidget(), key->key(),
                  key->modifiers(), key->timestamp()};
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (enter && (widget == Servidor || widget == Tusua || widget == TClave || widget == Cia)) {
      focusNextChild();
      return true;
    }
    return false;
  }
  if (watched == Cia && event->type() == QEvent::FocusOut) {
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) CiaExit();
  }
  return false;
}

bool Tfrepcostoav::IsPreviewedKeyPassingOn(const QWidget* widget, const QKeyEvent& key) const {
  return &key == previewed_.event && previewed_.next != nullptr && widget == previewed_.next &&
         key.key() == previewed_.key && key.modifiers() == previewed_.modifiers &&
         key.timestamp() == previewed_.timestamp;
}

void Tfrepcostoav::closeEvent(QCloseEvent* event) {
  if (busy_) {
    // Closed while rows arrive: the calculation stops, then the window closes.
    closeRequested_ = true;
    StopCalculation();
    event->ignore();
    return;
  }
  // A copy still offered on the clipboard goes to a clipboard manager (if one runs) before
  // the report's rows go.
  platform::HandOverClipboardAtClose();
  CRepcliente->Close();
  event->accept();
}

void Tfrepcostoav::resizeEvent(QResizeEvent*) {
  app::ArrangeControls(this, rect());
  PlaceCommandButtons();
  FitReportColumns(false);
}

void Tfrepcostoav::FitReportColumns(bool measure) {
  if (!CRepcliente->Active() || CRepcliente->IsEmpty() || !DBGridEh2->DataLinkActive()) {
    columnNeeds_.clear();
    return;
  }
  if (measure) columnNeeds_ = report::MeasureColumnNeeds(*DBGridEh2);
  // The warehouse name gives way first, down to about 20 characters.
  report::FitColumnsToNeeds(*DBGridEh2, columnNeeds_, "NOMBOD", 20);
}

void Tfrepcostoav::PlaceCommandButtons() {
  // The dates' right edge in Panel4, with a small gap: the buttons keep right of it.
  const int firstFree = EFecIni->mapTo(Panel4, QPoint(EFecIni->width(), 0)).x() + 8;
  const auto places = app::CommandButtonPlaces(Panel4->width(), Panel4->height(), firstFree);
  const std::array<QWidget*, 4> buttons{SpeedButton3, SpeedButton1, SpeedButton4, SpeedButton2};
  for (size_t i = 0; i < buttons.size(); ++i) buttons[i]->move(places[i]);
}
