#include "app/message_box.h"

#include <QMessageBox>

namespace kivo::app {

void MessageBoxPresenter::show(MsgCode, const std::string& text) {
  QMessageBox box(QMessageBox::Warning, QString::fromUtf8(kMsgCaption), QString::fromStdString(text), QMessageBox::Ok,
                  owner_.data());
  box.exec();
}

void MessageBoxPresenter::unknown(MsgCode) {}

}  // namespace kivo::app
