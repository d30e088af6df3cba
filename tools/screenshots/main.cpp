// kivo-screenshots: drives the program's windows under a real (or virtual) X display and
// saves what the window system shows, for the README and for looking at every window in
// English and Japanese.
//
//   kivo-screenshots --samples DIR --out DIR [--lang en|ja]

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QLibraryInfo>
#include <QMdiSubWindow>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QTranslator>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "app/animation/movie_panel.h"
#include "app/commands.h"
#include "app/main_frame.h"
#include "app/map_view/map_view.h"
#include "app/message_box.h"
#include "app/messages.h"
#include "app/metadata/metadata_dialog.h"
#include "app/open_panel/file_open_panel.h"
#include "app/program_folder.h"
#include "app/settings_dialogs/movie_output_dialog.h"
#include "map/view_state.h"

namespace {

namespace app = kivo::app;
namespace cmd = kivo::app::cmd;

void settle(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool waitFor(const std::function<bool()>& done, int ms) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
  return done();
}

bool save(QWidget& window, const QString& path) {
  settle(300);
  QPixmap shot = window.screen()->grabWindow(window.winId());
  const bool ok = shot.save(path, "png");
  std::printf("%s %s\n", ok ? "saved" : "FAILED", path.toUtf8().constData());
  return ok;
}

// Saves the first dialog that opens while `open` runs, then closes it.
bool saveDialog(const std::function<void()>& open, const QString& path) {
  bool ok = false;
  QTimer::singleShot(700, [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* dialog = qobject_cast<QDialog*>(w);
      if (dialog != nullptr && dialog->isVisible()) {
        ok = save(*dialog, path);
        dialog->reject();
        return;
      }
    }
  });
  open();
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QString samples, out, lang = QStringLiteral("en");
  const QStringList args = QApplication::arguments();
  for (int i = 1; i + 1 < args.size(); i += 2) {
    if (args[i] == QLatin1String("--samples")) samples = args[i + 1];
    else if (args[i] == QLatin1String("--out")) out = args[i + 1];
    else if (args[i] == QLatin1String("--lang")) lang = args[i + 1];
  }
  if (samples.isEmpty() || out.isEmpty()) {
    std::fprintf(stderr, "usage: kivo-screenshots --samples DIR --out DIR [--lang en|ja]\n");
    return 2;
  }
  QTranslator qt, kivo;
  if (lang == QLatin1String("ja")) {
    if (qt.load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) QApplication::installTranslator(&qt);
    if (kivo.load(QStringLiteral(":/i18n/kivo_ja.qm"))) QApplication::installTranslator(&kivo);
  }
  app::RecordingMessagePresenter messages;
  app::ScopedMessagePresenter presenter(messages);

  app::MainFrameOptions options;
  options.programFolder = app::programFolder();
  options.settingsPath = (out + QStringLiteral("/KIVOMeriview.ini")).toStdString();
  options.meshDelayMs = 0;
  app::CMainFrame frame(options);
  frame.resize(1260, 980);
  frame.show();
  settle(500);
  const QString prefix = out + QLatin1Char('/') + lang + QLatin1Char('_');
  int failures = 0;
  const auto check = [&](bool ok) { failures += ok ? 0 : 1; };

  // A Level 1B orbit, one channel, in the equirectangular view.
  const QString level1b = samples + QStringLiteral("/GW1AM2_201207031905_234A_L1SGBTBR_2220220.h5");
  app::ComFlOpnView* panel = frame.ComOpnFlPanel(app::kFamilyAmsr2, false);
  panel->addFiles({level1b});
  settle(300);
  check(save(frame, prefix + QStringLiteral("panel.png")));
  if (auto* list = panel->findChild<QComboBox*>(QStringLiteral("channelList"))) {
    const int at = list->findText(QStringLiteral("89.0GHz-A-H"));
    if (at >= 0) list->setCurrentIndex(at);
  }
  panel->open();
  app::ComPrdctMpDsp* view = panel->lastMapView();
  app::ComPrdctMpDsp* single = view;
  waitFor([&] { return frame.progressText().contains(QStringLiteral("調整完了")); }, 60000);
  settle(500);
  check(save(frame, prefix + QStringLiteral("level1b_eqr.png")));

  // The same orbit as a red/green/blue composite in the north polar view.
  panel->setComposite(true);
  const char* rgb[3][2] = {{"redList", "36.5GHz-V"}, {"greenList", "18.7GHz-V"}, {"blueList", "89.0GHz-A-H"}};
  for (const auto& [name, channel] : rgb) {
    if (auto* list = panel->findChild<QComboBox*>(QString::fromUtf8(name))) {
      const int at = list->findText(QString::fromUtf8(channel));
      if (at >= 0) list->setCurrentIndex(at);
    }
  }
  panel->open();
  view = panel->lastMapView();
  waitFor([&] { return frame.progressText().contains(QStringLiteral("調整完了")); }, 60000);
  frame.runCommand(cmd::kProjNorth);
  frame.runCommand(cmd::kZoomIn);
  settle(800);
  check(save(frame, prefix + QStringLiteral("composite_polar.png")));

  // The metadata list over the composite's view.
  if (view != nullptr) {
    frame.runCommand(cmd::kMetaData);
    if (auto* list = view->findChild<app::ComMetaDataDlg*>()) {
      list->move(frame.geometry().topLeft() + QPoint(120, 160));
      settle(300);
      check(save(*list, prefix + QStringLiteral("metadata_list.png")));
      list->close();
    }
  }

  // An animation panel of two Level 3 products with an output chosen.
  if (app::ComMkMoveView* movie = frame.ComOpnMovPanel(app::kFamilyAmsr2)) {
    movie->addFiles({samples + QStringLiteral("/GW1AM2_20120700_01M_EQMA_L3SGT36LA2220220.h5"),
                     samples + QStringLiteral("/GW1AM2_20120700_01M_EQMA_L3SGT36HA2220220.h5")});
    movie->setOutputChooser([&out](QWidget*, const QString&, const QString& name, const QStringList&, int& filter) {
      filter = 2;
      return out + QLatin1Char('/') + name;
    });
    movie->chooseOutput();
    if (auto* sub = qobject_cast<QMdiSubWindow*>(movie->parentWidget())) {
      sub->resize(700, 560);
      frame.mdiArea()->setActiveSubWindow(sub);
    }
    settle(300);
    check(save(frame, prefix + QStringLiteral("animation_panel.png")));
    movie->cancel();
    settle(200);
  }
  // The map view is the active window again for its dialogs.
  if (view != nullptr) {
    if (auto* sub = qobject_cast<QMdiSubWindow*>(view->parentWidget())) frame.mdiArea()->setActiveSubWindow(sub);
  }

  // Dialogs of the map view and the main window.
  if (view != nullptr) check(saveDialog([&] { frame.runCommand(cmd::kSelectArea); }, prefix + QStringLiteral("select_area.png")));
  // The table editors: the composite's look-up table, then the orbit's colour table.
  if (view != nullptr) {
    check(saveDialog([&] { frame.runCommand(cmd::kEditLookupTable); }, prefix + QStringLiteral("lookup_table_editor.png")));
  }
  if (auto* sub = single != nullptr ? qobject_cast<QMdiSubWindow*>(single->parentWidget()) : nullptr) {
    frame.mdiArea()->setActiveSubWindow(sub);
    settle(300);
    check(saveDialog([&] { frame.runCommand(cmd::kEditColourTable); }, prefix + QStringLiteral("colour_table_editor.png")));
  }
  check(saveDialog([&] { frame.runCommand(cmd::kVersion); }, prefix + QStringLiteral("version.png")));
  // The settings sheet on each of its pages (over the active view's settings), and the
  // animation output settings.
  const struct {
    int command;
    const char* file;
  } pages[] = {{cmd::kPrefUser, "prefs_user.png"},
               {cmd::kPrefImage, "prefs_image_output.png"},
               {cmd::kPrefMapLayer, "prefs_map_layer.png"},
               {cmd::kPrefMapFile, "prefs_map_file.png"}};
  for (const auto& page : pages) {
    check(saveDialog([&] { frame.runCommand(page.command); }, prefix + QString::fromUtf8(page.file)));
  }
  check(saveDialog([&] { app::runMovieOutputDialog(&frame, frame.settings()); }, prefix + QStringLiteral("movie_output.png")));
  frame.runCommand(cmd::kBatchHistory);
  settle(300);
  check(save(frame, prefix + QStringLiteral("history_bar.png")));
  for (const auto& e : messages.entries()) std::printf("message %u\n", e.code);
  frame.close();
  return failures == 0 ? 0 : 1;
}
