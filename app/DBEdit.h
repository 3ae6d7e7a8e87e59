#pragma once

// A data-aware single-line edit: shows a field of the current record of its data source,
// refuses characters the field cannot take, puts the result set in edit mode (insert mode on
// an empty result set) when the operator changes its text (typing, the context menu, a drop),
// and writes its text back to the field when it is left or when the record is posted.

#include <QLineEdit>
#include <memory>
#include <string>

class TDataSource;
class TField;

namespace app {

class TDBEdit : public QLineEdit {
 public:
  explicit TDBEdit(QWidget* parent = nullptr);
  ~TDBEdit() override;

  void SetDataSource(TDataSource* source);
  const std::string& DataField() const { return dataField_; }
  void SetDataField(std::string name);
  // The bound field of the open result set, or nullptr.
  TField* Field() const;
  // Writes the typed text to the field when it was changed. Throws the field's conversion
  // error ("%s is not a valid BCD value", ...).
  void UpdateRecord();

 protected:
  void focusOutEvent(QFocusEvent* event) override;

 private:
  class Link;
  friend class Link;
  class Rules;
  friend class Rules;
  void LoadFromField();
  // Shows `shown` as the field's text, not as a change of the operator.
  void Show(const QString& shown);
  bool StartEditing();
  // True when the field may take every character of `inserted`.
  bool Accepts(const QString& inserted) const;
  // After any change the operator made: the record is put in edit mode and the text marked
  // modified, or the change is undone when the record cannot be edited.
  void Edited();

  std::unique_ptr<Link> link_;
  std::string dataField_;
  bool modified_ = false;
  // Set while the edit shows the field's text: that text is not the operator's change.
  bool loading_ = false;
  // The text before the change being checked, and before the last one the operator made.
  QString shown_;
  QString beforeEdit_;
};

}  // namespace app
