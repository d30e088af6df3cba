#pragma once

// The four pages of the environmental settings sheet. Each edits one settings object by
// setting id; its controls are filled when the page is first shown, and a page never shown
// saves nothing.

#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>

#include "app/messages.h"
#include "app/settings/settings_store.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMdiSubWindow;
class QPushButton;
class QRadioButton;

namespace kivo::app {

class ComIndiClrChc;
class ComShrClrChc;

class ComSettingsPage : public QWidget {
  Q_OBJECT
 public:
  explicit ComSettingsPage(ComPrpCnfInfo& settings, QWidget* parent = nullptr) : QWidget(parent), settings_(settings) {}
  // The page became the sheet's active page: filled the first time, then told it is active.
  void activate();
  bool shown() const { return shown_; }

 protected:
  virtual void firstShow() = 0;
  virtual void becameActive() {}
  ComPrpCnfInfo& settings_;

 private:
  bool shown_ = false;
};

// User setting: input file limit, byte order, CSV digits and columns, invalid-data values.
class ComUserConf : public ComSettingsPage {
  Q_OBJECT
 public:
  explicit ComUserConf(ComPrpCnfInfo& settings, QWidget* parent = nullptr);

  // Checks the edits in order and stops at the first failure: its message is shown and the
  // edit gets back its stored value. True when every edit passes.
  bool ComCheck();
  // Stores the byte order and the five integers (only when shown).
  void ComSave();

  // Edits 1000 (files), 1007 (decimals), 1008 (columns), 1009 (signed), 1010 (unsigned).
  QLineEdit* field(int controlId) const;
  QRadioButton* bigEndianButton() const { return bigEndian_; }
  QRadioButton* littleEndianButton() const { return littleEndian_; }

 protected:
  void firstShow() override;

 private:
  ComLogOutPut log_;
  std::array<QLineEdit*, 5> edits_{};
  QRadioButton* bigEndian_ = nullptr;
  QRadioButton* littleEndian_ = nullptr;
};

// Image output setting: title and its position, colour bar, map background of saved images.
class ComImgOutConf : public ComSettingsPage {
  Q_OBJECT
 public:
  // `activeMapChild` is the active child window when it holds a map view (and map views are
  // open), else nullptr: its view's title is the title the page edits.
  ComImgOutConf(ComPrpCnfInfo& settings, QMdiSubWindow* activeMapChild, QWidget* parent = nullptr);

  // Stores the page (only when initialised) and gives the map view its title.
  void ComApply();

  QCheckBox* titleCheck() const { return titleCheck_; }
  QLineEdit* titleEdit() const { return titleEdit_; }
  QRadioButton* positionButton(int position) const { return position_[static_cast<std::size_t>(position)]; }
  QCheckBox* colourBarCheck() const { return barCheck_; }
  QCheckBox* flippedCheck() const { return flipCheck_; }
  ComIndiClrChc* backgroundRow() const { return background_; }

 protected:
  void firstShow() override;
  void becameActive() override;

 private:
  void applyEnableState();
  void titleChanged();

  ComLogOutPut log_;
  QPointer<QMdiSubWindow> child_;
  QCheckBox* titleCheck_ = nullptr;
  QLineEdit* titleEdit_ = nullptr;
  QLabel* positionLabel_ = nullptr;
  std::array<QRadioButton*, 3> position_{};
  QCheckBox* barCheck_ = nullptr;
  QCheckBox* flipCheck_ = nullptr;
  ComIndiClrChc* background_ = nullptr;
  bool resetting_ = false;
};

// Map layer setting: coastline, latitude/longitude lines, equator, background, pen widths and
// line spacing.
class ComMapConf : public ComSettingsPage {
  Q_OBJECT
 public:
  explicit ComMapConf(ComPrpCnfInfo& settings, QWidget* parent = nullptr);

  // Stores the page (only when shown); a spacing outside 1..90 is not stored.
  void ComSave();
  // Leaving a spacing edit: outside 1..90 shows message 28 and restores the stored value.
  void checkSpacing(QLineEdit* edit);

  ComShrClrChc* coastChooser() const { return coast_; }
  // 0 latitude/longitude lines, 1 equator, 2 background.
  ComIndiClrChc* row(int index) const { return rows_[static_cast<std::size_t>(index)]; }
  QComboBox* coastWidth() const { return coastWidth_; }
  QComboBox* latLonWidth() const { return latLonWidth_; }
  QCheckBox* spacingCheck() const { return spacingCheck_; }
  QLineEdit* latitudeSpacing() const { return latEdit_; }
  QLineEdit* longitudeSpacing() const { return lonEdit_; }

 protected:
  void firstShow() override;
  void becameActive() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void applySpacingState();

  ComLogOutPut log_;
  ComShrClrChc* coast_ = nullptr;
  std::array<ComIndiClrChc*, 3> rows_{};
  QComboBox* coastWidth_ = nullptr;
  QComboBox* latLonWidth_ = nullptr;
  QCheckBox* spacingCheck_ = nullptr;
  QLabel* latLabel_ = nullptr;
  QLabel* lonLabel_ = nullptr;
  QLineEdit* latEdit_ = nullptr;
  QLineEdit* lonEdit_ = nullptr;
};

// Asks for one existing coastline file, starting from `proposed`; empty when cancelled. By
// default the platform's file-open dialog; tests install their own. Returns the one it
// replaces; an empty one restores the default.
using MapFileAsk = std::function<QString(QWidget* parent, const QString& proposed)>;
MapFileAsk setMapFileAsk(MapFileAsk ask);

// Map file setting: a fixed coastline file, or one for magnifications below 8 and one from 8.
class ComMapFileConf : public ComSettingsPage {
  Q_OBJECT
 public:
  explicit ComMapFileConf(ComPrpCnfInfo& settings, QWidget* parent = nullptr);

  // Stores the changed, readable ".b" files and the mode (only when shown). True when the
  // coastline files in use changed and must be loaded again.
  bool ComSave();
  // "Ref..." of edit 0 (fixed file), 1 (below 8) or 2 (from 8).
  void browse(int index);

  QRadioButton* fixButton() const { return fix_; }
  QRadioButton* automaticButton() const { return automatic_; }
  // 0: 1091 fixed file, 1: 1092 file below magnification 8, 2: 1094 file from 8.
  QLineEdit* fileEdit(int index) const { return edits_[static_cast<std::size_t>(index)]; }
  QPushButton* refButton(int index) const { return refs_[static_cast<std::size_t>(index)]; }

 protected:
  void firstShow() override;

 private:
  ComLogOutPut log_;
  QRadioButton* fix_ = nullptr;
  QRadioButton* automatic_ = nullptr;
  std::array<QLineEdit*, 3> edits_{};
  std::array<QPushButton*, 3> refs_{};
};

}  // namespace kivo::app
