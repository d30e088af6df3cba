#include "app/table_editors/slider_bar.h"

#include <QGridLayout>
#include <QPainter>
#include <QStyleOptionSlider>

namespace kivo::app {
namespace {

constexpr int kSliderHeight = 104;

// A vertical slider 0..255 (top 255) that tells where its handle is drawn.
class IntensitySlider : public QSlider {
 public:
  explicit IntensitySlider(QWidget* parent) : QSlider(Qt::Vertical, parent) {
    setRange(0, 255);
    setPageStep(16);
    setMinimumHeight(kSliderHeight);
    QSizePolicy policy = sizePolicy();
    policy.setRetainSizeWhenHidden(true);  // the other sliders keep their columns
    setSizePolicy(policy);
  }
  QPoint handleCentre() const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this).center();
  }
};

QColor channelColour(int channel, int alpha) {
  static constexpr int kRgb[3][3] = {{220, 0, 0}, {0, 170, 0}, {0, 0, 230}};
  const int c = channel >= 0 && channel < 3 ? channel : 0;
  return QColor(kRgb[c][0], kRgb[c][1], kRgb[c][2], alpha);
}

}  // namespace

ComClrSldBar::ComClrSldBar(QWidget* parent) : QWidget(parent) {
  log_.setName("ComClrSldBar");
  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  for (int k = 0; k < colour::kCapacity; ++k) {
    auto* slider = new IntensitySlider(this);
    slider->setObjectName(QStringLiteral("slider%1").arg(k));
    sliders_[static_cast<std::size_t>(k)] = slider;
    layout->addWidget(slider, 0, k, Qt::AlignHCenter);
    layout->setColumnStretch(k, 1);
    // Dragging, clicking on the groove and the keyboard all end here.
    connect(slider, &QSlider::valueChanged, this, [this, k](int position) { moved(k, position); });
  }
}

void ComClrSldBar::ComSetIniVal(colour::ComClrTblMng* table, int channel) {
  table_ = table;
  channel_ = channel;
  ComGetValSgm();
}

void ComClrSldBar::ComGetValSgm() {
  if (table_ == nullptr) return;
  const int step = table_->step();
  for (int k = 0; k < colour::kCapacity; ++k) {
    std::uint8_t intensity = 0;
    table_->ComGetClrPrm(channel_, k, &intensity);
    QSlider* s = sliders_[static_cast<std::size_t>(k)];
    const QSignalBlocker quiet(s);
    s->setValue(intensity);
    s->setVisible(k % step == 0);
  }
  update();
}

void ComClrSldBar::moved(int slot, int position) {
  if (table_ == nullptr) return;
  table_->ComSetClrPrm(channel_, slot, static_cast<std::uint8_t>(position));
  update();
  Q_EMIT intensityChanged(slot, channel_);
}

QPoint ComClrSldBar::handleCentre(int slot) const {
  const auto* s = static_cast<const IntensitySlider*>(sliders_[static_cast<std::size_t>(slot)]);
  return s->mapTo(this, s->handleCentre());
}

void ComClrSldBar::paintEvent(QPaintEvent*) {
  if (table_ == nullptr) return;
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing, true);
  const int step = table_->step();
  if (table_->ComGetGrphType() == colour::kBarGraph) {
    // Each point's intensity holds until the next point.
    p.setPen(QPen(channelColour(channel_, 255), 1));
    p.setBrush(channelColour(channel_, 70));
    for (int k = 0; k + step < colour::kCapacity; k += step) {
      const QPoint from = handleCentre(k);
      const QPoint to = handleCentre(k + step);
      p.drawRect(QRect(QPoint(from.x(), from.y()), QPoint(to.x(), height() - 1)));
    }
  } else {
    p.setPen(QPen(channelColour(channel_, 255), 2));
    for (int k = 0; k + step < colour::kCapacity; k += step) p.drawLine(handleCentre(k), handleCentre(k + step));
  }
}

}  // namespace kivo::app
