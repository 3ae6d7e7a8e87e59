#include "app/DBEdit.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QValidator>

#include "data/DB.h"
#include "platform/Cp1252.h"

namespace app {

namespace {

// True when every character of `text` has a Windows-1252 byte: the field stores that byte,
// so a character without one would be stored as "?".
bool FitsCodePage(const QString& text) {
  return platform::ToQString(platform::FromQString(text)) == text;
}

// Refuses any change (typed, pasted or dropped) that brings in a character the field cannot
// store.
class CodePageValidator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    return FitsCodePage(input) ? Acceptable : Invalid;
  }
};

// Set while a refused edit takes the focus back, so that the edit losing it then does not
// check its own text and take the focus back in turn.
bool reclaimingFocus = false;

}  // namespace

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
  setValidator(new CodePageValidator(this));
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
  if (field == nullptr) {
    clear();
    return;
  }
  const int limit = field->DataType() == ftString ? field->Size() : 32767;
  if (maxLength() != limit) setMaxLength(limit);
  // The same text again leaves the cursor and the selection where they are.
  const QString shown = platform::ToQString(hasFocus() ? field->EditText() : field->DisplayText());
  if (shown != text()) setText(shown);
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

void TDBEdit::keyPressEvent(QKeyEvent* event) {
  TField* field = Field();
  const QString typed = event->text();
  const bool printable = !typed.isEmpty() && typed.at(0).isPrint();
  // Keys that change the text without typing a character (paste, cut, undo, word deletes)
  // edit the record as typing does.
  const bool erasing =
      event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete ||
      event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Cut) ||
      event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo) ||
      event->matches(QKeySequence::DeleteStartOfWord) ||
      event->matches(QKeySequence::DeleteEndOfWord) ||
      event->matches(QKeySequence::DeleteCompleteLine);
  if (field != nullptr && (printable || erasing)) {
    if (printable) {
      if (!FitsCodePage(typed)) return;
      for (char c : platform::FromQString(typed)) {
        if (!field->IsValidChar(c)) return;
      }
    }
    if (!StartEditing()) return;
    const QString before = text();
    QLineEdit::keyPressEvent(event);
    if (text() != before) modified_ = true;
    return;
  }
  QLineEdit::keyPressEvent(event);
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
