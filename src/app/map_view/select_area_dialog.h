#pragma once

// The "Select Area" dialog: the upper-left and lower-right corners of the selected area as
// latitudes and longitudes in degrees. OK checks the fields and keeps the dialog open on a
// fault, with the failing field emptied and focused.

#include <QDialog>
#include <QLineEdit>

#include <array>
#include <functional>

#include "map/view_state.h"

namespace kivo::app {

class ComSelectArea : public QDialog {
  Q_OBJECT
 public:
  // `check` validates the fields (the view's rules for its projection).
  ComSelectArea(const map::SelectedArea& current, std::function<map::AreaCheck(const map::AreaFields&)> check,
                QWidget* parent = nullptr);

  // The accepted area.
  const map::SelectedArea& area() const { return area_; }
  // The four fields in the order upper-left latitude, upper-left longitude, lower-right
  // latitude, lower-right longitude (dialog ids 1011, 1012, 1013, 1014).
  QLineEdit* field(int index) const { return fields_[static_cast<std::size_t>(index)]; }

 public Q_SLOTS:
  void accept() override;

 private:
  std::array<QLineEdit*, 4> fields_{};
  std::function<map::AreaCheck(const map::AreaFields&)> check_;
  map::SelectedArea area_;
};

}  // namespace kivo::app
