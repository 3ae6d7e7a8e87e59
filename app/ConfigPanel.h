#pragma once

// The cost configuration panel "Configuraciones": a captioned panel over the report grid with
// six data-aware edits of the configuration table's first row and the save button.

#include <memory>
#include <vector>

#include "app/Controls.h"

class TClientDataSet;
class TDataSet;
class TDataSource;
class TField;

namespace app {

class TDBEdit;

class TConfigPanel : public TPanel {
 public:
  // Placed at (456, 64), 313 x 169 within `parent`, hidden.
  explicit TConfigPanel(QWidget* parent);

  // Binds the six edits to `source` (the configuration result set's data source).
  void SetDataSource(TDataSource* source);

  TDBEdit* DBEdit1;  // COCP_CODINS2
  TDBEdit* DBEdit2;  // COCP_CODINS3
  TDBEdit* DBEdit4;  // COCP_PREFEP
  TDBEdit* DBEdit5;  // COCP_PREFSA
  TDBEdit* DBEdit6;  // COCP_VRAMOR
  TDBEdit* DBEdit7;  // COCP_PORCA1
  TSpeedButton* SpeedButton5;

  // The height of the caption bar.
  static constexpr int kCaptionHeight = 18;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// Saves the configuration (the "F2: Guardar" button): applies the changes of `config` with no
// error tolerated, then closes `config` and hides `panel`. A refused save raises the reason
// after closing; a row that another transaction holds in an unfinished change (past the
// connection's lock wait) raises a Spanish message instead and keeps `config` open and the
// panel shown with the changes, so that nothing typed is lost and the save can be tried again.
void SaveConfiguration(TClientDataSet& config, TConfigPanel& panel);

// The 13 persistent fields of the configuration result set, each named dataSet.Name() + field
// name, owned by `owner`. Requires: `dataSet` is closed.
void CreateConfigFields(TDataSet& dataSet, std::vector<std::unique_ptr<TField>>& owner);

}  // namespace app
