#include "app/notifications.h"

#include "app/main_frame.h"

namespace kivo::app {

MeshProgress meshProgress(unsigned w, unsigned n) {
  MeshProgress p;
  if (n == 0) return p;
  p.changes = true;
  if (w == kMeshDone) {
    p.text = QStringLiteral("補間データ作成完了");
  } else if (w == kMeshAdjusting) {
    p.text = QStringLiteral("補間データ調整中");
  } else if (w == kMeshAdjusted) {
    p.text = QStringLiteral("補間データ調整完了");
    p.clearLater = true;
  } else if (n == 1) {
    p.text = QStringLiteral("補間データ作成中");
  } else {
    const unsigned percent = w * 100u / n;  // unsigned arithmetic, as the product object counts
    p.text = QStringLiteral("%1:%2%").arg(QStringLiteral("補間データ作成中")).arg(percent);
  }
  return p;
}

void QueuedProductEvents::meshData(int wParam, int lParam) {
  frame_.postMeshData(static_cast<unsigned>(wParam), static_cast<unsigned>(lParam));
}

void QueuedProductEvents::showErrorMessage(int messageNumber) { frame_.postShowErrMsg(static_cast<unsigned>(messageNumber)); }

}  // namespace kivo::app
