#include "app/ConfigPanel.h"

#include <QLabel>
#include <QPainter>

#include "app/DBEdit.h"
#include "data/DB.h"

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
  QWidget* previous = nullptr;
  for (const auto& e : edits) {
    auto* label = new QLabel(QString::fromUtf8(e.label), this);
    label->move(16, e.labelTop);
    label->adjustSize();
    auto* edit = new TDBEdit(this);
    edit->setObjectName(e.name);
    edit->setGeometry(136, e.top, e.width, 21);
    edit->SetDataField(e.field);
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
