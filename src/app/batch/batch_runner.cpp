#include "app/batch/batch_runner.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <filesystem>
#include <fstream>

#include "app/batch/batch_language.h"
#include "app/main_frame.h"
#include "app/map_view/map_view.h"
#include "app/open_panel/file_open_panel.h"

namespace kivo::app {
namespace {

// Reads a line of at most kMaxCommandLine bytes; the rest of a longer line is skipped and the
// line marked too long. False at the end of the file.
bool readLine(std::istream& in, std::string& line, bool& tooLong) {
  line.clear();
  tooLong = false;
  std::streambuf* buffer = in.rdbuf();
  bool any = false;
  for (;;) {
    const int c = buffer->sbumpc();
    if (c == std::char_traits<char>::eof()) break;
    any = true;
    if (c == '\n') return true;
    if (line.size() < kMaxCommandLine) line.push_back(static_cast<char>(c));
    else tooLong = true;
  }
  return any;
}

long countLines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  long lines = 0;
  bool open = false;
  char chunk[65536];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    const std::streamsize n = in.gcount();
    for (std::streamsize i = 0; i < n; ++i) {
      if (chunk[i] == '\n') {
        ++lines;
        open = false;
      } else {
        open = true;
      }
    }
  }
  return lines + (open ? 1 : 0);
}

}  // namespace

void ComBatchRunner::waitForEvent() {
  BtchEvt& event = frame_.batchEvent();
  if (event.tryWait()) return;
  QElapsedTimer clock;
  clock.start();
  QEventLoop loop;
  QTimer poll;
  poll.setInterval(1);
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    if (event.tryWait() || clock.elapsed() >= waitLimit_.count()) loop.quit();
  });
  poll.start();
  loop.exec(QEventLoop::ExcludeUserInputEvents);
}

int ComBatchRunner::ComRunBtch(const std::string& path, const Reporter& report) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) return kRunUnreadable;
  std::ifstream in(path, std::ios::binary);
  if (!in) return kRunUnreadable;
  const long total = countLines(path);

  productShown_ = false;
  mapView_ = nullptr;
  viewMode_ = 1;
  int outcome = kRunAllDone;
  std::string line;
  bool tooLong = false;
  QElapsedTimer shown;
  for (long number = 1; readLine(in, line, tooLong); ++number) {
    const std::size_t cr = line.find('\r');
    if (cr != std::string::npos) line.resize(cr);
    // The status bar follows at a pace the eye can read.
    if (!shown.isValid() || shown.elapsed() >= 100 || number == total) {
      shown.start();
      frame_.setPromptText(QCoreApplication::translate("kivo::app::ComBatchRunner", "Batch processing: line %1 of %2")
                               .arg(number)
                               .arg(total));
    }
    waitForEvent();
    const int result = tooLong ? kBtchSyntax : runLine(line);
    if (result != kBtchDone) {
      frame_.batchEvent().signal();
      frame_.batchHistory().addError(line);
      outcome = kRunLineFailed;
    }
    if (report) report({number, total, line, result});
    // Pending repaints go through, then the processor is yielded once.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    QThread::yieldCurrentThread();
  }
  if (viewMode_ == 2) frame_.closeChildWindows();
  frame_.setPromptText(QString());
  return outcome;
}

int ComBatchRunner::viewHdf(const std::string& arguments, bool hdfOutput) {
  BtchOpnRec request;
  if (parseViewHdf(arguments, request) != kBtchDone) return kBtchSyntax;
  frame_.closeChildWindows();
  viewMode_ = request.view ? 1 : 2;
  ComFlOpnView* panel = frame_.ComOpnFlPanel(familyOfProductWord(request.productWord), hdfOutput);
  if (panel == nullptr) return kBtchNoProduct;
  ComPrdctMpDsp* view = nullptr;
  const int result = panel->ComBtchLoad(request, &view);
  if (result == kBtchDone) {
    productShown_ = true;
    mapView_ = view;
  }
  return result;
}

int ComBatchRunner::runLine(const std::string& line) {
  const BtchSplit split = splitCommandLine(line);
  const int kind = kindOfKeyword(split.keyword);
  switch (kind) {
    case kBtchViewHdf:
      return viewHdf(split.arguments, false);
    case kBtchOutHdf: {
      frame_.setBatchHdfMode(true);
      const int opened = viewHdf(split.arguments, true);
      frame_.setBatchHdfMode(false);
      if (opened != kBtchDone) return opened;
      BtchHdfRec request;
      if (parseOutHdf(split.arguments, request) != kBtchDone) return kBtchSyntax;
      if (mapView_ == nullptr) return kBtchNoView;
      return mapView_->ComBtchOutHdf(request);
    }
    case kBtchOutImg:
    case kBtchOutCsv:
    case kBtchOutBin:
    case kBtchChangeMap: {
      if (!productShown_) return kBtchNoProduct;
      BtchRequest request;
      if (parseCommandLine(line, request) != kBtchDone) return kBtchSyntax;
      if (mapView_ == nullptr) return kBtchNoView;
      if (kind == kBtchOutImg) return mapView_->ComBtchOutImg(request.image);
      if (kind == kBtchOutCsv) return mapView_->ComBtchOutCsv(request.csv);
      if (kind == kBtchOutBin) return mapView_->ComBtchOutBin(request.binary);
      return mapView_->ComBtchChangeMap(request.map);
    }
    case kBtchOutMov: {
      BtchMovRec request;
      if (parseOutMov(split.arguments, request) != kBtchDone) return kBtchSyntax;
      frame_.closeChildWindows();
      const int result = frame_.ComBtchMakeMovie(request);
      if (result == kBtchDone) productShown_ = true;
      frame_.update();
      return result;
    }
    default:
      return kBtchSyntax;
  }
}

}  // namespace kivo::app
