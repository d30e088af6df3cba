#pragma once

// The colour-table chooser bar of the main window (docked at the top): a label and a
// drop-down list of the sample tables of the active view's product family.

#include <QComboBox>
#include <QLabel>
#include <QWidget>

#include <functional>

#include "app/settings/settings_store.h"
#include "colour/table_chooser.h"

namespace kivo::app {

class ComClrCmbBarWidget : public QWidget {
  Q_OBJECT
 public:
  explicit ComClrCmbBarWidget(QWidget* parent = nullptr);

  // The settings (their DEF_FILE folder holds the sample tables) and the product family
  // (0 AMSR2, 1 AMSR/AMSR-E); 2 for another family. Detaches the table.
  int ComSetCnfInfo(const ComPrpCnfInfo& settings, int family);
  // Attaches a view's table and statistics; 2 when either is missing.
  int ComSetTblMng(colour::ComClrTblMng* table, const colour::TableStatistics* statistics);
  // Fills the list with colour tables (kind 0) or look-up tables (kind 1).
  int ComFillTblList(int kind);
  // Selects and loads entry `index` as a user choice does, without a preview request.
  int ComSelTbl(int index);
  // Receives the colour-bar direction a colour table file sets (from the next ComSetCnfInfo on).
  void setOnReverse(std::function<void(bool)> onReverse) { onReverse_ = std::move(onReverse); }

  const colour::ComClrCmbBar& logic() const { return logic_; }
  QComboBox* list() const { return list_; }

 Q_SIGNALS:
  // The user chose a table: the active view is to repaint with it ("KIVO_PREVIEW").
  void previewRequested();

 private:
  void refill();
  colour::ComClrCmbBar logic_;
  QLabel* label_;
  QComboBox* list_;
  bool filling_ = false;
  std::function<void(bool)> onReverse_;
};

}  // namespace kivo::app
