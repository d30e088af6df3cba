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

#include <unistd.h>

#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

#include "app/commands.h"
#include "export/image_export.h"
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

// `--batch FILE.out`: the command file, or an empty text when the option is not given. Sets
// `usage` when the option has no file.
std::string batchFileOf(int argc, char** argv, bool& usage) {
  usage = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--batch") == 0) {
      if (i + 1 >= argc || argv[i + 1][0] == '\0') usage = true;
      return usage ? std::string() : std::string(argv[i + 1]);
    }
  }
  return {};
}

// Runs a command file without any window: one line per command on standard output, status 0
// when every line succeeded, 1 when one failed, 2 when the file cannot be read.
int runBatchFile(const std::string& path, const MainFrameOptions& options) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec) || ::access(path.c_str(), R_OK) != 0) {
    std::fprintf(stderr, "kivo-meriview: %s: the command file cannot be read\n", path.c_str());
    return 2;
  }
  // Standard output carries one line per command; the image writer's trace goes to errors.
  out::setImageTrace(stderr);
  auto frame = std::make_unique<CMainFrame>(options);
  frame->show();
  int status = 2;
  QTimer::singleShot(0, frame.get(), [&] {
    status = frame->ComRunBtch(path, [](long number, long total, const std::string& line, int result) {
      if (result == 0) std::printf("%ld/%ld ok %s\n", number, total, line.c_str());
      else std::printf("%ld/%ld error %d %s\n", number, total, result, line.c_str());
      std::fflush(stdout);
    });
    frame->closeChildWindows();
    QApplication::exit(0);
  });
  QApplication::exec();
  frame.reset();
  if (status == 2) std::fprintf(stderr, "kivo-meriview: %s: the command file cannot be read\n", path.c_str());
  return status;
}

}  // namespace

int runApplication(int argc, char** argv) {
  // A write past the file-size limit fails with an error the outputs report, instead of the
  // signal ending the program.
  std::signal(SIGXFSZ, SIG_IGN);
  bool usage = false;
  const std::string batchFile = batchFileOf(argc, argv, usage);
  if (usage) {
    std::fprintf(stderr, "usage: kivo-meriview --batch FILE.out\n");
    return 2;
  }
  const bool batch = !batchFile.empty();
  // Unattended runs show no window and leave messages on standard error.
  if (batch) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::setenv("KIVO_MESSAGES", "stderr", 1);
  }
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

  MainFrameOptions options;
  options.programFolder = programFolder();
  options.settingsPath = environment("KIVO_SETTINGS").toStdString();
  // Unattended runs fill the gaps at once: no one is waiting for a first picture.
  if (batch) options.meshDelayMs = 0;
  bool ok = false;
  const int delay = environment("KIVO_MESH_DELAY_MS").toInt(&ok);
  if (ok && delay >= 0) options.meshDelayMs = delay;
  // Several unattended runs may go on at once, beside a desktop instance: no lock.
  if (batch) return runBatchFile(batchFile, options);

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
