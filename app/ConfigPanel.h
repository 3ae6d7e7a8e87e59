#pragma once

// The cost configuration panel "Configuraciones": a captioned panel over the report grid with
// the edits of the configuration table's parameters and its save button.

#include "app/Controls.h"

class TDataSource;

namespace app {

class TConfigPanel : public TPanel {
 public:
  // Placed at (456, 64), 313 x 169 within `parent`, hidden.
  explicit TConfigPanel(QWidget* parent);

  // The height of the caption bar.
  static constexpr int kCaptionHeight = 18;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace app
