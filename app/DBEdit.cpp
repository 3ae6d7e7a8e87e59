#include "app/DBEdit.h"

#include <QFocusEvent>
#include <QValidator>
#include <algorithm>

#include "app/ErrorReport.h"
#include "data/DB.h"
#include "platform/Cp1252.h"

namespace app {

namespace {

// True when every character of `text` has a Windows-1252 byte: the field stores that byte,
// so a character without one would be stored as "?".
bool FitsCodePage(const QString& text) {
  return platform::ToQString(platform::FromQString(text)) == text;
}

// What a change from `before` to `after` brings in: the text between their common start and
// their common end.
QString Inserted(const QString& before, const QString& after) {
  const qsizetype shorter = std::min(before.size(), after.size());
  qsizetype start = 0;
  while (start < shorter && before[start] == after[start]) ++start;
  qsizetype end = 0;
  while (end < shorter - start && before[before.size() - 1 - end] == after[after.size() - 1 - end])
    ++end;
  return after.mid(start, after.size() - start - end);
}

// Set while a refused edit takes the focus back, so that the edit losing it then does not
// check its own text and take the focus back in turn.
bool reclaimingFocus = false;

}  // namespace

// Checks every change of the text before the edit takes it, whatever made it (a key, the
// context menu, a drop, an input method): a change that brings in a character the field cannot
// take is refused whole.
class TDBEdit::Rules : public QValidator {
 public:
  explicit Rules(TDBEdit* edit) : QValidator(edit), edit_(edit) {}
  State validate(QString& input, int&) const override {
    if (edit_->loading_ || input == edit_->shown_) return Acceptable;
    if (!edit_->Accepts(Inserted(edit_->shown_, input))) return Invalid;
    edit_->beforeEdit_ = edit_->shown_;
    return Acceptable;
  }

 private:
  TDBEdit* edit_;
};

class TDBEdit::Link : public TDataLink {
 public:
  explicit Link(TDBEdit* edit) : edit_(edit) {}

 protected:
  void ActiveChanged() override {
    edit_->modified_ = false;
    edit_->LoadFromField();
  }
  void RecordChanged(TField* field) override {
    if (field != nullptr && field != edit_->Field()) return;
    // A change of another field, or a refresh while our own text is pending, keeps the text.
    if (edit_->modified_ && field == nullptr && Editing()) return;
    edit_->modified_ = false;
    edit_->LoadFromField();
  }
  void UpdateData() override { edit_->UpdateRecord(); }

 private:
  TDBEdit* edit_;
};

TDBEdit::TDBEdit(QWidget* parent) : QLineEdit(parent), link_(std::make_unique<Link>(this)) {
  setValidator(new Rules(this));
  connect(this, &QLineEdit::textChanged, this, [this](const QString& text) { shown_ = text; });
  connect(this, &QLineEdit::textEdited, this, [this] { Edited(); });
}

TDBEdit::~TDBEdit() { link_->SetDataSource(nullptr); }

void TDBEdit::SetDataSource(TDataSource* source) { link_->SetDataSource(source); }

void TDBEdit::SetDataField(std::string name) {
  dataField_ = std::move(name);
  LoadFromField();
}

TField* TDBEdit::Field() const {
  TDataSet* dataSet = link_->DataSet();
  if (!link_->Active() || dataSet == nullptr || dataField_.empty()) return nullptr;
  return dataSet->FindField(dataField_);
}

void TDBEdit::LoadFromField() {
  TField* field = Field();
  const QString shown =
      field == nullptr ? QString()
                       : platform::ToQString(hasFocus() ? field->EditText() : field->DisplayText());
  if (field != nullptr) {
    const int limit = field->DataType() == ftString ? field->Size() : 32767;
    if (maxLength() != limit) setMaxLength(limit);
  }
  // The same text again leaves the cursor and the selection where they are.
  if (shown != text()) Show(shown);
}

void TDBEdit::Show(const QString& shown) {
  loading_ = true;
  setText(shown);
  loading_ = false;
}

bool TDBEdit::StartEditing() {
  if (Field() == nullptr) return false;
  TDataSet* dataSet = link_->DataSet();
  if (dataSet->State() == dsEdit || dataSet->State() == dsInsert) return true;
  // Edit starts a new record on an empty result set.
  link_->Edit();
  return dataSet->State() == dsEdit || dataSet->State() == dsInsert;
}

void TDBEdit::UpdateRecord() {
  TField* field = Field();
  if (field == nullptr || !modified_) return;
  field->SetText(platform::FromQString(text()));
  modified_ = false;
}

bool TDBEdit::Accepts(const QString& inserted) const {
  // What typing cannot bring in (line ends, tabs, other control characters) is refused too.
  if (std::any_of(inserted.begin(), inserted.end(), [](QChar c) { return !c.isPrint(); }) ||
      !FitsCodePage(inserted)) {
    return false;
  }
  const TField* field = Field();
  if (field == nullptr) return true;
  const std::string bytes = platform::FromQString(inserted);
  return std::all_of(bytes.begin(), bytes.end(), [field](char c) { return field->IsValidChar(c); });
}

void TDBEdit::Edited() {
  if (Field() == nullptr) return;
  const QString edited = text();
  const int cursor = cursorPosition();
  const bool wasModified = modified_;
  // Marked first, so that the notice of the record entering edit mode keeps the text.
  modified_ = true;
  try {
    if (StartEditing()) {
      if (text() != edited) {
        Show(edited);
        setCursorPosition(cursor);
      }
      return;
    }
  } catch (...) {
    modified_ = wasModified;
    Show(beforeEdit_);
    // Reported here: the change came through the edit's own handlers, which must not unwind.
    ShowCurrentException();
    return;
  }
  modified_ = wasModified;
  Show(beforeEdit_);
}

void TDBEdit::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason ||
      reclaimingFocus) {
    return;
  }
  try {
    if (link_->Editing() || modified_) link_->UpdateRecord();
  } catch (...) {
    // The edit keeps the focus with its text selected; the error goes to the error report.
    selectAll();
    reclaimingFocus = true;
    setFocus();
    reclaimingFocus = false;
    throw;
  }
}

}  // namespace app
