#include <QButtonGroup>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/settings_dialogs/field_rules.h"
#include "app/settings_dialogs/settings_pages.h"

namespace kivo::app {
namespace {

// The number edits in the order they are checked.
struct UserField {
  int controlId;
  int settingId;
  int min;
  int max;
  MsgCode outOfRange;  // the message for a value outside the range or a text too long
};
constexpr std::array<UserField, 5> kUserFields = {{
    {1000, kIdNumReadFiles, 1, 30, 18},
    {1007, kIdDecSetting, 0, 3, 19},
    {1008, kIdOneRcrdOut, 1, 256, 20},
    {1009, kIdNnObsValMrk, -32768, 32767, 13},
    {1010, kIdNnObsVal, 0, 65535, 13},
}};
constexpr MsgCode kMsgNotNumber = 17;

}  // namespace

void ComSettingsPage::activate() {
  if (!shown_) {
    firstShow();
    shown_ = true;
  }
  becameActive();
}

ComUserConf::ComUserConf(ComPrpCnfInfo& settings, QWidget* parent) : ComSettingsPage(settings, parent) {
  log_.setName("ComUserConf");
  for (auto& edit : edits_) edit = new QLineEdit(this);
  bigEndian_ = new QRadioButton(tr("Big Endian"), this);
  littleEndian_ = new QRadioButton(tr("Little Endian"), this);
  auto* order = new QButtonGroup(this);
  order->addButton(bigEndian_);
  order->addButton(littleEndian_);
  auto* orderRow = new QHBoxLayout;
  orderRow->addWidget(bigEndian_);
  orderRow->addWidget(littleEndian_);
  orderRow->addStretch(1);

  auto* form = new QFormLayout;
  form->addRow(tr("Maximum number of input files"), edits_[0]);
  form->addRow(tr("Byte order"), orderRow);
  form->addRow(tr("Number of digits for decimal fraction"), edits_[1]);
  form->addRow(tr("Number of columns which are included in a line"), edits_[2]);
  form->addRow(tr("Value of invalid data (Signed)"), edits_[3]);
  form->addRow(tr("Value of invalid data (Unsigned)"), edits_[4]);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addStretch(1);
}

QLineEdit* ComUserConf::field(int controlId) const {
  for (std::size_t i = 0; i < kUserFields.size(); ++i) {
    if (kUserFields[i].controlId == controlId) return edits_[i];
  }
  return nullptr;
}

void ComUserConf::firstShow() {
  for (std::size_t i = 0; i < kUserFields.size(); ++i) {
    int value = 0;
    settings_.ComGetVal(kUserFields[i].settingId, &value);
    edits_[i]->setText(QString::number(value));
  }
  int order = 0;
  settings_.ComGetVal(kIdBytOrdrSetting, &order);
  (order == 0 ? bigEndian_ : littleEndian_)->setChecked(true);
}

bool ComUserConf::ComCheck() {
  for (std::size_t i = 0; i < kUserFields.size(); ++i) {
    const UserField& f = kUserFields[i];
    const prefs::FieldCheck result = prefs::checkNumberField(edits_[i]->text(), f.min, f.max, nullptr);
    if (result == prefs::FieldCheck::kOk) continue;
    // The stored value comes back before the box, so the box never sees the bad text again.
    int stored = 0;
    settings_.ComGetVal(f.settingId, &stored);
    edits_[i]->setText(QString::number(stored));
    edits_[i]->setFocus();
    ComOutMsgBox().ComDspMsg(result == prefs::FieldCheck::kNotNumber ? kMsgNotNumber : f.outOfRange);
    return false;
  }
  return true;
}

void ComUserConf::ComSave() {
  if (!shown()) return;
  settings_.ComSetVal(kIdBytOrdrSetting, bigEndian_->isChecked() ? 0 : 1);
  for (std::size_t i = 0; i < kUserFields.size(); ++i) {
    int value = 0;
    if (prefs::checkNumberField(edits_[i]->text(), kUserFields[i].min, kUserFields[i].max, &value) ==
        prefs::FieldCheck::kOk) {
      settings_.ComSetVal(kUserFields[i].settingId, value);
    }
  }
}

}  // namespace kivo::app
