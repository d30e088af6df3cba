#pragma once

// The animation output settings dialog (see movie_output_dialog.h for the entry point).

#include <QDialog>

#include <array>
#include <cstdint>

#include "app/messages.h"
#include "app/settings/settings_store.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace kivo::app {

class ComIndiClrChc;
class ComShrClrChc;

class ComMovOutConf : public QDialog {
  Q_OBJECT
 public:
  explicit ComMovOutConf(ComPrpCnfInfo& settings, QWidget* parent = nullptr);

  // Leaving the title edit: a title over the length limit shows message 29 and the stored
  // animation title comes back.
  void checkTitle();

  QCheckBox* titleCheck() const { return titleCheck_; }
  QLineEdit* titleEdit() const { return titleEdit_; }
  QRadioButton* titlePosition(int position) const { return titlePosition_[static_cast<std::size_t>(position)]; }
  QCheckBox* fileNameCheck() const { return fileNameCheck_; }
  // 0 upper, 1 lower.
  QRadioButton* fileNamePosition(int position) const { return fileNamePosition_[static_cast<std::size_t>(position)]; }
  QCheckBox* colourBarCheck() const { return barCheck_; }
  QCheckBox* flippedCheck() const { return flipCheck_; }
  QLineEdit* frameRateEdit() const { return frameRate_; }
  ComShrClrChc* coastChooser() const { return coast_; }
  // 0 latitude/longitude lines, 1 equator, 2 background.
  ComIndiClrChc* row(int index) const { return rows_[static_cast<std::size_t>(index)]; }

 public Q_SLOTS:
  // Stores everything, the frame rate only when it is 1..30, and writes the settings file;
  // the dialog closes only when the frame rate was accepted.
  void accept() override;
  // Puts back what the background row wrote through.
  void reject() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void applyEnableState();

  ComLogOutPut log_;
  ComPrpCnfInfo& settings_;
  // The background row writes through at once; Cancel restores these.
  int backgroundColour_ = 0;
  bool backgroundShown_ = false;
  int backgroundChanged_ = 0;

  QCheckBox* titleCheck_ = nullptr;
  QLineEdit* titleEdit_ = nullptr;
  QLabel* titlePositionLabel_ = nullptr;
  std::array<QRadioButton*, 3> titlePosition_{};
  QCheckBox* fileNameCheck_ = nullptr;
  QLabel* fileNamePositionLabel_ = nullptr;
  std::array<QRadioButton*, 2> fileNamePosition_{};
  QCheckBox* barCheck_ = nullptr;
  QCheckBox* flipCheck_ = nullptr;
  QLineEdit* frameRate_ = nullptr;
  ComShrClrChc* coast_ = nullptr;
  std::array<ComIndiClrChc*, 3> rows_{};
};

}  // namespace kivo::app
