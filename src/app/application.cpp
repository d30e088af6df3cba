#include "app/application.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QLockFile>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <QTranslator>
#include <QWindow>

#include <clocale>
#include <csignal>
#include <cstdlib>
#include <memory>

#include "app/commands.h"
#include "app/main_frame.h"
#include "app/map_view/map_view.h"
#include "app/message_box.h"
#include "app/notifications.h"
#include "app/program_folder.h"

namespace kivo::app {
namespace {

QString environment(const char* name) { return QString::fromLocal8Bit(qgetenv(name)); }

// Japanese when the user-interface language (or KIVO_LANGUAGE) is Japanese.
bool japaneseInterface() {
  const QString forced = environment("KIVO_LANGUAGE");
  if (!forced.isEmpty()) return forced.startsWith(QLatin1String("ja"));
  const QStringList languages = QLocale::system().uiLanguages();
  return !languages.isEmpty() && languages.first().startsWith(QLatin1String("ja"));
}

// Saves what the program shows once the first map view has its grids: the main window as the
// window system shows it and the map view alone (for unattended runs and the window tests).
class Screenshot : public QObject {
 public:
  Screenshot(CMainFrame& frame, QString windowPath, QString viewPath)
      : frame_(frame), windowPath_(std::move(windowPath)), viewPath_(std::move(viewPath)) {
    connect(&frame_, &CMainFrame::meshData, this, [this](unsigned w, unsigned) {
      if (w == kMeshAdjusted && !scheduled_) {
        scheduled_ = true;
        QTimer::singleShot(800, this, [this] { take(); });
      }
    });
    bool ok = false;
    const int limit = environment("KIVO_SCREENSHOT_TIMEOUT_MS").toInt(&ok);
    QTimer::singleShot(ok && limit > 0 ? limit : 120000, this, [this] { take(); });
  }

 private:
  void take() {
    if (taken_) return;
    taken_ = true;
    QApplication::processEvents();
    if (!windowPath_.isEmpty()) {
      QScreen* screen = frame_.screen();
      QPixmap shot = screen != nullptr ? screen->grabWindow(frame_.winId()) : QPixmap();
      if (shot.isNull() || shot.width() < 2) shot = frame_.grab();
      shot.save(windowPath_, "png");
      // Where the map view's drawing area lies in the picture, for the window tests.
      if (ComPrdctMpDsp* view = frame_.activeMapView()) {
        const QPoint at = view->mapTo(&frame_, QPoint(0, 0));
        QFile where(windowPath_ + QStringLiteral(".view"));
        if (where.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
          where.write(QStringLiteral("%1 %2 %3 %4\n").arg(at.x()).arg(at.y()).arg(view->width()).arg(view->height()).toUtf8());
        }
      }
    }
    if (!viewPath_.isEmpty()) {
      if (ComPrdctMpDsp* view = frame_.activeMapView()) view->grab().save(viewPath_, "png");
    }
    frame_.close();
  }

  CMainFrame& frame_;
  QString windowPath_, viewPath_;
  bool scheduled_ = false;
  bool taken_ = false;
};

}  // namespace

int runApplication(int argc, char** argv) {
  // A write past the file-size limit fails with an error the outputs report, instead of the
  // signal ending the program.
  std::signal(SIGXFSZ, SIG_IGN);
  QApplication app(argc, argv);
  // Numbers in every file the program writes use '.', whatever the desktop's locale; Qt has
  // set the C library's locale from the environment.
  std::setlocale(LC_NUMERIC, "C");
  QApplication::setApplicationName(QStringLiteral("KIVOMeriview"));
  QApplication::setOrganizationName(QStringLiteral("KIVO"));

  // Messages go to a modal box owned by the main window, or to standard error for
  // unattended runs.
  MessageBoxPresenter boxes;
  std::unique_ptr<ScopedMessagePresenter> presenter;
  if (environment("KIVO_MESSAGES") != QLatin1String("stderr")) presenter = std::make_unique<ScopedMessagePresenter>(boxes);

  QTranslator qtTranslator, kivoTranslator;
  if (japaneseInterface()) {
    if (qtTranslator.load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
      QApplication::installTranslator(&qtTranslator);
    }
    if (kivoTranslator.load(QStringLiteral(":/i18n/kivo_ja.qm"))) QApplication::installTranslator(&kivoTranslator);
  }

  // One running instance: a lock file named after the executable in the user's runtime folder.
  const QString baseName = QFileInfo(QApplication::applicationFilePath()).completeBaseName();
  QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (runtime.isEmpty()) runtime = QDir::tempPath();
  QLockFile instance(runtime + QLatin1Char('/') + baseName + QStringLiteral(".lock"));
  instance.setStaleLockTime(0);
  if (!instance.tryLock(0)) {
    ComOutMsgBox().ComDspMsg(34);
    return 1;
  }

  MainFrameOptions options;
  options.programFolder = programFolder();
  options.settingsPath = environment("KIVO_SETTINGS").toStdString();
  bool ok = false;
  const int delay = environment("KIVO_MESH_DELAY_MS").toInt(&ok);
  if (ok && delay >= 0) options.meshDelayMs = delay;
  const QStringList arguments = QApplication::arguments();
  options.arguments = arguments.mid(1);
  const bool withFiles = !options.arguments.isEmpty();

  auto frame = std::make_unique<CMainFrame>(options);
  boxes.setOwner(frame.get());
  std::unique_ptr<Screenshot> screenshot;
  if (!environment("KIVO_SCREENSHOT").isEmpty() || !environment("KIVO_SCREENSHOT_VIEW").isEmpty()) {
    screenshot = std::make_unique<Screenshot>(*frame, environment("KIVO_SCREENSHOT"), environment("KIVO_SCREENSHOT_VIEW"));
  }
  frame->show();
  // Files on the command line open in an AMSR/AMSR-E file open panel, which takes them.
  if (withFiles) QTimer::singleShot(0, frame.get(), [f = frame.get()] { f->runCommand(cmd::kOpenAmsrE); });
  const int status = QApplication::exec();
  screenshot.reset();
  frame.reset();
  return status;
}

}  // namespace kivo::app
