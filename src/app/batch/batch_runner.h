#pragma once

// The batch runner: a command file's lines one after another on the main window's panels and
// views, each line waiting until the previous line's work has signalled the batch event.

#include <QPointer>

#include <chrono>
#include <functional>
#include <string>

namespace kivo::app {

class CMainFrame;
class ComPrdctMpDsp;

// One line's outcome, for the status bar and for unattended runs.
struct BtchLineReport {
  long number = 0;  // 1-based
  long total = 0;
  std::string line;
  int result = 0;
};

// Results of a whole run.
inline constexpr int kRunAllDone = 0;
inline constexpr int kRunLineFailed = 1;
inline constexpr int kRunUnreadable = 2;

class ComBatchRunner {
 public:
  explicit ComBatchRunner(CMainFrame& frame) : frame_(frame) {}

  using Reporter = std::function<void(const BtchLineReport&)>;
  // ComRunBtch: kRunAllDone, kRunLineFailed when any line failed, kRunUnreadable when the
  // command file cannot be read (nothing is then recorded). `report` hears every line.
  int ComRunBtch(const std::string& path, const Reporter& report = {});

  // How long a line waits for the previous line's work (50 minutes).
  void setWaitLimit(std::chrono::milliseconds limit) { waitLimit_ = limit; }

 private:
  int runLine(const std::string& line);
  int viewHdf(const std::string& arguments, bool hdfOutput);
  // Waits for the batch event while the event loop delivers everything but user input.
  void waitForEvent();

  CMainFrame& frame_;
  std::chrono::milliseconds waitLimit_{3000000};
  bool productShown_ = false;           // BtchPrdShown
  QPointer<ComPrdctMpDsp> mapView_;     // BtchMpDsp
  int viewMode_ = 1;                    // BtchViewMode: 1 keep windows, 2 close them at the end
};

}  // namespace kivo::app
