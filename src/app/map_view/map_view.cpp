#include "app/map_view/map_view.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QVariant>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

#include "app/commands.h"
#include "app/main_frame.h"
#include "app/map_view/select_area_dialog.h"
#include "app/settings_dialogs/settings_sheet.h"
#include "app/metadata/metadata_dialog.h"
#include "app/messages.h"
#include "app/table_chooser_bar.h"
#include "app/table_editors/table_editor.h"
#include "app/view_settings.h"
#include "product_model/catalogue.h"

namespace kivo::app {
namespace {

constexpr int kGridPollMs = 250;
constexpr double kGridModeMagnification = 8.0;
constexpr colour::Colour kRubberBand = 0x00FF00FF;  // magenta
// The chooser bar's property naming the view whose table it shows.
constexpr const char* kChooserOwner = "kivoTableOwner";

int projectionOfCommand(int id) {
  switch (id) {
    case cmd::kProjEqr: return map::kProjEqr;
    case cmd::kProjNorth: return map::kProjPolarNorth;
    case cmd::kProjSouth: return map::kProjPolarSouth;
    case cmd::kProjBoth: return map::kProjPolarBoth;
    case cmd::kProjOrtho: return map::kProjOrtho;
    case cmd::kProjMercator: return map::kProjMercator;
    default: return -1;
  }
}

int mouseModeOfCommand(int id) {
  switch (id) {
    case cmd::kModeZoom: return map::kMouseZoom;
    case cmd::kModeSelect: return map::kMouseSelect;
    case cmd::kModePan: return map::kMousePan;
    default: return -1;
  }
}

bool isStandardLongitude(int id) { return id >= cmd::kStdLon0 && id <= cmd::kStdLonLast; }

}  // namespace

ComPrdctMpDsp::ComPrdctMpDsp(CMainFrame& frame, QWidget* parent)
    : QWidget(parent), frame_(frame), settings_(frame.settings()), display_(&frame.productEvents()) {
  frame_.mapViewCreated();
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  // Grid mode and the value read-out wait for the display grid; once it is copied the
  // magnified picture is drawn from it.
  gridPoll_.setInterval(kGridPollMs);
  connect(&gridPoll_, &QTimer::timeout, this, [this] {
    if (!display_.gridCopied()) return;
    gridPoll_.stop();
    if (state_.magnification() >= kGridModeMagnification) invalidate();
  });
  connect(&frame_, &CMainFrame::preview, this, [this] {
    if (frame_.activeMapView() == this) refresh();
  });
}

ComPrdctMpDsp::~ComPrdctMpDsp() {
  gridPoll_.stop();
  // The chooser bar lets go of this view's table, unless another window has taken the bar
  // since (a file open panel detaches the table itself).
  ComClrCmbBarWidget& chooser = frame_.tableChooser();
  if (chooser.property(kChooserOwner).value<quintptr>() == reinterpret_cast<quintptr>(this)) {
    chooser.setOnReverse({});
    const QMdiSubWindow* active = frame_.mdiArea() != nullptr ? frame_.mdiArea()->activeSubWindow() : nullptr;
    if (active == nullptr || active->widget() == nullptr || active->widget() == this) {
      chooser.ComSetCnfInfo(settings_, family_);
    }
    chooser.setProperty(kChooserOwner, QVariant());
  }
  screen_.reset();
  display_.stopGridCopy();
  releaseSlots();
  frame_.mapViewDestroyed();
}

// --- the product ---------------------------------------------------------------------------

int ComPrdctMpDsp::ComSetViewPrdct(const ViewProduct& product) {
  const std::array<model::ComPrdctMngmnt*, 3> objects = frame_.productObjects();
  const int needed = product.composite ? 3 : 1;
  map::ChannelSlots slots;
  map::ChannelChoice channels;
  channels.composite = product.composite;
  std::array<const model::ComPrdctMngmnt*, 3> shown{};
  for (int c = 0; c < needed; ++c) {
    const auto i = static_cast<std::size_t>(c);
    slots[i] = product.slots[i];
    channels.chnl[c] = product.channels[i];
    shown[i] = objects[i];
  }
  if (display_.ComSetDspPrdct(slots, channels, &table_, shown) != 0) return 1;

  // The view is a user of its files and keeps its channels from being reset while it shows
  // them; what it showed before is let go of afterwards, so a shared slot stays.
  std::vector<HeldSlot> held;
  for (int c = 0; c < needed; ++c) {
    model::ComPrdctMngmnt* object = objects[static_cast<std::size_t>(c)];
    for (int slot : slots[static_cast<std::size_t>(c)]) {
      if (object->ComAddRef(slot) != 0) continue;
      const bool locked = object->ComLockGrid(slot, channels.chnl[c]) == 0;
      held.push_back(HeldSlot{object, slot, channels.chnl[c], locked});
    }
  }
  releaseSlots();
  held_ = std::move(held);
  objects_ = objects;
  product_ = product;
  hasProduct_ = true;
  readTexts();
  state_.setProduct(product.mapMode, product.fixedProjection, product.hdfOutput && !display_.isLevel3());
  oneFile_ = -1;
  bandShown_ = false;
  activated();
  if (product.tableChoice != 0) frame_.tableChooser().ComSelTbl(product.tableChoice);
  display_.ComStartGridCopy();
  gridPoll_.start();
  recorded_ = state_.mapChange(width(), height());
  updateCursor();
  invalidate();
  return 0;
}

void ComPrdctMpDsp::releaseSlots() {
  for (const HeldSlot& h : held_) {
    if (h.locked) h.object->ComUnlockGrid(h.slot, h.chnl);
    h.object->ComClosePrdct(h.slot, false);
  }
  held_.clear();
}

void ComPrdctMpDsp::readTexts() {
  const model::ComPrdctMngmnt& first = *objects_[0];
  const int slot = product_.slots[0].front();
  texts_ = map::ProductTexts{};
  std::string& name = texts_.displayName;
  first.ComGetPrdctName(slot, name);
  std::string title, titleWithUnit, date, time;
  first.ComGetTitle(slot, product_.channels[0], title, false);
  first.ComGetTitle(slot, product_.channels[0], titleWithUnit, true);
  texts_.title = map::shortChannelName(title);
  first.ComGetObsDateTime(slot, date, time);
  texts_.startDate = date;
  texts_.startTime = map::withoutFraction(time);
  date.clear();
  time.clear();
  first.ComGetObsEndDateTime(product_.slots[0].back(), date, time);
  texts_.endDate = date;
  texts_.endTime = map::withoutFraction(time);
  texts_.composite = product_.composite;
  const bool level3 = catalogue::isLevel3(name);
  texts_.level = level3 ? 3 : name.find("Level 2") != std::string::npos ? 2 : 1;
  for (std::size_t c = 0; c < 3 && product_.composite; ++c) {
    if (level3) {
      std::string granule;
      objects_[c]->ComGetGranuleID(product_.slots[c].front(), granule);
      texts_.labels[c] = map::level3Label(granule, catalogue::isAmsr2Level3(name));
    } else {
      texts_.labels[c] = map::shortChannelName(catalogue::channelName(product_.channels[c]));
    }
  }
  caption_ = name + " " + map::shortChannelName(titleWithUnit);
  family_ = colour::familyFolderOf(name) == "AMSR2" ? colour::kFamilyAmsr2 : colour::kFamilyAmsrE;
}

void ComPrdctMpDsp::activated() {
  ComClrCmbBarWidget& chooser = frame_.tableChooser();
  chooser.setProperty(kChooserOwner, QVariant::fromValue(reinterpret_cast<quintptr>(this)));
  if (!hasProduct_) {
    chooser.setOnReverse({});
    chooser.ComSetCnfInfo(settings_, family_);  // no table of another window stays attached
    return;
  }
  // A colour table file may turn the colour bar round; that is this view's setting.
  chooser.setOnReverse([this](bool reversed) { settings_.ComSetFlg(kIdExpIndiRevFlg, reversed); });
  chooser.ComSetCnfInfo(settings_, family_);
  // Attached before the list is filled, so that the entry of the view's table is selected.
  chooser.ComSetTblMng(&table_, &display_.statistics());
  chooser.ComFillTblList(product_.composite ? colour::kKindLookupTable : colour::kKindColourTable);
}

// --- painting ------------------------------------------------------------------------------

map::ViewPaintSettings ComPrdctMpDsp::paintSettings() const { return viewPaintSettings(settings_); }

map::ViewPaintRequest ComPrdctMpDsp::paintRequest() {
  map::ViewPaintRequest r;
  r.view = state_.params();
  r.world = &frame_.worldMap();
  if (hasProduct_) {
    r.product = &display_;
    r.table = &table_;
  }
  r.composite = product_.composite;
  r.oneFile = oneFile_;
  const map::ColourBarLayout& bar = state_.colourBar();
  r.colourBar = map::ColourBarPlacement{bar.vertical, bar.x, bar.y, caption_};
  const map::SelectedArea& selection = state_.selection();
  if (state_.mouseMode() == map::kMouseSelect && selection.valid) {
    outline_ = map::SelectionOutline{selection.upperLeft, selection.lowerRight};
    r.selection = &outline_;
  }
  return r;
}

void ComPrdctMpDsp::render() {
  const int w = width();
  const int h = height();
  if (w <= 0 || h <= 0) {
    frame_.batchEvent().signal();  // nothing to draw, but the batch runner must not wait for it
    return;
  }
  if (!surface_ || surface_->width() != w || surface_->height() != h) surface_ = std::make_unique<draw::Surface>(w, h);
  if (!state_.colourBar().placed) state_.placeColourBar(h);
  const int message = map::paintView(*surface_, paintRequest(), paintSettings());
  // Shown after the paint, never from inside it.
  if (message != 0) QMetaObject::invokeMethod(this, [this, message] { showMessage(message); }, Qt::QueuedConnection);
  dirty_ = false;
  // The positions under the pixels follow the new picture; until they are complete the mouse
  // read-out says "---".
  screen_.reset();
  screen_ = std::make_unique<map::ScreenPositionTable>();
  screen_->start(map::paintedView(state_.params()), w, h, w, h, state_.hdfOutput());
  // The animation runs after this paint, outside it, so that repaints can go on meanwhile.
  if (!animationPath_.empty() && !animationScheduled_) {
    animationScheduled_ = true;
    QTimer::singleShot(0, this, [this] { runAnimation(); });
  }
  frame_.batchEvent().signal();
}

void ComPrdctMpDsp::paintEvent(QPaintEvent*) {
  if (dirty_ || !surface_ || surface_->width() != width() || surface_->height() != height()) render();
  QPainter painter(this);
  if (!surface_) {
    painter.fillRect(rect(), Qt::black);
    return;
  }
  painter.drawImage(0, 0, surface_->image());
  if (bandShown_) {
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setPen(draw::toQColor(kRubberBand));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRect(QPoint(press_.x, press_.y), QPoint(current_.x, current_.y)).normalized());
  }
}

const QImage& ComPrdctMpDsp::picture() {
  if (dirty_ || !surface_ || surface_->width() != width() || surface_->height() != height()) render();
  static const QImage kNone;
  return surface_ ? surface_->image() : kNone;
}

void ComPrdctMpDsp::invalidate() {
  dirty_ = true;
  update();
}

void ComPrdctMpDsp::refresh() { invalidate(); }

void ComPrdctMpDsp::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  invalidate();
}

void ComPrdctMpDsp::changed() {
  const map::MapChange now = state_.mapChange(width(), height());
  if (now.projectionName != recorded_.projectionName || now.cx != recorded_.cx || now.cy != recorded_.cy ||
      now.magnification != recorded_.magnification) {
    recorded_ = now;
    BtchMapRec record;
    record.magnification = now.magnification;
    record.centreLon = now.cx;
    record.centreLat = now.cy;
    record.windowSizeGiven = true;
    record.width = now.width;
    record.height = now.height;
    record.projectionName = now.projectionName;
    frame_.batchHistory().addMapChange(record);
  }
  invalidate();
}

void ComPrdctMpDsp::showMessage(int code) const {
  if (code != 0) ComOutMsgBox().ComDspMsg(static_cast<MsgCode>(code));
}

bool ComPrdctMpDsp::screenTableReady() { return screen_ != nullptr && screen_->ready(); }

void ComPrdctMpDsp::waitForScreenTable() {
  if (screen_) screen_->wait();
}

void ComPrdctMpDsp::setMetadataFile(int file) {
  oneFile_ = file;
  invalidate();
}

// --- commands ------------------------------------------------------------------------------

bool ComPrdctMpDsp::commandEnabled(int id) const {
  // The map itself can be looked at without a product; what saves the product needs one.
  switch (id) {
    case cmd::kZoomIn:
    case cmd::kZoomOut:
    case cmd::kReset:
    case cmd::kAutoAdjust:
    case cmd::kMoveRight:
    case cmd::kMoveLeft:
    case cmd::kMoveUp:
    case cmd::kMoveDown:
    case cmd::kSelectArea:
    case cmd::kBarVertical:
    case cmd::kBarHorizontal:
    case cmd::kCopyWindow:
    case cmd::kCopySelection:
    case cmd::kPrefUser:
    case cmd::kPrefImage:
    case cmd::kPrefMapLayer:
    case cmd::kPrefMapFile:
      return true;
    case cmd::kBack:
    case cmd::kBackToolBar:
      return state_.backAvailable();
    case cmd::kProjEqr:
    case cmd::kProjNorth:
    case cmd::kProjSouth:
    case cmd::kProjBoth:
    case cmd::kProjOrtho:
    case cmd::kProjMercator:
      return state_.projectionEnabled(projectionOfCommand(id));
    case cmd::kModeZoom:
    case cmd::kModeSelect:
    case cmd::kModePan:
      return state_.mouseModeEnabled(mouseModeOfCommand(id));
    case cmd::kSaveImage:
    case cmd::kSaveKml:
    case cmd::kSaveBinary:
    case cmd::kSaveGeoTiff:
    case cmd::kSaveCsv:
    case cmd::kSaveCsvLatLon:
      return hasProduct_ && !state_.hdfOutput();
    case cmd::kSaveHdf:
      return hasProduct_ && state_.hdfOutput() && state_.selection().valid;
    case cmd::kMetaData:
      return hasProduct_;
    case cmd::kEditColourTable:
      return hasProduct_ && !product_.composite;
    case cmd::kEditLookupTable:
      return hasProduct_ && product_.composite;
    default:
      return isStandardLongitude(id) && state_.standardLongitudeEnabled();
  }
}

bool ComPrdctMpDsp::commandChecked(int id) const {
  if (const int projection = projectionOfCommand(id); projection >= 0) return state_.projection() == projection;
  if (const int mode = mouseModeOfCommand(id); mode >= 0) return state_.mouseMode() == mode;
  if (isStandardLongitude(id)) {
    return state_.standardLongitudeEnabled() && state_.params().stdLon == cmd::kStdLonDegrees[id - cmd::kStdLon0];
  }
  if (id == cmd::kBarVertical) return state_.colourBar().vertical;
  if (id == cmd::kBarHorizontal) return !state_.colourBar().vertical;
  return false;
}

void ComPrdctMpDsp::runCommand(int id) {
  if (!commandEnabled(id)) return;
  int message = 0;
  switch (id) {
    case cmd::kZoomIn:
    case cmd::kZoomOut:
      state_.ComPushHistory();
      message = state_.ComZoom(id == cmd::kZoomIn ? map::kZoomIn : map::kZoomOut);
      break;
    case cmd::kReset:
      state_.reset();
      break;
    case cmd::kAutoAdjust:
      message = state_.automaticAdjustment(width(), height());
      break;
    case cmd::kBack:
    case cmd::kBackToolBar:
      state_.back();
      break;
    case cmd::kMoveRight: state_.move(map::kMoveRight); break;
    case cmd::kMoveLeft: state_.move(map::kMoveLeft); break;
    case cmd::kMoveUp: state_.move(map::kMoveUp); break;
    case cmd::kMoveDown: state_.move(map::kMoveDown); break;
    case cmd::kProjEqr:
    case cmd::kProjNorth:
    case cmd::kProjSouth:
    case cmd::kProjBoth:
    case cmd::kProjOrtho:
    case cmd::kProjMercator:
      state_.setProjection(projectionOfCommand(id));
      break;
    case cmd::kModeZoom:
    case cmd::kModeSelect:
    case cmd::kModePan:
      state_.setMouseMode(mouseModeOfCommand(id));
      updateCursor();
      break;
    case cmd::kSelectArea:
      ComSelectArea();
      return;
    case cmd::kBarVertical:
    case cmd::kBarHorizontal:
      state_.setColourBarVertical(id == cmd::kBarVertical);
      invalidate();
      return;
    case cmd::kCopyWindow:
      // The client area as it shows.
      out::ComCpyClpBrd(picture(), 0, nullptr, nullptr);
      return;
    case cmd::kCopySelection:
      copySelectedArea();
      return;
    case cmd::kSaveImage:
      ComSaveImage();
      return;
    case cmd::kSaveKml:
      ComSaveKml();
      return;
    case cmd::kSaveCsv:
    case cmd::kSaveCsvLatLon:
      ComSaveCsv(id == cmd::kSaveCsvLatLon);
      return;
    case cmd::kSaveBinary:
      ComSaveBinary();
      return;
    case cmd::kSaveGeoTiff:
      ComSaveGeoTiff();
      return;
    case cmd::kSaveHdf:
      ComSaveHdf();
      return;
    case cmd::kPrefUser:
    case cmd::kPrefImage:
    case cmd::kPrefMapLayer:
    case cmd::kPrefMapFile:
      // The sheet edits this view's own settings; the view draws again whatever the answer.
      ComOpenPropConf(frame_, this, settings_, preferencesPage(id));
      refresh();
      return;
    case cmd::kEditColourTable:
    case cmd::kEditLookupTable: {
      // The editor changes the table live and asks for redraws; OK may set a new caption.
      TableEditorContext context{&table_, &settings_, &display_.statistics(), family_, caption_,
                                 [this] { frame_.postPreview(); }};
      dialogOpen_ = true;
      if (ComEditTable(id == cmd::kEditLookupTable, context, this) == QDialog::Accepted) caption_ = context.caption;
      dialogOpen_ = false;
      invalidate();
      return;
    }
    case cmd::kMetaData:
      openMetadataList(*this);
      return;
    default:
      if (!isStandardLongitude(id)) return;  // the outputs come with their own parts
      state_.setStandardLongitude(cmd::kStdLonDegrees[id - cmd::kStdLon0]);
      break;
  }
  bandShown_ = false;
  changed();
  showMessage(message);
}

void ComPrdctMpDsp::ComSelectArea() {
  dialogOpen_ = true;
  kivo::app::ComSelectArea dialog(
      state_.selection(), [this](const map::AreaFields& fields) { return map::checkSelectArea(fields, state_); }, this);
  const int result = dialog.exec();
  dialogOpen_ = false;
  if (result == QDialog::Accepted) setSelection(dialog.area());
}

void ComPrdctMpDsp::setSelection(const map::SelectedArea& area) {
  state_.setSelection(area);
  bandShown_ = false;
  invalidate();
}

int ComPrdctMpDsp::ComBtchChangeMap(const BtchMapRec& request) {
  const int projection = map::projectionByName(request.projectionName);
  if (projection < 0) return 2;
  state_.applyMapChange(projection, request.centreLon, request.centreLat, request.magnification);
  if (request.windowSizeGiven && request.width > 0 && request.height > 0) {
    // The child window grows or shrinks around a drawing area of the requested size.
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) {
      sub->resize(sub->width() - width() + request.width, sub->height() - height() + request.height);
    }
    resize(request.width, request.height);
  }
  bandShown_ = false;
  changed();
  // Drawn now, also off screen: the batch runner goes on when this paint signals it.
  render();
  return 0;
}

// --- clipboard -----------------------------------------------------------------------------

void ComPrdctMpDsp::copySelectedArea() {
  if (!state_.selection().valid) {
    showMessage(map::kMsgBadSelection);
    return;
  }
  const QImage image = selectedAreaImage();
  if (image.isNull()) return;
  const QPoint corner1(0, 0);
  const QPoint corner2(image.width(), image.height());
  out::ComCpyClpBrd(image, 1, &corner1, &corner2);
}

// The map drawn at the view's scale centred on the selection, cut to the selection's rectangle.
QImage ComPrdctMpDsp::selectedAreaImage() { return out::selectedAreaPicture(pictureRequest(&state_.selection())); }

// --- mouse ---------------------------------------------------------------------------------

bool ComPrdctMpDsp::colourBarShown() const {
  bool shown = false;
  settings_.ComGetFlg(kIdExpIndiFlg, &shown);
  return hasProduct_ && !product_.composite && shown;
}

void ComPrdctMpDsp::updateCursor() {
  if (state_.mouseMode() == map::kMousePan) {
    setCursor(drag_ == Drag::kPan ? Qt::ClosedHandCursor : Qt::OpenHandCursor);
  } else {
    unsetCursor();
  }
}

map::DevicePoint ComPrdctMpDsp::devicePoint(const QPointF& position, bool clamp) const {
  int x = static_cast<int>(std::floor(position.x()));
  int y = static_cast<int>(std::floor(position.y()));
  // From press to release the pointer counts as inside the client area.
  if (clamp) {
    x = std::clamp(x, 0, std::max(0, width() - 1));
    y = std::clamp(y, 0, std::max(0, height() - 1));
  }
  return map::DevicePoint{x, y};
}

void ComPrdctMpDsp::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || dialogOpen_) return;
  const map::DevicePoint p = devicePoint(event->position(), true);
  if (state_.mouseMode() == map::kMousePan) {
    state_.panPress(p);
    drag_ = Drag::kPan;
    updateCursor();
    return;
  }
  if (bandShown_) {
    bandShown_ = false;
    update();
  }
  press_ = p;
  current_ = p;
  drag_ = colourBarShown() && state_.colourBarHit(p, width(), height()) ? Drag::kColourBar : Drag::kBand;
}

void ComPrdctMpDsp::mouseMoveEvent(QMouseEvent* event) {
  if (dialogOpen_) return;
  const map::DevicePoint p = devicePoint(event->position(), drag_ != Drag::kNone);
  switch (drag_) {
    case Drag::kPan:
      state_.panMove(p);
      invalidate();
      break;
    case Drag::kBand:
      current_ = p;
      bandShown_ = true;
      update();
      break;
    case Drag::kColourBar:
      current_ = p;
      break;
    case Drag::kNone:
      break;
  }
  showPosition(p);
}

void ComPrdctMpDsp::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || drag_ == Drag::kNone) return;
  const Drag drag = drag_;
  drag_ = Drag::kNone;
  const map::DevicePoint p = devicePoint(event->position(), true);
  const int w = width();
  const int h = height();
  int message = 0;
  switch (drag) {
    case Drag::kPan:
      state_.panRelease();
      updateCursor();
      break;
    case Drag::kColourBar:
      if (state_.colourBarDrag(press_, p)) invalidate();
      return;
    case Drag::kBand: {
      // Polar selections need every corner: they wait for positions still being gathered.
      const bool wait = state_.mouseMode() == map::kMouseSelect && map::projectionInfo(state_.projection()).polar;
      state_.selectFromScreen(press_, p, w, h, [this, wait](int x, int y, map::GeoPoint& position) {
        if (!screen_) return false;
        if (wait && !screen_->ready()) screen_->wait();
        return screen_->lookup(x, y, position);
      });
      const map::BandOutcome outcome = state_.rubberBandRelease(press_, p, w, h);
      current_ = p;
      // A selection is drawn by the painter; a rectangle that selects nothing stays as drawn.
      bandShown_ = outcome.kind == map::BandOutcome::kSelectShown && !state_.selection().valid;
      message = outcome.message;
      break;
    }
    case Drag::kNone:
      return;
  }
  changed();
  showMessage(message);
}

void ComPrdctMpDsp::wheelEvent(QWheelEvent* event) {
  const int delta = event->angleDelta().y();
  if (dialogOpen_ || delta == 0) return;
  event->accept();
  state_.ComPushHistory();
  const int message = state_.ComZoom(map::kZoomBy, delta < 0 ? 0.5 : 2.0);
  changed();
  showMessage(message);
}

void ComPrdctMpDsp::showPosition(map::DevicePoint p) {
  if (!hasProduct_) return;
  const map::GeoPoint offset = map::ViewState::offsetOf(p, width(), height());
  map::GeoPoint position{};
  const bool known = screen_ != nullptr && screen_->lookup(offset.x, offset.y, position);
  statusText_ = QString::fromStdString(map::statusLine(texts_, known ? &position : nullptr));
  frame_.setPromptText(statusText_);
  // The value pane shows the gap-filling progress until the display grid is complete.
  if (!display_.gridCopied()) return;
  valueText_ = QString::fromStdString(map::valueText(product_.composite, known ? &position : nullptr,
                                                     [this](int c, int column, int row) {
                                                       return display_.ComGetGridValue(c, column, row);
                                                     }));
  frame_.postValueData(valueText_);
}

}  // namespace kivo::app
