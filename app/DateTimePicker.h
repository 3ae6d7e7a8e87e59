#pragma once

// The date picker of the report window: a date shown in the user's short date picture, one
// section (day, month, year) highlighted at a time, typed into section by section, with a
// drop-down calendar (Alt+Down or the arrow at its right).

#include <QDate>
#include <QLineEdit>
#include <QString>
#include <vector>

class QCalendarWidget;

namespace app {

class TDateTimePicker : public QLineEdit {
 public:
  explicit TDateTimePicker(const QDate& date, QWidget* parent = nullptr);

  // The last valid date shown; it does not follow text that names no date.
  QDate Date() const { return date_; }
  // Shows `date` (ignored when invalid) and drops any half-typed section.
  void SetDate(const QDate& date);
  // False while the text names no date (a typed 30 February, a month 13): the text stays as
  // typed, drawn in red, and Date() keeps the former date.
  bool TextIsDate() const { return textIsDate_; }
  // Throws EConvertError "'%s' is not a valid date" while the text names no date.
  void CheckDate() const;
  // The same under the names Qt's date controls use.
  QDate date() const { return Date(); }
  void setDate(const QDate& date) { SetDate(date); }
  // The section being typed into: 0 is the first of the picture.
  int CurrentSection() const { return current_; }
  // Reads the short date picture of the regional settings again and redraws the date.
  void ReadPicture();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  enum Kind { kDay, kMonth, kYear };
  struct Section {
    Kind kind;
    int width;      // digits of the picture: 1 or 2 (day, month), 2 or 4 (year)
    QString after;  // the literal text that follows the section
  };

  // The digits a section shows: the typed ones while typing, else its value.
  QString SectionText(int index) const;
  void Render();
  // Ends typing in the current section (its digits become its value) and re-reads the date.
  void CommitTyping();
  void MoveTo(int section);
  void TypeDigit(int digit);
  void Step(int delta);
  void Evaluate();
  void ShowCalendar();
  int SectionAt(int cursor) const;

  QString prefix_;  // literal text before the first section
  std::vector<Section> sections_;
  int values_[3] = {20, 1, 2003};  // day, month and year as shown, by Kind
  int current_ = 0;
  QString typed_;             // digits typed into the current section
  bool advanced_ = false;     // the current section was reached by filling the previous one
  QDate date_;
  bool textIsDate_ = true;
  std::vector<int> starts_;  // where each section begins in the text
  QCalendarWidget* calendar_ = nullptr;
};

}  // namespace app
