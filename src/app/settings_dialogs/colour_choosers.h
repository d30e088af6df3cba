#pragma once

// The two chooser panels of the map layer settings: ComShrClrChc (the coastline: show it, in
// front of or behind the product, its colour) and ComIndiClrChc (one layer: show it, its
// colour). Their owners place them and fill them; a check box enables the panel's other
// controls.

#include <QFrame>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>

#include "app/messages.h"
#include "app/settings/settings_store.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace kivo::app {

// Asks the user for a colour (0x00BBGGRR); nothing when the chooser was cancelled. By default
// the platform's colour chooser; tests install their own. Returns the one it replaces (empty
// for the default); an empty one restores the default.
using ColourAsk = std::function<std::optional<std::uint32_t>(QWidget* parent)>;
ColourAsk setColourAsk(ColourAsk ask);
std::optional<std::uint32_t> askColour(QWidget* parent);

// 0x00BBGGRR and back.
QColor qColorOf(std::uint32_t colour);
std::uint32_t colourOf(const QColor& colour);

// A small area painted in one colour.
class ColourSwatch : public QFrame {
  Q_OBJECT
 public:
  explicit ColourSwatch(QWidget* parent = nullptr);
  void setColour(std::uint32_t colour);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::uint32_t colour_ = 0;
};

class ComShrClrChc : public QWidget {
  Q_OBJECT
 public:
  explicit ComShrClrChc(QWidget* parent = nullptr);

  void setCheck(bool on);
  bool check() const;
  // Front (drawn over the product) when true, else Back.
  void setOrder(bool front);
  bool order() const;
  void setColour(std::uint32_t colour);
  std::uint32_t colour() const { return colour_; }
  // The check box enables the order, the swatch and Select.
  void applyEnableState();

  QCheckBox* checkBox() const { return check_; }
  QRadioButton* frontButton() const { return front_; }
  QRadioButton* backButton() const { return back_; }
  QPushButton* selectButton() const { return select_; }

 private:
  void select();

  ComLogOutPut log_;
  QCheckBox* check_ = nullptr;
  QLabel* orderLabel_ = nullptr;
  QRadioButton* front_ = nullptr;
  QRadioButton* back_ = nullptr;
  ColourSwatch* swatch_ = nullptr;
  QPushButton* select_ = nullptr;
  std::uint32_t colour_ = 0;
};

class ComIndiClrChc : public QWidget {
  Q_OBJECT
 public:
  explicit ComIndiClrChc(QWidget* parent = nullptr);

  void setText(const QString& text);
  void setCheck(bool on);
  bool check() const;
  void setColour(std::uint32_t colour);
  std::uint32_t colour() const { return colour_; }
  void setCnfInfo(ComPrpCnfInfo* settings) { settings_ = settings; }
  // The row of the map background writes through to the settings: each click on its check
  // box stores BckIndiFlg and sets BackClrFlg; each Select sets BackClrFlg and, once the
  // chooser has closed (also when cancelled), stores the row's colour in BckIndiClr.
  void setBackgroundRow(bool on) { backgroundRow_ = on; }
  // The check box enables the swatch and Select.
  void applyEnableState();

  QCheckBox* checkBox() const { return check_; }
  QPushButton* selectButton() const { return select_; }

 private:
  void select();

  ComLogOutPut log_;
  ComPrpCnfInfo* settings_ = nullptr;
  bool backgroundRow_ = false;
  QCheckBox* check_ = nullptr;
  ColourSwatch* swatch_ = nullptr;
  QPushButton* select_ = nullptr;
  std::uint32_t colour_ = 0;
};

}  // namespace kivo::app
