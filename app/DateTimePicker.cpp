#include "app/DateTimePicker.h"

#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QClipboard>
#include <QKeyEvent>
#include <QLocale>
#include <QPainter>
#include <cctype>

#include "data/DateText.h"
#include "platform/Cp1252.h"
#include "platform/RegionalSettings.h"

namespace app {

namespace {

const QDate kDateBase(1899, 12, 30);

QString Padded(int value, int width) {
  return QString::number(value).rightJustified(width, QLatin1Char('0'));
}

// Reads "d m y" numbers given in the order of the settings' picture, two-digit years included,
// as the rest of the program reads short dates.
bool DateOfNumbers(const QString numbers[3], QDate& date) {
  platform::TFormatSettings settings = platform::FormatSettings();
  if (settings.DateSeparator == '\0') settings.DateSeparator = '/';
  const std::string separator(1, settings.DateSeparator);
  const std::string text = platform::FromQString(numbers[0]) + separator +
                           platform::FromQString(numbers[1]) + separator +
                           platform::FromQString(numbers[2]);
  TDateTime value = 0;
  if (!TryStrToDate(text, settings, QDate::currentDate().year(), value)) return false;
  date = kDateBase.addDays(static_cast<qint64>(value));
  return true;
}

// The small black triangle of the drop-down button.
QIcon DropDownArrow() {
  QPixmap picture(9, 9);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(Qt::black);
  painter.drawPolygon(QPolygon({QPoint(1, 3), QPoint(8, 3), QPoint(4, 7)}));
  return QIcon(picture);
}

bool IsSeparatorKey(const QString& text, const QString& literals) {
  if (text.size() != 1) return false;
  const QChar c = text.front();
  return literals.contains(c) || QStringLiteral("/-. ,").contains(c);
}

}  // namespace

TDateTimePicker::TDateTimePicker(const QDate& date, QWidget* parent) : QLineEdit(parent) {
  setContextMenuPolicy(Qt::NoContextMenu);
  QAction* drop = addAction(DropDownArrow(), TrailingPosition);
  connect(drop, &QAction::triggered, this, [this] { ShowCalendar(); });
  date_ = date.isValid() ? date : QDate(2003, 1, 20);
  ReadPicture();
}

void TDateTimePicker::ReadPicture() {
  const platform::TFormatSettings& settings = platform::FormatSettings();
  const std::string& picture = settings.ShortDateFormat;
  prefix_.clear();
  sections_.clear();
  bool seen[3] = {false, false, false};
  QString* literal = &prefix_;
  for (size_t i = 0; i < picture.size();) {
    const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(picture[i])));
    size_t run = 1;
    while (i + run < picture.size() &&
           std::tolower(static_cast<unsigned char>(picture[i + run])) == c) {
      ++run;
    }
    int kind = -1;
    int width = 0;
    if (c == 'd' && run <= 2) kind = kDay, width = static_cast<int>(run);
    if (c == 'm') kind = kMonth, width = run == 1 ? 1 : 2;
    if (c == 'y') kind = kYear, width = run <= 2 ? 2 : 4;
    if (kind >= 0 && !seen[kind]) {
      seen[kind] = true;
      sections_.push_back({static_cast<Kind>(kind), width, QString()});
      literal = &sections_.back().after;
    } else if (c == '/') {
      *literal += QString(static_cast<int>(run), QChar::fromLatin1(settings.DateSeparator));
    } else if (c == '\'' || c == '"') {
      const size_t end = picture.find(picture[i], i + 1);
      const size_t stop = end == std::string::npos ? picture.size() : end;
      *literal += platform::ToQString(picture.substr(i + 1, stop - i - 1));
      run = stop - i + 1;
    } else if (kind < 0) {
      *literal += platform::ToQString(picture.substr(i, run));
    }
    i += run;
  }
  if (sections_.size() != 3) {
    // A picture without day, month and year: the day/month/year order.
    prefix_.clear();
    sections_ = {{kDay, 2, QStringLiteral("/")}, {kMonth, 2, QStringLiteral("/")},
                 {kYear, 4, QString()}};
  }
  current_ = 0;
  SetDate(date_);
}

void TDateTimePicker::SetDate(const QDate& date) {
  if (!date.isValid()) return;
  date_ = date;
  values_[kDay] = date.day();
  values_[kMonth] = date.month();
  values_[kYear] = date.year();
  typed_.clear();
  advanced_ = false;
  textIsDate_ = true;
  Render();
}

void TDateTimePicker::CheckDate() const {
  if (!textIsDate_) throw EConvertError("'" + platform::FromQString(text()) + "' is not a valid date");
}

QString TDateTimePicker::SectionText(int index) const {
  if (index == current_ && !typed_.isEmpty()) return typed_;
  const Section& section = sections_[index];
  const int value = values_[section.kind];
  if (section.kind == kYear && section.width == 2) return Padded(value % 100, 2);
  return Padded(value, section.width);
}

void TDateTimePicker::Render() {
  QString shown = prefix_;
  starts_.clear();
  for (int i = 0; i < static_cast<int>(sections_.size()); ++i) {
    starts_.push_back(static_cast<int>(shown.size()));
    shown += SectionText(i) + sections_[i].after;
  }
  setText(shown);
  QPalette colours = palette();
  colours.setColor(QPalette::Text, textIsDate_ ? QApplication::palette(this).color(QPalette::Text)
                                               : QColor(Qt::red));
  setPalette(colours);
  // Only the picker being typed into shows its part highlighted.
  if (hasFocus()) {
    setSelection(starts_[current_], static_cast<int>(SectionText(current_).size()));
  } else {
    deselect();
  }
}

void TDateTimePicker::Evaluate() {
  QString numbers[3];
  for (int i = 0; i < 3; ++i) {
    if (i == current_ && !typed_.isEmpty()) {
      numbers[i] = typed_;
    } else {
      const Kind kind = sections_[i].kind;
      // A year already taken is given whole, so that it is not read as two digits again.
      numbers[i] = kind == kYear ? Padded(values_[kYear], 4) : QString::number(values_[kind]);
    }
  }
  QDate date;
  textIsDate_ = DateOfNumbers(numbers, date);
  if (textIsDate_) date_ = date;
}

void TDateTimePicker::CommitTyping() {
  if (typed_.isEmpty()) return;
  const Kind kind = sections_[current_].kind;
  int value = typed_.toInt();
  if (kind == kYear && typed_.size() <= 2) {
    // A one- or two-digit year falls in the century window the program reads dates with.
    QString numbers[3];
    for (int i = 0; i < 3; ++i) {
      numbers[i] = sections_[i].kind == kYear ? typed_ : QStringLiteral("1");
    }
    QDate date;
    if (DateOfNumbers(numbers, date)) value = date.year();
  }
  values_[kind] = value;
  typed_.clear();
  Evaluate();
}

void TDateTimePicker::MoveTo(int section) {
  CommitTyping();
  current_ = std::clamp(section, 0, static_cast<int>(sections_.size()) - 1);
  advanced_ = false;
  Render();
}

void TDateTimePicker::TypeDigit(int digit) {
  const Section& section = sections_[current_];
  typed_ += QChar('0' + digit);
  const int most = section.kind == kYear ? section.width : 2;
  // A section is full at its width, or when no further digit can make a day or month.
  const bool full = typed_.size() >= most ||
                    (typed_.size() == 1 && section.kind == kDay && digit > 3) ||
                    (typed_.size() == 1 && section.kind == kMonth && digit > 1);
  if (full) {
    CommitTyping();
    if (current_ + 1 < static_cast<int>(sections_.size())) {
      ++current_;
      advanced_ = true;
    }
  } else {
    advanced_ = false;
    Evaluate();
  }
  Render();
}

void TDateTimePicker::Step(int delta) {
  CommitTyping();
  const Kind kind = sections_[current_].kind;
  int& value = values_[kind];
  const int month = std::clamp(values_[kMonth], 1, 12);
  const int daysInMonth = QDate(std::clamp(values_[kYear], 1, 9999), month, 1).daysInMonth();
  if (kind == kDay) value = (std::clamp(value, 1, daysInMonth) - 1 + delta + daysInMonth) % daysInMonth + 1;
  if (kind == kMonth) value = (month - 1 + delta + 12) % 12 + 1;
  if (kind == kYear) value = std::clamp(value + delta, 1, 9999);
  const int days = QDate(values_[kYear], std::clamp(values_[kMonth], 1, 12), 1).daysInMonth();
  values_[kDay] = std::clamp(values_[kDay], 1, days);
  values_[kMonth] = std::clamp(values_[kMonth], 1, 12);
  Evaluate();
  Render();
}

int TDateTimePicker::SectionAt(int cursor) const {
  int section = 0;
  for (int i = 0; i < static_cast<int>(starts_.size()); ++i) {
    if (cursor >= starts_[i]) section = i;
  }
  return section;
}

void TDateTimePicker::keyPressEvent(QKeyEvent* event) {
  const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
  const int last = static_cast<int>(sections_.size()) - 1;
  if (modifiers == Qt::AltModifier && event->key() == Qt::Key_Down) {
    ShowCalendar();
    return;
  }
  if (modifiers == Qt::ControlModifier) {
    if (event->key() == Qt::Key_A) {
      MoveTo(0);
      return;
    }
    if (event->key() == Qt::Key_C || event->key() == Qt::Key_Insert) {
      QGuiApplication::clipboard()->setText(text());
      return;
    }
  }
  if (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
    event->ignore();
    return;
  }
  switch (event->key()) {
    case Qt::Key_Left:
      MoveTo(current_ - 1);
      return;
    case Qt::Key_Right:
      MoveTo(current_ + 1);
      return;
    case Qt::Key_Home:
      MoveTo(0);
      return;
    case Qt::Key_End:
      MoveTo(last);
      return;
    case Qt::Key_Up:
    case Qt::Key_Down:
      Step(event->key() == Qt::Key_Up ? 1 : -1);
      return;
    case Qt::Key_Backspace:
      if (!typed_.isEmpty()) {
        typed_.chop(1);
        Evaluate();
        Render();
      }
      return;
    default:
      break;
  }
  const QString typed = event->text();
  if (typed.size() == 1 && typed.front().isDigit() && typed.front().unicode() < 128) {
    TypeDigit(typed.front().unicode() - '0');
    return;
  }
  QString literals = prefix_;
  for (const Section& section : sections_) literals += section.after;
  if (IsSeparatorKey(typed, literals)) {
    // A separator ends the section being typed; right after a section filled up it has
    // nothing left to end, so "2025/11/01" and "20251101" give the same date.
    const bool ends = !typed_.isEmpty() || !advanced_;
    if (ends && current_ < last) {
      MoveTo(current_ + 1);
    } else {
      CommitTyping();
      advanced_ = false;
      Render();
    }
    return;
  }
  event->ignore();
}

void TDateTimePicker::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    event->ignore();
    return;
  }
  if (!hasFocus()) setFocus(Qt::MouseFocusReason);
  MoveTo(SectionAt(cursorPositionAt(event->position().toPoint())));
}

void TDateTimePicker::mouseMoveEvent(QMouseEvent* event) { event->accept(); }

void TDateTimePicker::mouseDoubleClickEvent(QMouseEvent* event) { mousePressEvent(event); }

void TDateTimePicker::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  const Qt::FocusReason reason = event->reason();
  if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
      reason == Qt::OtherFocusReason || reason == Qt::ShortcutFocusReason) {
    current_ = 0;
    typed_.clear();
    advanced_ = false;
  }
  Render();
}

void TDateTimePicker::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason) {
    return;
  }
  CommitTyping();
  advanced_ = false;
  Render();
  if (!textIsDate_) {
    // A text that names no date is not left behind: the picker keeps the focus and the error
    // goes to the error report.
    setFocus();
    CheckDate();
  }
}

void TDateTimePicker::contextMenuEvent(QContextMenuEvent* event) { event->ignore(); }

void TDateTimePicker::ShowCalendar() {
  if (calendar_ == nullptr) {
    calendar_ = new QCalendarWidget(this);
    calendar_->setWindowFlags(Qt::Popup);
    calendar_->setLocale(QLocale(QLocale::Spanish, QLocale::Spain));
    calendar_->setGridVisible(true);
    connect(calendar_, &QCalendarWidget::clicked, this, [this](QDate date) {
      calendar_->hide();
      SetDate(date);
      setFocus(Qt::PopupFocusReason);
    });
    connect(calendar_, &QCalendarWidget::activated, this, [this](QDate date) {
      calendar_->hide();
      SetDate(date);
      setFocus(Qt::PopupFocusReason);
    });
  }
  CommitTyping();
  calendar_->setSelectedDate(date_);
  calendar_->adjustSize();
  calendar_->move(mapToGlobal(QPoint(0, height())));
  calendar_->show();
  calendar_->setFocus(Qt::PopupFocusReason);
}

}  // namespace app
