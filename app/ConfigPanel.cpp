#include "app/ConfigPanel.h"

#include <QLabel>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <algorithm>
#include <string_view>

#include "app/DBEdit.h"
#include "data/DB.h"
#include "data/DBClient.h"
#include "data/SqlSupport.h"

namespace app {

namespace {
// A picture of a disk for the save button, 46 x 32.
QPixmap SavePicture() {
  QPixmap picture(46, 32);
  picture.fill(Qt::transparent);
  QPainter p(&picture);
  p.setPen(QPen(QColor(0, 0, 128), 1));
  p.setBrush(QColor(64, 96, 192));
  p.drawRect(12, 4, 22, 24);
  p.setBrush(Qt::white);
  p.drawRect(16, 4, 14, 9);
  p.setBrush(QColor(192, 192, 192));
  p.drawRect(16, 18, 14, 10);
  return picture;
}

// Pixels between a caption and its edit, and between the widest edit and the panel's edge.
constexpr int kCaptionGap = 6;
constexpr int kPanelMargin = 8;

// The width at which `edit` shows 15 wide characters of a code (the column's size) whole.
int CodeEditWidth(const QLineEdit& edit) {
  const int text = edit.fontMetrics().horizontalAdvance(QString(15, QChar('W')));
  QStyleOptionFrame option;
  option.initFrom(&edit);
  option.lineWidth = edit.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &edit);
  // The line edit's own side margins (2 pixels each) come on top of the frame.
  return edit.style()
      ->sizeFromContents(QStyle::CT_LineEdit, &option, QSize(text + 4, 21), &edit)
      .width();
}
}  // namespace

TConfigPanel::TConfigPanel(QWidget* parent) : TPanel(parent) {
  setObjectName("AdvPanel1");
  setGeometry(456, 64, 313, 169);
  const struct {
    const char* label;
    int labelTop;
    const char* name;
    int top;
    int width;
    const char* field;
    TDBEdit** edit;
  } edits[] = {
      {"C\u00F3digo Vacunas:", 32, "DBEdit1", 24, 97, "COCP_CODINS2", &DBEdit1},
      {"C\u00F3digo Otros Insumos:", 56, "DBEdit2", 48, 97, "COCP_CODINS3", &DBEdit2},
      {"Prefijo entradas huevos:", 80, "DBEdit4", 72, 57, "COCP_PREFEP", &DBEdit4},
      {"Prefijo salidas aves:", 104, "DBEdit5", 96, 57, "COCP_PREFSA", &DBEdit5},
      {"Valor amortizaci\u00F3n:", 128, "DBEdit6", 120, 57, "COCP_VRAMOR", &DBEdit6},
      {"Porc. amortizaci\u00F3n:", 152, "DBEdit7", 144, 57, "COCP_PORCA1", &DBEdit7},
  };
  // The edits start at 136, or further right when a caption would reach them.
  int editLeft = 136;
  for (const auto& e : edits) {
    auto* label = new QLabel(QString::fromUtf8(e.label), this);
    label->move(16, e.labelTop);
    label->adjustSize();
    editLeft = std::max(editLeft, label->geometry().right() + 1 + kCaptionGap);
  }
  QWidget* previous = nullptr;
  for (const auto& e : edits) {
    auto* edit = new TDBEdit(this);
    edit->setObjectName(e.name);
    edit->SetDataField(e.field);
    int width = e.width;
    if (std::string_view(e.name) == "DBEdit1" || std::string_view(e.name) == "DBEdit2") {
      // A code edit shows its 15 characters whole, within the panel.
      width = std::clamp(CodeEditWidth(*edit), e.width, 313 - kPanelMargin - editLeft);
    }
    edit->setGeometry(editLeft, e.top, width, 21);
    *e.edit = edit;
    if (previous != nullptr) setTabOrder(previous, edit);
    previous = edit;
  }
  SpeedButton5 = new TSpeedButton(QStringLiteral("F2: Guardar"), SavePicture(), this);
  SpeedButton5->setObjectName("SpeedButton5");
  SpeedButton5->move(240, 113);
  hide();
}

void TConfigPanel::SetDataSource(TDataSource* source) {
  for (TDBEdit* edit : {DBEdit1, DBEdit2, DBEdit4, DBEdit5, DBEdit6, DBEdit7}) {
    edit->SetDataSource(source);
  }
}

void TConfigPanel::paintEvent(QPaintEvent* event) {
  TPanel::paintEvent(event);
  QPainter painter(this);
  const QRect area = ClientArea();
  const QRect caption(area.left(), area.top(), area.width(), kCaptionHeight);
  painter.fillRect(caption, platform::ToQColor(platform::clHighlight));
  painter.setPen(platform::ToQColor(platform::clHighlightText));
  painter.setFont(platform::ToQFont({.Name = "MS Sans Serif", .Size = 8}));
  painter.drawText(caption.adjusted(4, 0, -4, 0), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("Configuraciones"));
}

namespace {
// How the engine words a row that another transaction holds in an unfinished change (when the
// lock wait ran out) or changed meanwhile.
bool HeldByAnother(const std::string& reason) {
  return reason.find("update conflicts with concurrent update") != std::string::npos ||
         reason.find("lock time-out on wait transaction") != std::string::npos ||
         reason.find("deadlock") != std::string::npos;
}
}  // namespace

void SaveConfiguration(TClientDataSet& config, TConfigPanel& panel) {
  config.CheckBrowseMode();
  int errors = 0;
  {
    const sqlsupport::Hourglass hourglass(true);
    errors = config.ApplyUpdates(0);
  }
  const std::string reason = errors > 0 && !config.ApplyErrors().empty()
                                 ? config.ApplyErrors().front()
                                 : "The configuration was not saved";
  // The panel's texts are Spanish (Windows-1252 bytes).
  if (errors > 0 && HeldByAnother(reason)) {
    DatabaseError(
        "La configuraci\xF3n no se guard\xF3: otro usuario o programa la est\xE1 modificando "
        "al mismo tiempo. Sus cambios siguen en el panel; pulse \"F2: Guardar\" de nuevo en "
        "unos momentos.");
  }
  config.Close();
  panel.hide();
  // A refused save (for example over another program's change) must not pass for a saved one:
  // the general error report shows why.
  if (errors > 0) DatabaseError(reason);
}

void CreateConfigFields(TDataSet& dataSet, std::vector<std::unique_ptr<TField>>& owner) {
  auto add = [&](std::unique_ptr<TField> field, const char* name) {
    field->SetName(dataSet.Name() + name);
    field->SetFieldName(name);
    field->SetDataSet(&dataSet);
    owner.push_back(std::move(field));
  };
  auto id = std::make_unique<TIntegerField>();
  id->SetRequired(true);
  add(std::move(id), "COCP_ID");
  for (const char* name : {"COCP_CODAVE1", "COCP_CODAVE2", "COCP_CODHVO1", "COCP_CODHVO2",
                           "COCP_CODINS1", "COCP_CODINS2", "COCP_CODINS3", "COCP_CODINS21"}) {
    add(std::make_unique<TStringField>(15), name);
  }
  add(std::make_unique<TStringField>(4), "COCP_PREFEP");
  add(std::make_unique<TStringField>(4), "COCP_PREFSA");
  add(std::make_unique<TFMTBCDField>(15, 2), "COCP_VRAMOR");
  add(std::make_unique<TFMTBCDField>(15, 4), "COCP_PORCA1");
}

}  // namespace app
