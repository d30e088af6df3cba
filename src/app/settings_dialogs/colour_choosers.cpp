#include "app/settings_dialogs/colour_choosers.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>

namespace kivo::app {
namespace {

ColourAsk& colourAskHook() {
  static ColourAsk ask;
  return ask;
}

}  // namespace

ColourAsk setColourAsk(ColourAsk ask) {
  ColourAsk previous = std::move(colourAskHook());
  colourAskHook() = std::move(ask);
  return previous;
}

std::optional<std::uint32_t> askColour(QWidget* parent) {
  if (colourAskHook()) return colourAskHook()(parent);
  const QColor chosen = QColorDialog::getColor(Qt::white, parent);
  if (!chosen.isValid()) return std::nullopt;
  return colourOf(chosen);
}

QColor qColorOf(std::uint32_t colour) {
  return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                static_cast<int>((colour >> 16) & 0xFF));
}

std::uint32_t colourOf(const QColor& colour) {
  return static_cast<std::uint32_t>(colour.red()) | (static_cast<std::uint32_t>(colour.green()) << 8) |
         (static_cast<std::uint32_t>(colour.blue()) << 16);
}

// --- swatch --------------------------------------------------------------------------------

ColourSwatch::ColourSwatch(QWidget* parent) : QFrame(parent) {
  setFrameStyle(QFrame::Box | QFrame::Plain);
  setFixedSize(48, 20);
}

void ColourSwatch::setColour(std::uint32_t colour) {
  colour_ = colour;
  update();
}

void ColourSwatch::paintEvent(QPaintEvent* event) {
  {
    QPainter painter(this);
    // A disabled swatch keeps its colour, dimmed, so the setting stays readable.
    QColor fill = qColorOf(colour_);
    if (!isEnabled()) fill = QColor::fromRgbF(fill.redF() * 0.5 + 0.25, fill.greenF() * 0.5 + 0.25, fill.blueF() * 0.5 + 0.25);
    painter.fillRect(contentsRect(), fill);
  }
  QFrame::paintEvent(event);
}

// --- coastline chooser ---------------------------------------------------------------------

ComShrClrChc::ComShrClrChc(QWidget* parent) : QWidget(parent) {
  log_.setName("ComShrClrChc");
  check_ = new QCheckBox(tr("Coast"), this);
  orderLabel_ = new QLabel(tr("Order"), this);
  front_ = new QRadioButton(tr("Front"), this);
  back_ = new QRadioButton(tr("Back"), this);
  swatch_ = new ColourSwatch(this);
  select_ = new QPushButton(tr("Select..."), this);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(check_);
  layout->addSpacing(12);
  layout->addWidget(orderLabel_);
  layout->addWidget(front_);
  layout->addWidget(back_);
  layout->addStretch(1);
  layout->addWidget(swatch_);
  layout->addWidget(select_);
  back_->setChecked(true);
  connect(check_, &QCheckBox::clicked, this, [this] { applyEnableState(); });
  connect(select_, &QPushButton::clicked, this, [this] { select(); });
}

void ComShrClrChc::setCheck(bool on) { check_->setChecked(on); }
bool ComShrClrChc::check() const { return check_->isChecked(); }

void ComShrClrChc::setOrder(bool front) {
  front_->setChecked(front);
  back_->setChecked(!front);
}
bool ComShrClrChc::order() const { return front_->isChecked(); }

void ComShrClrChc::setColour(std::uint32_t colour) {
  colour_ = colour;
  swatch_->setColour(colour);
}

void ComShrClrChc::applyEnableState() {
  const bool on = check_->isChecked();
  for (QWidget* w : std::initializer_list<QWidget*>{orderLabel_, front_, back_, swatch_, select_}) w->setEnabled(on);
}

void ComShrClrChc::select() {
  if (const auto chosen = askColour(this)) setColour(*chosen);
}

// --- layer row -----------------------------------------------------------------------------

ComIndiClrChc::ComIndiClrChc(QWidget* parent) : QWidget(parent) {
  log_.setName("ComIndiClrChc");
  check_ = new QCheckBox(this);
  swatch_ = new ColourSwatch(this);
  select_ = new QPushButton(tr("Select..."), this);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(check_);
  layout->addStretch(1);
  layout->addWidget(swatch_);
  layout->addWidget(select_);
  connect(check_, &QCheckBox::clicked, this, [this](bool on) {
    if (backgroundRow_ && settings_ != nullptr) {
      settings_->ComSetFlg(kIdBckIndiFlg, on);
      settings_->ComSetVal(kIdBackClrFlg, 1);
    }
    applyEnableState();
  });
  connect(select_, &QPushButton::clicked, this, [this] { select(); });
}

void ComIndiClrChc::setText(const QString& text) { check_->setText(text); }
void ComIndiClrChc::setCheck(bool on) { check_->setChecked(on); }
bool ComIndiClrChc::check() const { return check_->isChecked(); }

void ComIndiClrChc::setColour(std::uint32_t colour) {
  colour_ = colour;
  swatch_->setColour(colour);
}

void ComIndiClrChc::applyEnableState() {
  swatch_->setEnabled(check_->isChecked());
  select_->setEnabled(check_->isChecked());
}

void ComIndiClrChc::select() {
  const bool writeThrough = backgroundRow_ && settings_ != nullptr;
  if (writeThrough) settings_->ComSetVal(kIdBackClrFlg, 1);
  if (const auto chosen = askColour(this)) setColour(*chosen);
  if (writeThrough) settings_->ComSetVal(kIdBckIndiClr, static_cast<int>(colour_));
}

}  // namespace kivo::app
