#pragma once

// The main window: an MDI frame with menus, tool bar, status bar, the batch history bar and
// the colour-table chooser bar. It owns the settings, the coastline map data and the three
// product objects that every panel and view share, creates the child windows through the
// registry of window templates, and receives the notifications of workers and views.

#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStringList>
#include <QTimer>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "app/batch/batch_event.h"
#include "app/batch/batch_history.h"
#include "app/batch/batch_records.h"
#include "app/settings/settings_store.h"
#include "map/world_map.h"
#include "product_model/product_object.h"

class QAction;
class QDockWidget;
class QLabel;
class QToolBar;

namespace kivo::app {

class ComClrCmbBarWidget;
class ComCmdBatchBar;
class ComFlOpnView;
class ComMkMoveView;
class ComPrdctMpDsp;
class QueuedProductEvents;

inline constexpr int kMaxMapViews = 10;
inline constexpr int kFamilyAmsr2 = 0;
inline constexpr int kFamilyAmsrE = 1;

// What the application hands the main window when it starts.
struct MainFrameOptions {
  std::string programFolder;  // with a trailing '/'
  std::string settingsPath;   // empty: the settings file beside the program (or in the config folder)
  QStringList arguments;      // product files given on the command line
  int meshDelayMs = 2000;     // wait before gap filling starts (tests make it 0)
};

class CMainFrame : public QMainWindow {
  Q_OBJECT
 public:
  explicit CMainFrame(MainFrameOptions options, QWidget* parent = nullptr);
  ~CMainFrame() override;

  // --- shared state handed to panels and views by reference --------------------------
  ComPrpCnfInfo& settings() { return settings_; }
  const std::string& programFolder() const { return options_.programFolder; }
  std::string dataFolder() const { return options_.programFolder + "data/"; }
  std::array<model::ComPrdctMngmnt*, 3> productObjects();
  map::ComWorldMap& worldMap() { return world_; }
  ComClrCmbBarWidget& tableChooser() { return *chooser_; }
  BatchHistory& batchHistory() { return *history_; }
  void setBatchHistory(BatchHistory* history);  // nullptr restores the history bar
  ComCmdBatchBar& historyBar() { return *historyText_; }
  BtchEvt& batchEvent() { return batchEvent_; }
  bool batchHdfMode() const { return batchHdfMode_; }
  void setBatchHdfMode(bool on) { batchHdfMode_ = on; }

  // --- batch processing -----------------------------------------------------------------
  // ComRunBtch: runs a command file (see ComBatchRunner for the result); `report` hears each
  // line's result.
  int ComRunBtch(const std::string& path, const std::function<void(long number, long total, const std::string& line,
                                                                   int result)>& report = {});
  // OUTMOV: an animation of the request's file list, made without a window of its own.
  int ComBtchMakeMovie(const BtchMovRec& request);
  // Closes the child windows one by one, the active one first, and lets them go at once.
  void closeChildWindows();
  // Menu command 32791: choose a command file, close every child window, run it, show the
  // history bar. Tests replace the dialog.
  using CommandFileChooser = std::function<QString(QWidget* parent, const QString& folder)>;
  void setCommandFileChooser(CommandFileChooser chooser) { chooseCommandFile_ = std::move(chooser); }
  QMdiArea* mdiArea() const { return mdi_; }

  // MpDspCnt: map views alive. A view calls mapViewCreated in its constructor and
  // mapViewDestroyed in its destructor.
  int mapViewCount() const { return mapViewCount_; }
  void mapViewCreated() { ++mapViewCount_; }
  void mapViewDestroyed() { --mapViewCount_; }

  // ValTxt and "KIVO_VALUE_DATA": a view sets the value text under the cursor; the status
  // pane shows it when the queued notification arrives.
  void postValueData(const QString& valueText);
  // "KIVO_PREVIEW": the active map view repaints (queued).
  void postPreview();
  // "KIVO_MESH_DATA" and "KIVO_SHOW_ERR_MSG", queued from any thread.
  void postMeshData(unsigned wParam, unsigned lParam);
  void postShowErrMsg(unsigned messageNumber);
  // The product objects' and display managers' reports, forwarded as the notifications above.
  model::ProductEvents& productEvents();

  // Status pane 0 (prompts) and pane 1 (progress and value under the cursor).
  void setPromptText(const QString& text);
  QString progressText() const;

  // --- child windows --------------------------------------------------------------------
  // A file open panel of a family (0 AMSR2, 1 AMSR/AMSR-E), in HDF output mode or not.
  ComFlOpnView* ComOpnFlPanel(int family, bool hdfOutput);
  // An animation panel of a family (0 AMSR2, 1 AMSR/AMSR-E).
  ComMkMoveView* ComOpnMovPanel(int family);
  // A new map view from the template "ComPrdctMpDsp", titled `title`; off screen when not
  // `visible`. nullptr when the window cannot be made.
  ComPrdctMpDsp* openMapView(const QString& title, bool visible);
  // The active map view, or nullptr.
  ComPrdctMpDsp* activeMapView() const;
  // The product files given on the command line, handed out once.
  QStringList takeCommandLineFiles();
  bool hasCommandLineFiles() const { return !options_.arguments.isEmpty(); }

  // The action of a command id (menus, tool bar); nullptr for an unknown id.
  QAction* action(int id) const;
  // Runs a command as the menu does (routing to the active map view).
  void runCommand(int id);

  // A registry of child-window factories by the window names of the templates.
  using WindowFactory = std::function<QWidget*(CMainFrame&)>;
  QWidget* createFromTemplate(const std::string& name);

 Q_SIGNALS:
  void meshData(unsigned wParam, unsigned lParam);  // queued "KIVO_MESH_DATA"
  void valueData();                                 // queued "KIVO_VALUE_DATA"
  void preview();                                   // queued "KIVO_PREVIEW"
  void showErrMsg(unsigned messageNumber);          // queued "KIVO_SHOW_ERR_MSG"

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void createActions();
  void createMenus();
  void createToolBar();
  void createStatusBar();
  void createBars();
  void loadCoastlines();
  void checkDisplayDepth();
  void updateCommandStates();
  void onMeshData(unsigned wParam, unsigned lParam);
  void onValueData();
  void onPreview();
  void onShowErrMsg(unsigned messageNumber);
  void openPage(const char* fileName, unsigned messageIfMissing);
  void showVersion();
  void toggleBatchHistory();
  void runBatchCommand();
  void applySizeLimits();

  MainFrameOptions options_;
  ComPrpCnfInfo settings_;
  map::ComWorldMap world_;
  // The product objects report through events_, so it is declared (and outlives them) first.
  std::unique_ptr<QueuedProductEvents> events_;
  std::array<std::unique_ptr<model::ComPrdctMngmnt>, 3> products_;
  BatchHistory* history_ = nullptr;
  BtchEvt batchEvent_;
  bool batchHdfMode_ = false;
  int mapViewCount_ = 0;
  QString valueText_;
  QMdiArea* mdi_ = nullptr;
  QToolBar* toolBar_ = nullptr;
  QDockWidget* historyBar_ = nullptr;
  ComCmdBatchBar* historyText_ = nullptr;
  CommandFileChooser chooseCommandFile_;
  bool batchRunning_ = false;
  QToolBar* chooserBar_ = nullptr;
  ComClrCmbBarWidget* chooser_ = nullptr;
  QLabel* pane1_ = nullptr;
  QTimer clearProgress_;
  std::map<int, QAction*> actions_;
  std::map<std::string, WindowFactory> templates_;
};

}  // namespace kivo::app
