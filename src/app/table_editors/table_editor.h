#pragma once

// The table editors of a map view: "Edit Color Bar Table" (ComClrTblCnf) for the colour
// table of a single channel and "Edit Look Up Table" (ComLkupTblCnf) for the three channels
// of a composite. They change the view's table live, ask the view to redraw after every change,
// check their fields, and put the table back as it was on Cancel.

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>

#include <array>
#include <functional>
#include <string>

#include "app/messages.h"
#include "app/settings/settings_store.h"
#include "app/table_editors/colour_setting_bar.h"
#include "app/table_editors/slider_bar.h"
#include "colour/colour_table.h"
#include "colour/table_statistics.h"

namespace kivo::app {

// What a view hands its editor.
struct TableEditorContext {
  colour::ComClrTblMng* table = nullptr;
  ComPrpCnfInfo* settings = nullptr;  // the view's own copy
  const colour::TableStatistics* statistics = nullptr;
  int family = 0;                     // 0 AMSR2, 1 AMSR/AMSR-E
  std::string caption;                // the view's colour bar caption; OK of the colour table editor sets it
  std::function<void()> preview;      // "KIVO_PREVIEW": the active view redraws
};

class ComTblEditor : public QDialog {
  Q_OBJECT
 public:
  // Rows of count fields: one for a colour table (the typed value goes to all three channels,
  // whose points must stay together for the colours to follow them), three for a look-up table.
  ComTblEditor(bool lookup, QWidget* parent);

  // Hands the table and what goes with it to the editor, and fills the controls from it.
  void ComSetIniVal(const TableEditorContext& context);
  const TableEditorContext& context() const { return context_; }
  bool lookup() const { return lookup_; }

  QComboBox* pointChoice() const { return points_; }
  QComboBox* graphType() const { return graph_; }
  QLineEdit* title() const { return title_; }  // nullptr in the look-up table editor
  QLineEdit* countField(int row, int slot) const {
    return counts_[static_cast<std::size_t>(row)][static_cast<std::size_t>(slot)];
  }
  int countRows() const { return lookup_ ? 3 : 1; }
  ComClrSldBar* sliderBar(int channel) const { return sliders_[static_cast<std::size_t>(channel)]; }
  ComClrCnfg* settingBar() const { return config_; }
  QLabel* preview(int index) const { return previews_[static_cast<std::size_t>(index)]; }

 public Q_SLOTS:
  void accept() override;
  void reject() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* countRow(int row);
  // The channel whose count values row `row` shows.
  int channelOfRow(int row) const { return lookup_ ? row : 0; }
  // Checks count field (row, slot) and stores a changed value: 0, or message 30.
  MsgCode takeCountField(int row, int slot, bool& changed);
  void countFieldLeft(int row, int slot);
  void complain(MsgCode code, QLineEdit* field);
  void pointsChosen(int index);
  void graphChosen(int index);
  void titleChanged();
  void fileRead(const colour::TableFileExtras& extras);
  // Message 0x1401: everything shown is read again from the table.
  void refresh();
  // Count fields of the used slots from the table.
  void fillCounts();
  void showUsedSlots();
  // The previews are drawn again and the view is asked to redraw.
  void tableChanged();
  void drawPreviews();

  bool lookup_;
  TableEditorContext context_;
  colour::ComClrTblMng copy_;  // the table as the editor found it
  bool reverseCopy_ = false;
  QComboBox* points_;
  QComboBox* graph_;
  QLineEdit* title_ = nullptr;
  std::array<ComClrSldBar*, 3> sliders_{};
  std::array<std::array<QLineEdit*, colour::kCapacity>, 3> counts_{};
  std::array<QLabel*, 3> previews_{};
  ComClrCnfg* config_;
  QDialogButtonBox* buttons_;
  unsigned generation_ = 0;  // a pending field check is dropped when OK or Cancel came first
  bool replacingTitle_ = false;
  ComLogOutPut log_;
};

class ComClrTblCnf : public ComTblEditor {
  Q_OBJECT
 public:
  explicit ComClrTblCnf(QWidget* parent = nullptr);
};

class ComLkupTblCnf : public ComTblEditor {
  Q_OBJECT
 public:
  explicit ComLkupTblCnf(QWidget* parent = nullptr);
};

// Runs the colour table editor or the look-up table editor on `context` modally; the result of
// the dialog (QDialog::Accepted when OK closed it, with context.caption the new caption).
int ComEditTable(bool lookup, TableEditorContext& context, QWidget* parent);

}  // namespace kivo::app
