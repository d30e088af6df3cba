#pragma once

// The metadata list: a modeless dialog over a map view with one entry per shown file and,
// for the chosen file, its root attributes in file order. While it is open the view draws
// only the chosen file.

#include <QDialog>
#include <QPointer>

#include <vector>

#include "product_model/product_object.h"

class QComboBox;
class QPushButton;
class QTableWidget;

namespace kivo::app {

class ComPrdctMpDsp;

inline constexpr int kMetaDataMaxFiles = 9;

class ComMetaDataDlg : public QDialog {
  Q_OBJECT
 public:
  explicit ComMetaDataDlg(QWidget* parent = nullptr);
  ~ComMetaDataDlg() override;

  // The shown slots of `object` in display order and the view that opened the list: 0; 1 when
  // the product object or the owner is missing; 2 when the count is not 1..9 (nothing changes).
  int ComSetIniVal(int count, const int* slots, model::ComPrdctMngmnt* object, ComPrdctMpDsp* owner);
  // Fills the file list and shows the first file (message 23 when a path cannot be read).
  void ComSetIniMetaData();
  // Fills the attribute list with the root attributes of one slot.
  void ComSetMetaData(int slot);

  // The chosen entry: the view draws that file alone.
  void chooseFile(int index);

 protected:
  void changeEvent(QEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void retranslate();

  std::vector<int> slots_;
  model::ComPrdctMngmnt* object_ = nullptr;
  QPointer<ComPrdctMpDsp> owner_;
  QComboBox* files_ = nullptr;
  QTableWidget* attributes_ = nullptr;
  QPushButton* close_ = nullptr;
};

// The "Meta Data" command of a map view: opens the list over the view's files (the first
// nine), or raises the one already open.
ComMetaDataDlg* openMetadataList(ComPrdctMpDsp& view);

}  // namespace kivo::app
