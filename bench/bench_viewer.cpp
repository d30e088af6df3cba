// The map view in the main window (offscreen), 800 x 550, showing the 89 GHz A horizontal
// channel of a full-size Level 1B product: a repaint after a zoom or a pan in point mode and
// in grid mode (magnification 8 and 16), and the position and value read-out of a mouse move;
// and the painter alone on the same view.
//
//   bench_viewer [PRODUCT.h5] [benchmark flags]

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QMouseEvent>

#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "app/batch/batch_history.h"
#include "app/commands.h"
#include "app/main_frame.h"
#include "app/map_view/map_view.h"
#include "app/open_panel/file_open_panel.h"
#include "app/messages.h"
#include "bench_main.h"

namespace app = kivo::app;
namespace cmd = kivo::app::cmd;
namespace map = kivo::map;
namespace model = kivo::model;

namespace {

constexpr int k89AH = 20;

// The application, the main window and its view; the window goes before the application.
struct Viewer {
  std::unique_ptr<QApplication> application;
  app::RecordingMessagePresenter messages;
  std::unique_ptr<app::ScopedMessagePresenter> scope;
  app::RecordingBatchHistory history;
  std::unique_ptr<app::CMainFrame> frame;
  app::ComPrdctMpDsp* view = nullptr;
  map::GeoPoint observation{0, 0};  // a position with data
  bool tried = false;

  ~Viewer() {
    frame.reset();
    scope.reset();
    application.reset();
  }

  bool load() {
    if (tried) return view != nullptr;
    tried = true;
    app::MainFrameOptions options;
    options.programFolder = std::string(KIVO_BIN_DIR) + "/";
    options.settingsPath = "/tmp/kivo_bench_viewer_" + std::to_string(::getpid()) + ".ini";  // never written
    options.meshDelayMs = 0;
    frame = std::make_unique<app::CMainFrame>(options);
    frame->setBatchHistory(&history);
    frame->show();
    model::ComPrdctMngmnt& object = *frame->productObjects()[0];
    int slot = -1, projection = -1;
    bool known = false;
    std::string name;
    if (object.ComOpenPrdctFile(kivo::bench::productPath(), slot, name, projection, known) != 0 ||
        object.ComLoadChnl(slot, k89AH) != 0) {
      return false;
    }
    const model::ObsPoint* points = nullptr;
    int count = 0;
    if (object.ComGetPointArray(slot, points, count, k89AH) != 0 || count == 0) return false;
    observation = map::GeoPoint{points[count / 2].lon, points[count / 2].lat};
    object.ComStartMesh();
    object.ComWaitMesh();
    view = frame->openMapView("bench", true);
    if (view == nullptr) return false;
    view->resize(800, 550);
    app::ComPrdctMpDsp::ViewProduct product;
    product.slots[0] = {slot};
    product.channels[0] = k89AH;
    if (view->ComSetViewPrdct(product) != 0) {
      view = nullptr;
      return false;
    }
    view->displayManager().waitGridCopy();
    QCoreApplication::processEvents();
    return true;
  }

  // The view centred on the observation at magnification s.
  void centre(double s) {
    app::BtchMapRec r;
    r.magnification = s;
    r.centreLon = observation.x;
    r.centreLat = observation.y;
    r.projectionName = "EQR";
    view->ComBtchChangeMap(r);
    view->repaint();
  }

  void mouse(QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
    QMouseEvent event(type, QPointF(at), view->mapToGlobal(QPointF(at)),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(view, &event);
  }
};

Viewer* g_viewer = nullptr;

// Windows need a Qt application; offscreen unless QT_QPA_PLATFORM names a platform.
const bool g_application = kivo::bench::addSetup([](int& argc, char** argv) -> std::shared_ptr<void> {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  auto viewer = std::make_shared<Viewer>();
  viewer->application = std::make_unique<QApplication>(argc, argv);
  viewer->scope = std::make_unique<app::ScopedMessagePresenter>(viewer->messages);
  g_viewer = viewer.get();
  return viewer;
});

Viewer* ready(benchmark::State& state) {
  if (g_viewer == nullptr || !g_viewer->load()) {
    state.SkipWithError("cannot show the sample product");
    return nullptr;
  }
  return g_viewer;
}

void report(benchmark::State& state, Viewer& v, bool painted) {
  if (!painted) state.SkipWithError("the view was not painted");
  state.counters["grid_mode"] = v.view->displayManager().lastGridMode() ? 1 : 0;
  v.view->waitForScreenTable();
  QCoreApplication::processEvents();
}

// Zoom in and out by turns between s and 2 s, each followed by a repaint.
void BM_RepaintAfterZoom(benchmark::State& state) {
  Viewer* v = ready(state);
  if (v == nullptr) return;
  const double s = static_cast<double>(state.range(0));
  v->centre(s);
  bool in = true;
  for (auto _ : state) {
    v->view->runCommand(in ? cmd::kZoomIn : cmd::kZoomOut);
    v->view->repaint();
    in = !in;
  }
  report(state, *v, !v->view->pictureOutdated());
}

// A PAN drag by 20 pixels to and fro at magnification s, a repaint after each move.
void BM_RepaintAfterPan(benchmark::State& state) {
  Viewer* v = ready(state);
  if (v == nullptr) return;
  v->centre(static_cast<double>(state.range(0)));
  v->view->runCommand(cmd::kModePan);
  const QPoint middle(400, 275);
  v->mouse(QEvent::MouseButtonPress, middle, Qt::LeftButton);
  bool right = true;
  for (auto _ : state) {
    v->mouse(QEvent::MouseMove, middle + QPoint(right ? 20 : 0, 0), Qt::LeftButton);
    v->view->repaint();
    right = !right;
  }
  const bool painted = !v->view->pictureOutdated();
  v->mouse(QEvent::MouseButtonRelease, middle, Qt::NoButton);
  v->view->runCommand(cmd::kModeZoom);
  report(state, *v, painted);
}

// The position and value under the cursor, moving between two pixels of the observed swath.
void BM_ValueReadOut(benchmark::State& state) {
  Viewer* v = ready(state);
  if (v == nullptr) return;
  v->centre(1.0);
  v->view->waitForScreenTable();
  const QPoint a(400, 275);
  const QPoint b(401, 276);
  int n = 0;
  for (auto _ : state) {
    v->mouse(QEvent::MouseMove, (n & 1) != 0 ? a : b, Qt::NoButton);
    if (++n % 1000 == 0) {
      state.PauseTiming();
      QCoreApplication::processEvents();  // the queued value notifications
      state.ResumeTiming();
    }
  }
  if (!v->view->valueText().startsWith("value= ") || v->view->valueText() == "value= ---") {
    state.SkipWithError("no value under the cursor");
  }
  QCoreApplication::processEvents();
}

// The painter alone on the same view, for comparison with the view's repaint.
void BM_PainterOnly(benchmark::State& state) {
  Viewer* v = ready(state);
  if (v == nullptr) return;
  v->centre(static_cast<double>(state.range(0)));
  kivo::draw::Surface surface(800, 550);
  for (auto _ : state) map::paintView(surface, v->view->paintRequest(), v->view->paintSettings());
}
// From pressing Open in a file open panel holding the product to the first painted map
// (loading a channel not loaded before, the start of gap filling, the new view and its first
// paint).
void BM_OpenToFirstPaint(benchmark::State& state) {
  Viewer* v = ready(state);
  if (v == nullptr) return;
  bool painted = true;
  for (auto _ : state) {
    state.PauseTiming();
    app::ComFlOpnView* panel = v->frame->ComOpnFlPanel(app::kFamilyAmsr2, false);
    panel->addFiles({QString::fromStdString(kivo::bench::productPath())});
    if (auto* list = panel->findChild<QComboBox*>(QStringLiteral("channelList"))) {
      list->setCurrentIndex(list->findText(QStringLiteral("89.0GHz-A-V")));  // not loaded yet
    }
    state.ResumeTiming();
    panel->open();
    app::ComPrdctMpDsp* view = panel->lastMapView();
    if (view != nullptr) view->repaint();
    state.PauseTiming();
    painted = painted && view != nullptr && !view->pictureOutdated();
    if (view != nullptr) view->parentWidget()->close();
    panel->cancel();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    state.ResumeTiming();
  }
  if (!painted) state.SkipWithError("no map was painted");
}
BENCHMARK(BM_OpenToFirstPaint)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_PainterOnly)->Arg(2)->Arg(8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RepaintAfterZoom)->Arg(2)->Arg(8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RepaintAfterPan)->Arg(2)->Arg(8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ValueReadOut)->Unit(benchmark::kMicrosecond);

}  // namespace
