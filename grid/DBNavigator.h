#pragma once

// The record navigator bar: first, prior, next and last (and the editing buttons a bar may
// show) bound to a data source; buttons spread over the bar's width and enable themselves from
// the result set's position.

#include <QAbstractButton>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <string>

class TDataSource;
class TNavDataLink;

enum TNavigateBtn {
  nbFirst,
  nbPrior,
  nbNext,
  nbLast,
  nbInsert,
  nbDelete,
  nbEdit,
  nbPost,
  nbCancel,
  nbRefresh
};
constexpr int kNavButtonCount = 10;
// A set of buttons (bit 1 << button).
using TNavButtonSet = unsigned;
constexpr TNavButtonSet kAllNavButtons = (1u << kNavButtonCount) - 1;

// One button of the bar; paints its own picture (enabled or disabled).
class TNavButton : public QAbstractButton {
 public:
  TNavButton(TNavigateBtn index, QWidget* parent);
  TNavigateBtn Index() const { return index_; }
  bool Flat = false;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  TNavigateBtn index_;
};

class TDBNavigator : public QWidget {
 public:
  explicit TDBNavigator(QWidget* parent = nullptr);
  ~TDBNavigator() override;

  TDataSource* DataSource() const;
  void SetDataSource(TDataSource* source);
  TNavButtonSet VisibleButtons() const { return visibleButtons_; }
  void SetVisibleButtons(TNavButtonSet buttons);
  bool Flat() const { return flat_; }
  void SetFlat(bool value);
  bool ConfirmDelete = true;
  // A docked (aligned) bar spreads the width remainder over the buttons; a free one snaps its
  // width to a multiple of the button count.
  bool Aligned() const { return aligned_; }
  void SetAligned(bool value);
  TNavButton* Button(TNavigateBtn button) const { return buttons_[button]; }
  // The default hint of a button ("First record", ...).
  static std::string DefaultHint(TNavigateBtn button);

  // The action of a click: moves the result set, with BeforeAction and OnClick around it.
  // Nothing happens while the result set is closed.
  void BtnClick(TNavigateBtn button);
  // Re-reads the enabled states from the data link.
  void UpdateButtons();

  std::function<void(TDBNavigator&, TNavigateBtn)> BeforeAction;
  std::function<void(TDBNavigator&, TNavigateBtn)> OnClick;
  // Answers "Delete record?" for nbDelete; true = delete. Without it the delete goes ahead.
  std::function<bool(const std::string&)> ConfirmDeleteQuery;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void LayoutButtons();
  std::array<TNavButton*, kNavButtonCount> buttons_{};
  std::unique_ptr<TNavDataLink> dataLink_;
  TNavButtonSet visibleButtons_ = kAllNavButtons;
  bool flat_ = false;
  bool aligned_ = true;
  bool snapping_ = false;
};
