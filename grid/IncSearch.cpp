// Incremental search of the report grid: typed characters find the first record whose value in
// the current column starts with them; the search ends by itself after a time-out.
#include "grid/IncSearch.h"

#include <QClipboard>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QTimer>

#include "grid/DBGridEh.h"
#include "grid/GridDataLink.h"
#include "platform/Cp1252.h"

TIncSearchSettingsEh& IncSearchSettings() {
  static TIncSearchSettingsEh settings;
  return settings;
}

namespace {

class TQtIncSearchTimer : public TIncSearchTimerEh {
 public:
  TQtIncSearchTimer() {
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      if (OnTimeOut) OnTimeOut();
    });
  }
  void Start(int milliseconds) override { timer_.start(milliseconds); }
  void Stop() override { timer_.stop(); }
  bool Running() const override { return timer_.isActive(); }

 private:
  QTimer timer_;
};

bool IsNumeric(const TField& field) {
  switch (field.DataType()) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftLargeint:
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftFMTBcd:
      return true;
    default:
      return false;
  }
}

}  // namespace

std::unique_ptr<TIncSearchTimerEh> NewIncSearchTimer() {
  return std::make_unique<TQtIncSearchTimer>();
}

bool IncSearchPrefixMatches(const std::string& text, const std::string& prefix) {
  if (prefix.size() > text.size()) return false;
  QString a = platform::ToQString(std::string_view(text).substr(0, prefix.size())).toUpper();
  QString b = platform::ToQString(prefix).toUpper();
  return a == b;
}

// ---------------------------------------------------------------------------------------------
// The grid's search

TIncSearchTimerEh& TDBGridEh::IncSearchTimer() {
  if (!incSearchTimer_) SetIncSearchTimer(NewIncSearchTimer());
  return *incSearchTimer_;
}

void TDBGridEh::SetIncSearchTimer(std::unique_ptr<TIncSearchTimerEh> timer) {
  if (incSearchTimer_) incSearchTimer_->Stop();
  incSearchTimer_ = std::move(timer);
  if (incSearchTimer_) incSearchTimer_->OnTimeOut = [this] { StopIncSearch(); };
}

std::string TDBGridEh::IncSearchCellText(const TColumnEh& column) const {
  TField* field = column.Field();
  if (field == nullptr) return "";
  // Numbers compare on their plain value: the display format's separators are not typed.
  if (IsNumeric(*field)) return field->IsNull() ? std::string() : field->AsString();
  return ColumnDisplayText(column);
}

void TDBGridEh::RestartIncSearchTimer() {
  TIncSearchTimerEh& timer = IncSearchTimer();
  timer.Stop();
  if (incSearchTimeOut_ >= 0) timer.Start(incSearchTimeOut_);
}

void TDBGridEh::IncSearch(const std::string& added, int timeOut, TIncSearchDirectionEh direction) {
  if (!DataLinkActive()) return;
  const std::string newText = incSearchText_ + added;
  if (!newText.empty()) {
    std::string matched;
    // A text that matches nothing keeps the old text: the added characters are dropped.
    if (IncSearchWalk(newText, direction, matched)) {
      incSearchText_ = matched.substr(0, newText.size());
    }
  }
  HideEditor();
  incSearchActive_ = true;
  incSearchTimeOut_ = timeOut;
  InvalidateGrid();
  RestartIncSearchTimer();
}

bool TDBGridEh::IncSearchWalk(const std::string& text, TIncSearchDirectionEh direction,
                              std::string& matched) {
  TColumnEh* column = CurrentColumn();
  if (column == nullptr || column->Field() == nullptr) return false;
  TDataSet* dataSet = DataSet();
  // Remember the record in the middle of the visible rows and the distance to the current one,
  // so that a failed walk leaves both the record and the rows shown as they were.
  const TBookmark current = dataSet->GetBookmark();
  const int active = dataLink_->ActiveRecord();
  const int middle = dataLink_->RecordCount() / 2;
  incSearchMoving_ = true;
  dataSet->DisableControls();
  bool found = false;
  try {
    const int moved = dataSet->MoveBy(middle - active);
    const TBookmark anchor = dataSet->GetBookmark();
    const bool back = direction == isdPriorEh;
    bool atEnd = false;
    if (direction == isdFromStartEh) {
      dataSet->First();
      atEnd = dataSet->Eof();
    } else {
      dataSet->GotoBookmark(current);
      dataSet->MoveBy(back ? -1 : 1);
      atEnd = back ? dataSet->Bof() : dataSet->Eof();
    }
    while (!atEnd) {
      std::string cell = IncSearchCellText(*column);
      if (IncSearchPrefixMatches(cell, text)) {
        matched = cell;
        found = true;
        break;
      }
      dataSet->MoveBy(back ? -1 : 1);
      atEnd = back ? dataSet->Bof() : dataSet->Eof();
    }
    if (!found) {
      dataSet->GotoBookmark(anchor);
      dataSet->MoveBy(-moved);
    }
  } catch (...) {
    dataSet->EnableControls();
    incSearchMoving_ = false;
    throw;
  }
  dataSet->EnableControls();
  incSearchMoving_ = false;
  return found;
}

void TDBGridEh::StopIncSearch() {
  if (!incSearchActive_) return;
  if (incSearchTimer_) incSearchTimer_->Stop();
  incSearchActive_ = false;
  incSearchText_.clear();
  InvalidateGrid();
  if (options_ & dgAlwaysShowEditor) ShowEditor();
}

bool TDBGridEh::IncSearchKeyPress(QKeyEvent* event) {
  const Qt::KeyboardModifiers m = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier |
                                                        Qt::AltModifier);
  const int key = event->key();
  const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
  if (incSearchActive_) {
    if ((enter || key == Qt::Key_Escape || key == Qt::Key_F2) && m == Qt::NoModifier) {
      StopIncSearch();
      return false;  // the key keeps its ordinary meaning
    }
    if (key == Qt::Key_Backspace && m == Qt::NoModifier) {
      if (!incSearchText_.empty()) incSearchText_.pop_back();
      InvalidateGrid();
      RestartIncSearchTimer();
      return true;
    }
    if (enter && m == Qt::ControlModifier) {
      IncSearch("", incSearchTimeOut_, isdNextEh);
      return true;
    }
    if (enter && m == (Qt::ControlModifier | Qt::ShiftModifier)) {
      IncSearch("", incSearchTimeOut_, isdPriorEh);
      return true;
    }
    if ((key == Qt::Key_V && m == Qt::ControlModifier) ||
        (key == Qt::Key_Insert && m == Qt::ShiftModifier)) {
      QClipboard* clipboard = QGuiApplication::clipboard();
      std::string text = clipboard != nullptr ? platform::FromQString(clipboard->text()) : "";
      IncSearch(text, incSearchTimeOut_, isdFromStartEh);
      return true;
    }
  }
  if (key == Qt::Key_F && m == Qt::ControlModifier && (optionsEh_ & dghIncSearch) &&
      !(optionsEh_ & dghDialogFind)) {
    IncSearch("", -1, isdFromStartEh);
    return true;
  }
  return IncSearchCharacter(event);
}

bool TDBGridEh::IncSearchCharacter(QKeyEvent* event) {
  if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) return false;
  const bool backspace = event->key() == Qt::Key_Backspace;
  std::string text = backspace ? std::string("\b") : platform::FromQString(event->text());
  if (text.size() != 1) return false;
  const unsigned char c = static_cast<unsigned char>(text[0]);
  if (c < 32 && !backspace) return false;
  if (c == 127) return false;
  TColumnEh* column = CurrentColumn();
  const bool editable = !readOnly_ && (options_ & dgEditing) && column != nullptr &&
                        column->Field() != nullptr && !column->Field()->ReadOnly();
  const bool preferSearch = (optionsEh_ & dghPreferIncSearch) &&
                            !(options_ & dgAlwaysShowEditor) && !EditorVisible();
  if (!incSearchActive_ && !((optionsEh_ & dghIncSearch) && !editable) && !preferSearch) {
    return false;
  }
  if (!DataLinkActive()) return false;
  const TDataSetState state = DataSet()->State();
  if (state == dsEdit || state == dsInsert) return false;
  if (!backspace) {
    if (incSearchActive_) {
      IncSearch(text, incSearchTimeOut_, isdFromStartEh);
    } else if (preferSearch) {
      IncSearch(text, IncSearchSettings().TimeOut, isdFromStartEh);
    }
  }
  return true;
}

void TDBGridEh::PaintIncSearchText(QPainter& p, const QRect& textRect, const std::string& cellText,
                                   const platform::TFontSpec& font, TAlignment alignment,
                                   int verticalFlags) {
  if (incSearchText_.empty() || textRect.width() <= 0) return;
  QFont qfont = platform::ToQFont(font);
  QFontMetrics metrics(qfont);
  QString prefix = platform::ToQString(incSearchText_);
  const int prefixWidth = metrics.horizontalAdvance(prefix);
  const int fullWidth = metrics.horizontalAdvance(platform::ToQString(cellText));
  // The prefix sits exactly over the beginning of the cell text, wherever the text is aligned.
  int x = textRect.left();
  if (alignment == taRightJustify) {
    x = textRect.right() + 1 - fullWidth;
  } else if (alignment == taCenter) {
    x = textRect.left() + (textRect.width() - fullWidth) / 2;
  }
  QRect box = metrics.boundingRect(textRect, verticalFlags | Qt::AlignLeft | Qt::TextSingleLine,
                                   prefix);
  QRect highlight(x, box.top(), prefixWidth, box.height());
  p.save();
  p.setClipRect(textRect, Qt::IntersectClip);
  p.fillRect(highlight, QColor(platform::ToQColor(IncSearchSettings().Color)));
  p.setFont(qfont);
  p.setPen(QColor(platform::ToQColor(IncSearchSettings().FontColor)));
  p.drawText(highlight, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, prefix);
  p.restore();
}
