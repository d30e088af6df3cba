#pragma once

// The slider bar of one colour channel: nine vertical sliders, one per point slot, whose
// height is the slot's intensity (top 255, bottom 0), with the channel's intensity graph
// drawn between them as lines (Line Graph) or steps (Bar Graph). Only the used slots show.

#include <QSlider>
#include <QWidget>

#include <array>

#include "app/messages.h"
#include "colour/colour_table.h"

namespace kivo::app {

class ComClrSldBar : public QWidget {
  Q_OBJECT
 public:
  explicit ComClrSldBar(QWidget* parent = nullptr);

  // Attaches the bar to channel `channel` (0 red, 1 green, 2 blue) of the table and reads it.
  void ComSetIniVal(colour::ComClrTblMng* table, int channel);
  // Reads the nine intensities again and shows the sliders of the used slots.
  void ComGetValSgm();

  int channel() const { return channel_; }
  QSlider* slider(int slot) const { return sliders_[static_cast<std::size_t>(slot)]; }

 Q_SIGNALS:
  // A slider moved: slot `slot` of the channel has a new intensity in the table.
  void intensityChanged(int slot, int channel);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void moved(int slot, int position);
  // The centre of a slider's handle in this widget's coordinates.
  QPoint handleCentre(int slot) const;

  colour::ComClrTblMng* table_ = nullptr;
  int channel_ = 0;
  std::array<QSlider*, colour::kCapacity> sliders_{};
  ComLogOutPut log_;
};

}  // namespace kivo::app
