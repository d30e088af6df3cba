#pragma once

// The modal message box of the desktop program: a warning box captioned "KIVOMeriview" with
// one OK button, owned by the main window.

#include <QPointer>
#include <QWidget>

#include "app/messages.h"

namespace kivo::app {

class MessageBoxPresenter final : public MessagePresenter {
 public:
  void setOwner(QWidget* owner) { owner_ = owner; }
  void show(MsgCode code, const std::string& text) override;
  void unknown(MsgCode code) override;

 private:
  QPointer<QWidget> owner_;
};

}  // namespace kivo::app
