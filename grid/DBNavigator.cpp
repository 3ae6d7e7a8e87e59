#include "grid/DBNavigator.h"

#include <QEvent>
#include <QPainter>
#include <QPolygon>
#include <QResizeEvent>

#include "data/DB.h"
#include "grid/GridLayout.h"
#include "platform/SystemColors.h"

// The bar's link: every notice of the result set refreshes the buttons.
class TNavDataLink : public TDataLink {
 public:
  explicit TNavDataLink(TDBNavigator* bar) : bar_(bar) {}

 protected:
  void ActiveChanged() override { bar_->UpdateButtons(); }
  void DataSetChanged() override { bar_->UpdateButtons(); }
  void DataSetScrolled(int /*distance*/) override { bar_->UpdateButtons(); }
  void EditingChanged() override { bar_->UpdateButtons(); }

 private:
  TDBNavigator* bar_;
};

namespace {

const char* const kHints[kNavButtonCount] = {
    "First record",  "Prior record", "Next record", "Last record", "Insert record",
    "Delete record", "Edit record",  "Post edit",   "Cancel edit", "Refresh data"};

// Auto-repeat of the prior and next buttons: first repeat after 400 ms, then every 100 ms.
constexpr int kRepeatDelay = 400;
constexpr int kRepeatInterval = 100;

}  // namespace

TNavButton::TNavButton(TNavigateBtn index, QWidget* parent)
    : QAbstractButton(parent), index_(index) {
  setFocusPolicy(Qt::NoFocus);
  if (index == nbPrior || index == nbNext) {
    setAutoRepeat(true);
    setAutoRepeatDelay(kRepeatDelay);
    setAutoRepeatInterval(kRepeatInterval);
  }
}

void TNavButton::paintEvent(QPaintEvent* /*event*/) {
  QPainter p(this);
  const QRect r = rect();
  p.fillRect(r, platform::ToQColor(platform::clBtnFace));
  const bool down = isDown();
  if (!Flat || down || underMouse()) {
    QColor light = platform::ToQColor(down ? platform::clBtnShadow : platform::clBtnHighlight);
    QColor dark = platform::ToQColor(down ? platform::clBtnHighlight : platform::clBtnShadow);
    p.fillRect(QRect(r.left(), r.top(), r.width(), 1), light);
    p.fillRect(QRect(r.left(), r.top(), 1, r.height()), light);
    p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), dark);
    p.fillRect(QRect(r.right(), r.top(), 1, r.height()), dark);
  }
  // The picture: enabled black, disabled grey with a white shadow.
  const QColor ink = isEnabled() ? QColor(0, 0, 0) : QColor(128, 128, 128);
  const int cx = r.center().x() + (down ? 1 : 0);
  const int cy = r.center().y() + (down ? 1 : 0);
  auto triangle = [&](int x, bool leftward, const QColor& color) {
    QPolygon poly;
    if (leftward) {
      poly << QPoint(x + 3, cy - 3) << QPoint(x, cy) << QPoint(x + 3, cy + 3);
    } else {
      poly << QPoint(x, cy - 3) << QPoint(x + 3, cy) << QPoint(x, cy + 3);
    }
    p.setPen(color);
    p.setBrush(color);
    p.drawPolygon(poly);
  };
  auto draw = [&](const QColor& color, int shift) {
    switch (index_) {
      case nbFirst:
        p.fillRect(QRect(cx - 4 + shift, cy - 3 + shift, 2, 7), color);
        triangle(cx - 1 + shift, true, color);
        break;
      case nbPrior:
        triangle(cx - 2 + shift, true, color);
        break;
      case nbNext:
        triangle(cx - 1 + shift, false, color);
        break;
      case nbLast:
        triangle(cx - 3 + shift, false, color);
        p.fillRect(QRect(cx + 2 + shift, cy - 3 + shift, 2, 7), color);
        break;
      default:
        p.fillRect(QRect(cx - 3 + shift, cy - 1 + shift, 7, 2), color);
        break;
    }
  };
  if (!isEnabled()) draw(QColor(255, 255, 255), 1);
  draw(ink, 0);
}

TDBNavigator::TDBNavigator(QWidget* parent)
    : QWidget(parent), dataLink_(std::make_unique<TNavDataLink>(this)) {
  for (int i = 0; i < kNavButtonCount; ++i) {
    auto* button = new TNavButton(static_cast<TNavigateBtn>(i), this);
    buttons_[i] = button;
    connect(button, &QAbstractButton::clicked, this, [this, i] {
      try {
        BtnClick(static_cast<TNavigateBtn>(i));
      } catch (...) {
        // A failing move stops the repeat and passes the error on.
        buttons_[i]->setDown(false);
        throw;
      }
    });
  }
  resize(241, 25);
  UpdateButtons();
}

TDBNavigator::~TDBNavigator() { dataLink_->SetDataSource(nullptr); }

TDataSource* TDBNavigator::DataSource() const { return dataLink_->DataSource(); }

void TDBNavigator::SetDataSource(TDataSource* source) {
  dataLink_->SetDataSource(source);
  UpdateButtons();
}

void TDBNavigator::SetVisibleButtons(TNavButtonSet buttons) {
  visibleButtons_ = buttons & kAllNavButtons;
  LayoutButtons();
  UpdateButtons();
}

void TDBNavigator::SetFlat(bool value) {
  flat_ = value;
  for (TNavButton* button : buttons_) {
    button->Flat = value;
    button->update();
  }
}

void TDBNavigator::SetAligned(bool value) {
  aligned_ = value;
  LayoutButtons();
}

std::string TDBNavigator::DefaultHint(TNavigateBtn button) { return kHints[button]; }

void TDBNavigator::BtnClick(TNavigateBtn button) {
  TDataSet* dataSet = dataLink_->DataSet();
  if (dataSet == nullptr || !dataSet->Active()) return;
  if (BeforeAction) BeforeAction(*this, button);
  switch (button) {
    case nbFirst:
      dataSet->First();
      break;
    case nbPrior:
      dataSet->Prior();
      break;
    case nbNext:
      dataSet->Next();
      break;
    case nbLast:
      dataSet->Last();
      break;
    case nbInsert:
      dataSet->Insert();
      break;
    case nbDelete:
      if (!ConfirmDelete || !ConfirmDeleteQuery || ConfirmDeleteQuery("Delete record?")) {
        dataSet->Delete();
      }
      break;
    case nbEdit:
      dataSet->Edit();
      break;
    case nbPost:
      dataSet->Post();
      break;
    case nbCancel:
      dataSet->Cancel();
      break;
    case nbRefresh:
      dataSet->Resync();
      break;
  }
  if (OnClick) OnClick(*this, button);
}

void TDBNavigator::UpdateButtons() {
  const bool active = isEnabled() && dataLink_->Active();
  TDataSet* dataSet = dataLink_->DataSet();
  const bool bof = !active || dataSet->Bof();
  const bool eof = !active || dataSet->Eof();
  const bool editing = active && dataLink_->Editing();
  const bool canModify = active && dataSet->CanModify();
  bool enabled[kNavButtonCount] = {!bof,
                                   !bof,
                                   !eof,
                                   !eof,
                                   canModify,
                                   canModify && !(bof && eof),
                                   canModify && !editing,
                                   editing,
                                   editing,
                                   active && !editing};
  for (int i = 0; i < kNavButtonCount; ++i) {
    buttons_[i]->setEnabled(enabled[i]);
    if (!enabled[i]) buttons_[i]->setDown(false);
  }
}

void TDBNavigator::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  LayoutButtons();
}

void TDBNavigator::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::EnabledChange) UpdateButtons();
}

void TDBNavigator::LayoutButtons() {
  if (snapping_) return;
  int visible = 0;
  for (int i = 0; i < kNavButtonCount; ++i) visible += (visibleButtons_ >> i) & 1;
  std::vector<int> widths = NavigatorButtonWidths(width(), visible, aligned_);
  if (!aligned_) {
    // A free bar snaps its width to whole buttons.
    int snapped = widths[0] * static_cast<int>(widths.size());
    if (snapped != width() && snapped > 0) {
      snapping_ = true;
      resize(snapped, height());
      snapping_ = false;
    }
  }
  int x = 0;
  int k = 0;
  for (int i = 0; i < kNavButtonCount; ++i) {
    TNavButton* button = buttons_[i];
    if ((visibleButtons_ >> i) & 1) {
      button->setGeometry(x, 0, widths[k], height());
      button->show();
      x += widths[k];
      ++k;
    } else {
      // Hidden buttons sit just outside the bar.
      button->setGeometry(width() + 1, 0, 0, height());
      button->hide();
    }
  }
}
