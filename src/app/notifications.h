#pragma once

// The notifications workers and views send the main window, and the progress texts of
// "KIVO_MESH_DATA".

#include <QString>

#include "product_model/product_object.h"

namespace kivo::app {

class CMainFrame;

inline constexpr unsigned kMeshDone = 0xFFFF;
inline constexpr unsigned kMeshAdjusting = 0x10000;
inline constexpr unsigned kMeshAdjusted = 0x1FFFF;

// What status pane 1 shows for "KIVO_MESH_DATA" (wParam, lParam).
struct MeshProgress {
  bool changes = false;     // false: the pane keeps its text (lParam 0)
  QString text;
  bool clearLater = false;  // clear the pane one second later
};
MeshProgress meshProgress(unsigned wParam, unsigned lParam);

// The product objects' and display managers' reports, posted to the main window from
// whichever thread they come; the poster never waits.
class QueuedProductEvents final : public model::ProductEvents {
 public:
  explicit QueuedProductEvents(CMainFrame& frame) : frame_(frame) {}
  void meshData(int wParam, int lParam) override;
  void showErrorMessage(int messageNumber) override;

 private:
  CMainFrame& frame_;
};

}  // namespace kivo::app
