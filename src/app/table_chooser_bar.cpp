#include "app/table_chooser_bar.h"

#include <QHBoxLayout>

#include <algorithm>

namespace kivo::app {

ComClrCmbBarWidget::ComClrCmbBarWidget(QWidget* parent) : QWidget(parent) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(6, 2, 6, 2);
  label_ = new QLabel(QString::fromUtf8(colour::kColourTableLabel), this);
  list_ = new QComboBox(this);
  list_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  list_->setMinimumContentsLength(24);
  layout->addWidget(label_);
  layout->addWidget(list_);
  layout->addStretch(1);
  refill();
  connect(list_, &QComboBox::activated, this, [this](int index) {
    if (filling_) return;
    if (logic_.choose(index) == 0) refill();
  });
  logic_.setPreviewRequest([this] { Q_EMIT previewRequested(); });
}

int ComClrCmbBarWidget::ComSetCnfInfo(const ComPrpCnfInfo& settings, int family) {
  std::string base;
  settings.ComGetStr(kIdDefFile, &base);
  const int rc = logic_.ComSetCnfInfo(base, family, onReverse_);
  refill();
  return rc;
}

int ComClrCmbBarWidget::ComSetTblMng(colour::ComClrTblMng* table, const colour::TableStatistics* statistics) {
  return logic_.ComSetTblMng(table, statistics);
}

int ComClrCmbBarWidget::ComFillTblList(int kind) {
  const int rc = logic_.ComFillTblList(kind);
  refill();
  return rc;
}

int ComClrCmbBarWidget::ComSelTbl(int index) {
  const int rc = logic_.ComSelTbl(index);
  refill();
  return rc;
}

void ComClrCmbBarWidget::refill() {
  filling_ = true;
  label_->setText(QString::fromStdString(logic_.label().empty() ? std::string(colour::kColourTableLabel) : logic_.label()));
  list_->clear();
  if (logic_.entries().empty()) {
    list_->addItem(QString::fromUtf8(colour::kAutomaticEntry));
  } else {
    for (const std::string& e : logic_.entries()) list_->addItem(QString::fromStdString(e));
  }
  list_->setCurrentIndex(std::max(0, logic_.selection()));
  filling_ = false;
}

}  // namespace kivo::app
