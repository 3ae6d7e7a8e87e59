#pragma once

// A data-aware single-line edit: shows a field of the current record of its data source,
// refuses characters the field cannot take, puts the result set in edit mode (insert mode on
// an empty result set) when typed into, and writes its text back to the field when it is left
// or when the record is posted.

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
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  class Link;
  friend class Link;
  void LoadFromField();
  bool StartEditing();

  std::unique_ptr<Link> link_;
  std::string dataField_;
  bool modified_ = false;
};

}  // namespace app
