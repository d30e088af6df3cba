#include "app/main_frame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDockWidget>
#include <QFileDialog>
#include <QPointer>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <set>

#include "app/animation/movie_list.h"
#include "app/animation/movie_panel.h"
#include "app/batch/batch_language.h"
#include "app/batch/batch_runner.h"
#include "app/batch/history_bar.h"
#include "app/commands.h"
#include "app/map_view/map_view.h"
#include "app/messages.h"
#include "app/notifications.h"
#include "app/open_panel/file_open_panel.h"
#include "app/settings_dialogs/settings_sheet.h"
#include "app/table_chooser_bar.h"
#include "app/tool_icons.h"

namespace kivo::app {
namespace {

// The commands the active map view handles; without one they are disabled.
const std::set<int> kMapViewCommands = {
    cmd::kSaveImage, cmd::kSaveKml, cmd::kSaveBinary, cmd::kSaveGeoTiff, cmd::kSaveCsv, cmd::kSaveCsvLatLon, cmd::kCopyWindow,
    cmd::kCopySelection, cmd::kSaveHdf, cmd::kAutoAdjust, cmd::kZoomIn, cmd::kZoomOut, cmd::kReset, cmd::kBack,
    cmd::kProjEqr, cmd::kProjOrtho, cmd::kProjNorth, cmd::kProjSouth, cmd::kProjBoth, 32851, 32852, 32853, 32854,
    32855, 32856, 32857, 32858, cmd::kProjMercator, cmd::kMetaData, cmd::kBarVertical, cmd::kBarHorizontal,
    cmd::kModeZoom, cmd::kModePan, cmd::kModeSelect, cmd::kSelectArea, cmd::kEditColourTable, cmd::kEditLookupTable,
    cmd::kMoveRight, cmd::kMoveLeft, cmd::kMoveUp, cmd::kMoveDown, cmd::kBackToolBar};

// Commands whose work comes with later parts of the program: shown, but not yet offered.
const std::set<int> kNotYetOffered = {};

constexpr int kPane1Width = 275;
constexpr int kMinWidth = 343;
constexpr int kMinHeightWithHistory = 289;
constexpr int kMinHeight = 126;

}  // namespace

CMainFrame::CMainFrame(MainFrameOptions options, QWidget* parent)
    : QMainWindow(parent), options_(std::move(options)), settings_(options_.programFolder, options_.settingsPath) {
  events_ = std::make_unique<QueuedProductEvents>(*this);
  for (auto& object : products_) {
    object = std::make_unique<model::ComPrdctMngmnt>(
        model::ProductObjectSettings{dataFolder(), events_.get(), options_.meshDelayMs});
  }
  setWindowTitle(QStringLiteral("KIVO-S1Meriview"));
  setWindowIcon(applicationIcon());
  mdi_ = new QMdiArea(this);
  mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setCentralWidget(mdi_);

  createActions();
  createMenus();
  createToolBar();
  createStatusBar();
  createBars();

  templates_["ComFlOpnView"] = [](CMainFrame& frame) -> QWidget* { return new ComFlOpnView(frame); };
  templates_["ComPrdctMpDsp"] = [](CMainFrame& frame) -> QWidget* { return new ComPrdctMpDsp(frame); };
  templates_["ComMkMoveView"] = [](CMainFrame& frame) -> QWidget* { return new ComMkMoveView(frame); };

  settings_.ComReadCnf();
  loadCoastlines();
  checkDisplayDepth();

  connect(mdi_, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* sub) {
    if (sub != nullptr) {
      if (auto* view = qobject_cast<ComPrdctMpDsp*>(sub->widget())) view->activated();
      if (auto* panel = qobject_cast<ComFlOpnView*>(sub->widget())) panel->activated();
    }
    updateCommandStates();
  });
  clearProgress_.setSingleShot(true);
  connect(&clearProgress_, &QTimer::timeout, this, [this] { pane1_->setText(QString()); });
  // Menus and tool bar follow the active view's state as the user works.
  auto* refresh = new QTimer(this);
  connect(refresh, &QTimer::timeout, this, &CMainFrame::updateCommandStates);
  refresh->start(250);
  updateCommandStates();
  // Most of the screen, so that a panel and a map view fit beside each other where they can.
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QRect available = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1280, 1024);
  resize(std::max(kMinWidth, available.width() * 19 / 20), std::max(400, available.height() * 9 / 10));
}

CMainFrame::~CMainFrame() {
  // The bars hide while the window is taken apart; their signals must not reach it then.
  if (historyBar_ != nullptr) historyBar_->disconnect(this);
  mdi_->disconnect(this);
  // Views and panels release their slots in the product objects and stop their workers while
  // the objects still exist.
  // Closed child windows waiting for their deferred deletion are no longer listed by the MDI
  // area, so every child window is looked up among its children.
  for (QMdiSubWindow* sub : mdi_->findChildren<QMdiSubWindow*>()) delete sub;
  for (auto& object : products_) object->ComStopMesh();
}

std::array<model::ComPrdctMngmnt*, 3> CMainFrame::productObjects() {
  return {products_[0].get(), products_[1].get(), products_[2].get()};
}

model::ProductEvents& CMainFrame::productEvents() { return *events_; }

void CMainFrame::setBatchHistory(BatchHistory* history) {
  history_ = history != nullptr ? history : static_cast<BatchHistory*>(historyText_);
}

// --- notifications -------------------------------------------------------------------------

void CMainFrame::postValueData(const QString& valueText) {
  valueText_ = valueText;
  QMetaObject::invokeMethod(this, [this] { onValueData(); }, Qt::QueuedConnection);
}

void CMainFrame::postPreview() {
  QMetaObject::invokeMethod(this, [this] { onPreview(); }, Qt::QueuedConnection);
}

void CMainFrame::postMeshData(unsigned wParam, unsigned lParam) {
  QMetaObject::invokeMethod(this, [this, wParam, lParam] { onMeshData(wParam, lParam); }, Qt::QueuedConnection);
}

void CMainFrame::postShowErrMsg(unsigned messageNumber) {
  QMetaObject::invokeMethod(this, [this, messageNumber] { onShowErrMsg(messageNumber); }, Qt::QueuedConnection);
}

void CMainFrame::onMeshData(unsigned wParam, unsigned lParam) {
  const MeshProgress p = meshProgress(wParam, lParam);
  if (p.changes) {
    pane1_->setText(p.text);
    if (p.clearLater) clearProgress_.start(1000);
  }
  Q_EMIT meshData(wParam, lParam);
}

void CMainFrame::onValueData() {
  pane1_->setText(valueText_);
  Q_EMIT valueData();
}

void CMainFrame::onPreview() {
  if (ComPrdctMpDsp* view = activeMapView()) view->update();
  Q_EMIT preview();
}

void CMainFrame::onShowErrMsg(unsigned messageNumber) {
  ComOutMsgBox().ComDspMsg(messageNumber);
  Q_EMIT showErrMsg(messageNumber);
}

void CMainFrame::setPromptText(const QString& text) { statusBar()->showMessage(text); }

QString CMainFrame::progressText() const { return pane1_->text(); }

// --- child windows -------------------------------------------------------------------------

QWidget* CMainFrame::createFromTemplate(const std::string& name) {
  const auto found = templates_.find(name);
  return found == templates_.end() ? nullptr : found->second(*this);
}

ComFlOpnView* CMainFrame::ComOpnFlPanel(int family, bool hdfOutput) {
  auto* panel = qobject_cast<ComFlOpnView*>(createFromTemplate("ComFlOpnView"));
  if (panel == nullptr) return nullptr;
  QMdiSubWindow* sub = mdi_->addSubWindow(panel);
  sub->setAttribute(Qt::WA_DeleteOnClose);
  sub->setWindowIcon(applicationIcon());
  if (family == kFamilyAmsr2) {
    sub->setWindowTitle(hdfOutput ? QStringLiteral("AMSR2プロダクト読み込み(HDF出力)") : QStringLiteral("AMSR2プロダクト読み込み"));
  } else {
    sub->setWindowTitle(QStringLiteral("AMSR-Eプロダクト読み込み"));
  }
  panel->ComInitPanel(family, hdfOutput);
  sub->show();
  return panel;
}

ComMkMoveView* CMainFrame::ComOpnMovPanel(int family) {
  auto* panel = qobject_cast<ComMkMoveView*>(createFromTemplate("ComMkMoveView"));
  if (panel == nullptr) return nullptr;
  QMdiSubWindow* sub = mdi_->addSubWindow(panel);
  sub->setAttribute(Qt::WA_DeleteOnClose);
  sub->setWindowIcon(applicationIcon());
  const QString title = family == kFamilyAmsr2 ? tr("Create Animation AMSR2") : tr("Create Animation AMSR-E");
  sub->setWindowTitle(title);
  panel->setWindowTitle(title);
  panel->ComInitMovPanel(family);
  // Child windows cascade from the top left, the newest in front.
  const int step = static_cast<int>(mdi_->subWindowList().size() - 1) % 8;
  sub->move(24 * step, 24 * step);
  sub->show();
  mdi_->setActiveSubWindow(sub);
  return panel;
}

ComPrdctMpDsp* CMainFrame::openMapView(const QString& title, bool visible) {
  auto* view = qobject_cast<ComPrdctMpDsp*>(createFromTemplate("ComPrdctMpDsp"));
  if (view == nullptr) return nullptr;
  QMdiSubWindow* sub = mdi_->addSubWindow(view);
  sub->setAttribute(Qt::WA_DeleteOnClose);
  sub->setWindowIcon(applicationIcon());
  sub->setWindowTitle(title);
  view->setWindowTitle(title);
  // The frame rectangle a new view starts with: a drawing area of 800 x 550.
  const int frameWidth = sub->style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, sub);
  const int titleHeight = sub->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, sub);
  sub->resize(800 + 2 * frameWidth, 550 + titleHeight + frameWidth);
  // Child windows cascade from the top left, the newest in front.
  const int step = static_cast<int>(mdi_->subWindowList().size() - 1) % 8;
  sub->move(visible ? QPoint(24 * step, 24 * step) : QPoint(-1280, -1024));
  sub->show();
  if (visible) mdi_->setActiveSubWindow(sub);
  return view;
}

ComPrdctMpDsp* CMainFrame::activeMapView() const {
  QMdiSubWindow* sub = mdi_->currentSubWindow();
  return sub == nullptr ? nullptr : qobject_cast<ComPrdctMpDsp*>(sub->widget());
}

QStringList CMainFrame::takeCommandLineFiles() {
  QStringList files = options_.arguments;
  options_.arguments.clear();
  return files;
}

// --- commands ------------------------------------------------------------------------------

QAction* CMainFrame::action(int id) const {
  const auto found = actions_.find(id);
  return found == actions_.end() ? nullptr : found->second;
}

void CMainFrame::createActions() {
  struct Def {
    int id;
    const char* label;   // menu text
    const char* prompt;  // status-bar prompt, then the tool tip after a line feed
    bool checkable;
  };
  static const Def defs[] = {
      {cmd::kOpenAmsr2, QT_TR_NOOP("AMSR2"), QT_TR_NOOP("Open AMSR2 product files\nOpen(AMSR2)"), false},
      {cmd::kOpenAmsrE, QT_TR_NOOP("AMSR/AMSR-E"), QT_TR_NOOP("Open AMSR/AMSR-E product files\nOpen(AMSR/AMSR-E)"), false},
      {cmd::kOpenAmsr2Output, QT_TR_NOOP("AMSR2 Output"), QT_TR_NOOP("Open an AMSR2 product to save an area as HDF\nOpen(AMSR2 Output)"), false},
      {cmd::kAnimationAmsr2, QT_TR_NOOP("AMSR2"), QT_TR_NOOP("Make an animation of AMSR2 products\nAnimation(AMSR2)"), false},
      {cmd::kAnimationAmsrE, QT_TR_NOOP("AMSR/AMSR-E"), QT_TR_NOOP("Make an animation of AMSR/AMSR-E products\nAnimation(AMSR/AMSR-E)"), false},
      {cmd::kSaveImage, QT_TR_NOOP("Save as Image"), QT_TR_NOOP("Save the map as an image file\nSave as Image"), false},
      {cmd::kSaveKml, QT_TR_NOOP("Save as KML(KMZ)"), QT_TR_NOOP("Save the map as a KML or KMZ file\nSave as KML(KMZ)"), false},
      {cmd::kSaveBinary, QT_TR_NOOP("Save as Binary"), QT_TR_NOOP("Save the values as a binary file\nSave as Binary"), false},
      {cmd::kSaveGeoTiff, QT_TR_NOOP("Save as GeoTIFF"), QT_TR_NOOP("Save the value grid as a georeferenced GeoTIFF file\nSave as GeoTIFF"), false},
      {cmd::kSaveCsv, QT_TR_NOOP("Save value only"), QT_TR_NOOP("Save the values as a CSV file\nSave as CSV"), false},
      {cmd::kSaveCsvLatLon, QT_TR_NOOP("Save value with Latitude and Longitude"), QT_TR_NOOP("Save the values with latitude and longitude as a CSV file\nSave as CSV with Latitude and Longitude"), false},
      {cmd::kCopyWindow, QT_TR_NOOP("Copy (Window)"), QT_TR_NOOP("Copy the whole map window to the clipboard\nCopy (Window)"), false},
      {cmd::kCopySelection, QT_TR_NOOP("Copy (Selected Area)"), QT_TR_NOOP("Copy the selected area to the clipboard\nCopy (Selected Area)"), false},
      {cmd::kSaveHdf, QT_TR_NOOP("Save as HDF"), QT_TR_NOOP("Save the selected area as an HDF5 product\nSave as HDF"), false},
      {cmd::kBatch, QT_TR_NOOP("Batch Processing"), QT_TR_NOOP("Run a batch command file\nBatch Processing"), false},
      {cmd::kQuit, QT_TR_NOOP("Quit"), QT_TR_NOOP("Quit the application\nQuit"), false},
      {cmd::kToolBar, QT_TR_NOOP("Tool Bar"), QT_TR_NOOP("Show or hide the tool bar\nTool Bar"), true},
      {cmd::kStatusBar, QT_TR_NOOP("Status Bar"), QT_TR_NOOP("Show or hide the status bar\nStatus Bar"), true},
      {cmd::kAutoAdjust, QT_TR_NOOP("Automatic Adjustment"), QT_TR_NOOP("Fit the map to the window\nAutomatic Adjustment"), false},
      {cmd::kZoomIn, QT_TR_NOOP("Zoom In"), QT_TR_NOOP("Magnify the map twice\nZoom In"), false},
      {cmd::kZoomOut, QT_TR_NOOP("Zoom Out"), QT_TR_NOOP("Reduce the map to half\nZoom Out"), false},
      {cmd::kReset, QT_TR_NOOP("Reset Image Window"), QT_TR_NOOP("Show the whole map\nReset Image Window"), false},
      {cmd::kBack, QT_TR_NOOP("Back to Previous"), QT_TR_NOOP("Return to the previous screen\nBack to Previous"), false},
      {cmd::kProjEqr, QT_TR_NOOP("Equidistant Geographic"), QT_TR_NOOP("Equidistant geographic projection\nEquidistant Geographic"), true},
      {cmd::kProjOrtho, QT_TR_NOOP("Orthographic"), QT_TR_NOOP("Orthographic projection\nOrthographic"), true},
      {cmd::kProjNorth, QT_TR_NOOP("Northern Hemisphere"), QT_TR_NOOP("Polar stereographic projection of the northern hemisphere\nNorthern Hemisphere"), true},
      {cmd::kProjSouth, QT_TR_NOOP("Southern Hemisphere"), QT_TR_NOOP("Polar stereographic projection of the southern hemisphere\nSouthern Hemisphere"), true},
      {cmd::kProjBoth, QT_TR_NOOP("Both"), QT_TR_NOOP("Both polar stereographic hemispheres\nBoth Hemispheres"), true},
      {32851, QT_TR_NOOP("0°"), QT_TR_NOOP("Standard longitude 0°\nStandard longitude 0°"), true},
      {32852, QT_TR_NOOP("45°"), QT_TR_NOOP("Standard longitude 45°\nStandard longitude 45°"), true},
      {32853, QT_TR_NOOP("90°"), QT_TR_NOOP("Standard longitude 90°\nStandard longitude 90°"), true},
      {32854, QT_TR_NOOP("135°"), QT_TR_NOOP("Standard longitude 135°\nStandard longitude 135°"), true},
      {32855, QT_TR_NOOP("180°"), QT_TR_NOOP("Standard longitude 180°\nStandard longitude 180°"), true},
      {32856, QT_TR_NOOP("-135°"), QT_TR_NOOP("Standard longitude -135°\nStandard longitude -135°"), true},
      {32857, QT_TR_NOOP("-90°"), QT_TR_NOOP("Standard longitude -90°\nStandard longitude -90°"), true},
      {32858, QT_TR_NOOP("-45°"), QT_TR_NOOP("Standard longitude -45°\nStandard longitude -45°"), true},
      {cmd::kProjMercator, QT_TR_NOOP("Mercator Geographic"), QT_TR_NOOP("Mercator projection\nMercator Geographic"), true},
      {cmd::kMetaData, QT_TR_NOOP("Meta Data"), QT_TR_NOOP("List the metadata of the shown files\nMeta Data"), false},
      {cmd::kBarVertical, QT_TR_NOOP("Vertical"), QT_TR_NOOP("Show the color bar vertically at the right\nVertical Color Bar"), true},
      {cmd::kBarHorizontal, QT_TR_NOOP("Horizontal"), QT_TR_NOOP("Show the color bar horizontally\nHorizontal Color Bar"), true},
      {cmd::kModeZoom, QT_TR_NOOP("ZOOM Mode"), QT_TR_NOOP("Click or drag to zoom\nZOOM Mode"), true},
      {cmd::kModePan, QT_TR_NOOP("PAN Mode"), QT_TR_NOOP("Drag to move the map\nPAN Mode"), true},
      {cmd::kModeSelect, QT_TR_NOOP("SELECT Mode"), QT_TR_NOOP("Drag to select an area\nSELECT Mode"), true},
      {cmd::kSelectArea, QT_TR_NOOP("Select Area"), QT_TR_NOOP("Select an area by latitude and longitude\nSelect Area"), false},
      {cmd::kBatchHistory, QT_TR_NOOP("Batch Command History"), QT_TR_NOOP("Show or hide the batch command history\nBatch Command History"), true},
      {cmd::kEditColourTable, QT_TR_NOOP("Edit Color Bar Table"), QT_TR_NOOP("Edit the color table\nEdit Color Bar Table"), false},
      {cmd::kEditLookupTable, QT_TR_NOOP("Edit Look Up Table"), QT_TR_NOOP("Edit the look-up table\nEdit Look Up Table"), false},
      {cmd::kPrefUser, QT_TR_NOOP("User Setting"), QT_TR_NOOP("Edit the user settings\nUser Setting"), false},
      {cmd::kPrefImage, QT_TR_NOOP("Image Output Setting"), QT_TR_NOOP("Edit the image output settings\nImage Output Setting"), false},
      {cmd::kPrefMapLayer, QT_TR_NOOP("Map Layer Setting"), QT_TR_NOOP("Edit the map layer settings\nMap Layer Setting"), false},
      {cmd::kPrefMapFile, QT_TR_NOOP("Map File Setting"), QT_TR_NOOP("Edit the map file settings\nMap File Setting"), false},
      {cmd::kHelp, QT_TR_NOOP("Help"), QT_TR_NOOP("Open the manual\nHelp"), false},
      {cmd::kRelatedLink, QT_TR_NOOP("Related link"), QT_TR_NOOP("Open the page of related links\nRelated link"), false},
      {cmd::kVersion, QT_TR_NOOP("Version Information"), QT_TR_NOOP("Show the version of the program\nVersion Information"), false},
      {cmd::kMoveRight, QT_TR_NOOP("Move Right"), QT_TR_NOOP("Move (rotate) the image right\nMove Right"), false},
      {cmd::kMoveLeft, QT_TR_NOOP("Move Left"), QT_TR_NOOP("Move (rotate) the image left\nMove Left"), false},
      {cmd::kMoveUp, QT_TR_NOOP("Move Up"), QT_TR_NOOP("Move the image up\nMove Up"), false},
      {cmd::kMoveDown, QT_TR_NOOP("Move Down"), QT_TR_NOOP("Move the image down\nMove Down"), false},
      {cmd::kBackToolBar, QT_TR_NOOP("Back to Previous"), QT_TR_NOOP("Return to the previous display position\nBack to Previous"), false},
  };
  for (const Def& d : defs) {
    auto* a = new QAction(tr(d.label), this);
    const QStringList prompt = tr(d.prompt).split(QLatin1Char('\n'));
    a->setStatusTip(prompt.value(0));
    a->setToolTip(prompt.value(1, prompt.value(0)));
    a->setCheckable(d.checkable);
    a->setIcon(toolIcon(d.id));
    a->setIconVisibleInMenu(false);
    a->setData(d.id);
    const int id = d.id;
    connect(a, &QAction::triggered, this, [this, id] { runCommand(id); });
    actions_[d.id] = a;
  }
  actions_[cmd::kCopySelection]->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
}

void CMainFrame::createMenus() {
  QMenu* file = menuBar()->addMenu(tr("&File"));
  QMenu* open = file->addMenu(tr("Open"));
  for (int id : {cmd::kOpenAmsr2, cmd::kOpenAmsrE, cmd::kOpenAmsr2Output}) open->addAction(action(id));
  QMenu* animation = file->addMenu(tr("Animation"));
  for (int id : {cmd::kAnimationAmsr2, cmd::kAnimationAmsrE}) animation->addAction(action(id));
  file->addSeparator();
  for (int id : {cmd::kSaveImage, cmd::kSaveKml, cmd::kSaveBinary, cmd::kSaveGeoTiff}) file->addAction(action(id));
  QMenu* csv = file->addMenu(tr("Save as CSV"));
  for (int id : {cmd::kSaveCsv, cmd::kSaveCsvLatLon}) csv->addAction(action(id));
  QMenu* copy = file->addMenu(tr("Copy to Clipboard"));
  for (int id : {cmd::kCopyWindow, cmd::kCopySelection}) copy->addAction(action(id));
  file->addAction(action(cmd::kSaveHdf));
  file->addSeparator();
  file->addAction(action(cmd::kBatch));
  file->addSeparator();
  file->addAction(action(cmd::kQuit));

  QMenu* view = menuBar()->addMenu(tr("&View"));
  view->addAction(action(cmd::kToolBar));
  view->addAction(action(cmd::kStatusBar));
  view->addSeparator();
  QMenu* zoom = view->addMenu(tr("Zoom"));
  for (int id : {cmd::kAutoAdjust, cmd::kZoomIn, cmd::kZoomOut, cmd::kReset, cmd::kBack}) zoom->addAction(action(id));
  QMenu* projection = view->addMenu(tr("Map Projection"));
  projection->addAction(action(cmd::kProjEqr));
  projection->addAction(action(cmd::kProjOrtho));
  QMenu* polar = projection->addMenu(tr("Polar Stereo Geographic"));
  for (int id : {cmd::kProjNorth, cmd::kProjSouth, cmd::kProjBoth}) polar->addAction(action(id));
  QMenu* stdLon = polar->addMenu(tr("Standard longitude"));
  for (int id = cmd::kStdLon0; id <= cmd::kStdLonLast; ++id) stdLon->addAction(action(id));
  projection->addAction(action(cmd::kProjMercator));
  view->addAction(action(cmd::kMetaData));
  QMenu* bar = view->addMenu(tr("Color Bar Position"));
  for (int id : {cmd::kBarVertical, cmd::kBarHorizontal}) bar->addAction(action(id));
  view->addSeparator();
  for (int id : {cmd::kModeZoom, cmd::kModePan, cmd::kModeSelect, cmd::kSelectArea}) view->addAction(action(id));
  view->addSeparator();
  view->addAction(action(cmd::kBatchHistory));

  QMenu* option = menuBar()->addMenu(tr("&Option"));
  for (int id : {cmd::kEditColourTable, cmd::kEditLookupTable}) option->addAction(action(id));
  QMenu* prefs = option->addMenu(tr("Preferences"));
  for (int id : {cmd::kPrefUser, cmd::kPrefImage, cmd::kPrefMapLayer, cmd::kPrefMapFile}) prefs->addAction(action(id));

  QMenu* help = menuBar()->addMenu(tr("&Help"));
  for (int id : {cmd::kHelp, cmd::kRelatedLink}) help->addAction(action(id));
  help->addSeparator();
  help->addAction(action(cmd::kVersion));
}

void CMainFrame::createToolBar() {
  toolBar_ = addToolBar(tr("Tool Bar"));
  toolBar_->setObjectName(QStringLiteral("toolBar"));
  toolBar_->setIconSize(QSize(16, 16));
  const std::vector<std::vector<int>> groups = {
      {cmd::kOpenAmsr2, cmd::kOpenAmsrE, cmd::kOpenAmsr2Output, cmd::kAnimationAmsr2, cmd::kAnimationAmsrE, cmd::kBatch},
      {cmd::kSaveImage, cmd::kSaveKml, cmd::kSaveBinary, cmd::kSaveCsv, cmd::kSaveCsvLatLon, cmd::kSaveHdf},
      {cmd::kProjEqr, cmd::kProjMercator, cmd::kProjNorth, cmd::kProjSouth, cmd::kProjOrtho},
      {cmd::kBackToolBar, cmd::kMoveUp, cmd::kMoveDown, cmd::kMoveLeft, cmd::kMoveRight},
      {cmd::kZoomIn, cmd::kZoomOut},
      {cmd::kModeZoom, cmd::kModePan, cmd::kModeSelect, cmd::kSelectArea},
      {cmd::kReset, cmd::kAutoAdjust},
      {cmd::kBatchHistory}};
  for (std::size_t g = 0; g < groups.size(); ++g) {
    if (g > 0) toolBar_->addSeparator();
    for (int id : groups[g]) toolBar_->addAction(action(id));
  }
}

void CMainFrame::createStatusBar() {
  pane1_ = new QLabel(this);
  pane1_->setFixedWidth(kPane1Width);
  pane1_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  statusBar()->addPermanentWidget(pane1_);
  statusBar()->setVisible(true);
}

void CMainFrame::createBars() {
  // The batch command history: a text box with Save and Clear beside it, hidden at start.
  historyBar_ = new QDockWidget(tr("Batch Command History"), this);
  historyBar_->setObjectName(QStringLiteral("batchHistoryBar"));
  historyText_ = new ComCmdBatchBar(options_.programFolder + "Batch/", historyBar_);
  history_ = historyText_;
  historyBar_->setWidget(historyText_);
  addDockWidget(Qt::BottomDockWidgetArea, historyBar_);
  historyBar_->hide();
  connect(historyBar_, &QDockWidget::visibilityChanged, this, [this] { applySizeLimits(); });

  chooserBar_ = new QToolBar(tr("Color Table"), this);
  chooserBar_->setObjectName(QStringLiteral("colourTableBar"));
  chooser_ = new ComClrCmbBarWidget(chooserBar_);
  chooserBar_->addWidget(chooser_);
  addToolBarBreak(Qt::TopToolBarArea);
  addToolBar(Qt::TopToolBarArea, chooserBar_);
  connect(chooser_, &ComClrCmbBarWidget::previewRequested, this, [this] { postPreview(); });
  applySizeLimits();
}

void CMainFrame::loadCoastlines() {
  std::string first, second;
  settings_.ComGetStr(kIdMapFile, &first);
  settings_.ComGetStr(kIdMapFile2, &second);
  const int rc = world_.ComLoadMapFile(1, first);
  world_.ComLoadMapFile(2, second);  // a failure of the second slot is not reported
  if (rc != 0) ComOutMsgBox().ComDspMsg(1);
}

void CMainFrame::checkDisplayDepth() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen != nullptr && screen->depth() < 24) ComOutMsgBox().ComDspMsg(37);
}

void CMainFrame::runCommand(int id) {
  if (kMapViewCommands.count(id) != 0) {
    if (ComPrdctMpDsp* view = activeMapView(); view != nullptr && view->commandEnabled(id)) view->runCommand(id);
    updateCommandStates();
    return;
  }
  switch (id) {
    case cmd::kOpenAmsr2:
      ComOpnFlPanel(kFamilyAmsr2, false);
      break;
    case cmd::kOpenAmsrE:
      ComOpnFlPanel(kFamilyAmsrE, false);
      break;
    case cmd::kOpenAmsr2Output:
      ComOpnFlPanel(kFamilyAmsr2, true);
      break;
    case cmd::kAnimationAmsr2:
    case cmd::kAnimationAmsrE:
      ComOpnMovPanel(id == cmd::kAnimationAmsr2 ? kFamilyAmsr2 : kFamilyAmsrE);
      break;
    case cmd::kQuit:
      close();
      break;
    case cmd::kToolBar:
      toolBar_->setVisible(!toolBar_->isVisible());
      break;
    case cmd::kStatusBar:
      statusBar()->setVisible(!statusBar()->isVisible());
      break;
    case cmd::kBatchHistory:
      toggleBatchHistory();
      break;
    case cmd::kBatch:
      runBatchCommand();
      break;
    case cmd::kHelp:
      // The guide in the interface's language: the Japanese interface names the Japanese page.
      openPage(tr("Doc/KIVOMeriview_Manual_EN.html").toUtf8().constData(), 24);
      break;
    case cmd::kRelatedLink:
      openPage("Doc/KIVOMeriviewLink_JP.html", 25);
      break;
    case cmd::kVersion:
      showVersion();
      break;
    case cmd::kPrefUser:
    case cmd::kPrefImage:
    case cmd::kPrefMapLayer:
    case cmd::kPrefMapFile:
      // The active map view edits its own settings; otherwise the main window's are edited.
      if (ComPrdctMpDsp* view = activeMapView()) {
        view->runCommand(id);
      } else {
        ComOpenPropConf(*this, this, settings_, preferencesPage(id));
      }
      break;
    default:
      break;
  }
  updateCommandStates();
}

void CMainFrame::updateCommandStates() {
  ComPrdctMpDsp* view = activeMapView();
  for (auto& [id, a] : actions_) {
    if (kMapViewCommands.count(id) != 0) {
      a->setEnabled(view != nullptr && view->commandEnabled(id));
      if (a->isCheckable()) a->setChecked(view != nullptr && view->commandChecked(id));
    } else if (kNotYetOffered.count(id) != 0) {
      a->setEnabled(false);
    }
  }
  action(cmd::kToolBar)->setChecked(toolBar_->isVisible());
  action(cmd::kStatusBar)->setChecked(statusBar()->isVisible());
  action(cmd::kBatchHistory)->setChecked(historyBar_->isVisible());
}

void CMainFrame::toggleBatchHistory() {
  historyBar_->setVisible(!historyBar_->isVisible());
  applySizeLimits();
  update();
}

void CMainFrame::closeChildWindows() {
  // Always the active child first, as the user would close them.
  for (int guard = 0; guard < 1000; ++guard) {
    const QList<QMdiSubWindow*> children = mdi_->subWindowList();
    if (children.isEmpty()) break;
    QMdiSubWindow* active = mdi_->activeSubWindow();
    QMdiSubWindow* child = active != nullptr ? active : children.front();
    if (!child->close()) break;
    // Deleted now, so that the views count no more and their files are released.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}

int CMainFrame::ComRunBtch(const std::string& path,
                           const std::function<void(long, long, const std::string&, int)>& report) {
  if (batchRunning_) return kRunUnreadable;
  batchRunning_ = true;
  ComBatchRunner runner(*this);
  const int result = runner.ComRunBtch(path, [&report](const BtchLineReport& line) {
    if (report) report(line.number, line.total, line.line, line.result);
  });
  batchRunning_ = false;
  return result;
}

int CMainFrame::ComBtchMakeMovie(const BtchMovRec& request) {
  // The panel's list without its window; the view it opens holds the files it shows.
  MovieFileList list(*this, familyOfProductWord(request.productWord));
  ComPrdctMpDsp* view = nullptr;
  const int result = list.ComBtchMake(request, &view);
  if (result != 0) return result;
  // The movie is made now, so that the next line finds it complete.
  const QPointer<ComPrdctMpDsp> alive(view);
  const int movie = view != nullptr ? view->runAnimation() : 16;
  batchEvent_.signal();
  return alive != nullptr && movie == 0 ? 0 : movie != 0 ? movie : 16;
}

void CMainFrame::runBatchCommand() {
  std::string folder;
  settings_.ComGetStr(kIdOutputDir, &folder);
  if (folder.empty() || folder.front() != '/') folder = options_.programFolder + folder;
  QString path;
  if (chooseCommandFile_) {
    path = chooseCommandFile_(this, QString::fromStdString(folder));
  } else {
    QFileDialog dialog(this, QString(), QString::fromStdString(folder));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(QStringLiteral("out (*.out)"));
    dialog.setDefaultSuffix(QStringLiteral("out"));
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) path = dialog.selectedFiles().front();
  }
  if (path.isEmpty()) return;
  closeChildWindows();
  ComRunBtch(path.toStdString());
  historyBar_->show();
  applySizeLimits();
}

void CMainFrame::applySizeLimits() {
  setMinimumSize(kMinWidth, historyBar_ != nullptr && historyBar_->isVisible() ? kMinHeightWithHistory : kMinHeight);
}

void CMainFrame::openPage(const char* fileName, unsigned messageIfMissing) {
  const QString path = QString::fromStdString(options_.programFolder) + QString::fromUtf8(fileName);
  if (!QFileInfo(path).isFile() || !QDesktopServices::openUrl(QUrl::fromLocalFile(path))) {
    ComOutMsgBox().ComDspMsg(messageIfMissing);
  }
}

void CMainFrame::showVersion() {
  QDialog dialog(this);
  dialog.setWindowTitle(tr("Version Information"));
  auto* layout = new QGridLayout(&dialog);
  auto* icon = new QLabel(&dialog);
  icon->setPixmap(QPixmap::fromImage(applicationIconImage(48)));
  layout->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
  layout->addWidget(new QLabel(QStringLiteral("KIVO-S1 Meriview Ver.5.0"), &dialog), 0, 1);
  layout->addWidget(new QLabel(tr("A viewer and converter of passive-microwave radiometer products."), &dialog), 1, 1);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
  connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  layout->addWidget(buttons, 2, 0, 1, 2);
  dialog.exec();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  // Every child window closes first (views stop their workers and release their files), then
  // the coastline slots are freed.
  mdi_->closeAllSubWindows();
  if (!mdi_->subWindowList().isEmpty()) {
    event->ignore();
    return;
  }
  world_.ComFreeMapFile(1);
  world_.ComFreeMapFile(2);
  event->accept();
}

}  // namespace kivo::app
