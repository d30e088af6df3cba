#pragma once

// The map view: one product on a map, with its view state, history, selection and colour bar;
// it answers the map commands, the mouse and the wheel, shows the position and value under the
// cursor, and paints through the map library's view painter.

#include <QImage>
#include <QTimer>
#include <QWidget>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "app/batch/batch_records.h"
#include "app/settings/settings_store.h"
#include "colour/colour_table.h"
#include "draw/surface.h"
#include "export/image_export.h"
#include "map/display_manager.h"
#include "map/screen_position_table.h"
#include "map/view_painter.h"
#include "map/view_state.h"

namespace kivo::app {

class CMainFrame;

class ComPrdctMpDsp : public QWidget {
  Q_OBJECT
 public:
  explicit ComPrdctMpDsp(CMainFrame& frame, QWidget* parent = nullptr);
  ~ComPrdctMpDsp() override;

  // What a file open panel puts on the view.
  struct ViewProduct {
    std::array<std::vector<int>, 3> slots;  // per product object (red/single, green, blue), display order
    bool composite = false;
    std::array<int, 3> channels{0, 0, 0};   // channel index per product object
    int mapMode = 0;                         // projection code 0..5
    bool fixedProjection = false;            // the product carries its projection (Level 3)
    bool level3Bt = false;                   // AMSR2 Level 3 brightness temperature
    int tableChoice = 0;                     // entry of the chooser list; 0 is "[Automatic]"
    bool hdfOutput = false;                  // HDF output mode
    BtchOpnRec openRecord;                   // the panel's open record (HDF output mode)
  };
  // Puts a product on the view: 0, or 1 when it cannot be shown. The view becomes a user of
  // every slot it shows (and keeps their channels loaded) until it is destroyed.
  int ComSetViewPrdct(const ViewProduct& product);

  // Command routing from the main window.
  bool commandEnabled(int id) const;
  bool commandChecked(int id) const;
  void runCommand(int id);
  // The view's child window became active: the chooser bar shows this view's tables.
  void activated();

  // --- for the other parts of the program ------------------------------------------------
  const map::ViewState& viewState() const { return state_; }
  bool hasProduct() const { return hasProduct_; }
  const ViewProduct& product() const { return product_; }
  ComPrpCnfInfo& settings() { return settings_; }  // the view's own copy
  model::ComPrdctMngmnt* productObject() const { return objects_[0]; }  // the first one the view shows
  colour::ComClrTblMng& colourTable() { return table_; }
  map::ComPrdctDspMngmnt& displayManager() { return display_; }
  const BtchOpnRec& openRecord() const { return product_.openRecord; }
  // What the view paints with: outputs paint the same picture through map::paintView.
  map::ViewPaintRequest paintRequest();
  map::ViewPaintSettings paintSettings() const;

  // The picture of the client area as the last paint drew it (drawn now when the view
  // changed since), without the rubber band.
  const QImage& picture();
  // True while the view changed since its picture was drawn.
  bool pictureOutdated() const { return dirty_; }
  // Draws again with a changed table or settings ("KIVO_PREVIEW").
  void refresh();

  // While the metadata list is open only its selected file is drawn; -1 draws every file.
  void setMetadataFile(int file);
  int metadataFile() const { return oneFile_; }

  // The selection as the "Select Area" dialog or a batch request gives it.
  void setSelection(const map::SelectedArea& area);
  // The "Select Area" dialog.
  void ComSelectArea();

  // The outputs of the view (menu commands): each asks for a file, fills one request and hands
  // it to its writer; a failure shows its message.
  void ComSaveImage();              // Save as Image
  void ComSaveKml();                // Save as KML(KMZ)
  void ComSaveCsv(bool withLatLon); // Save as CSV, values only or with latitude and longitude
  void ComSaveBinary();             // Save as Binary
  void ComSaveGeoTiff();            // Save as GeoTIFF
  void ComSaveHdf();                // Save as HDF (HDF output mode)
  // The batch runner's entry points, given the request record: 0, or a non-zero result.
  int ComBtchOutImg(const BtchImgRec& request);
  int ComBtchOutCsv(const BtchCsvRec& request);
  int ComBtchOutBin(const BtchBinRec& request);
  int ComBtchOutHdf(const BtchHdfRec& request);

  // An animation: the view's first paint runs, once, the writer that the extension of `path`
  // names (".avi", ".kml", ".kmz") over the files the view shows.
  void ComSetAnimation(const std::string& path);
  // Runs the pending animation now: 0 (also when none is pending), or 16 when the movie could
  // not be delivered (the message is shown). Progress goes to the status bar, and pending
  // repaints are let through between frames.
  int runAnimation();
  bool animationPending() const { return !animationPath_.empty(); }

  // A batch CHANGEMAP: projection, centre, magnification and, when given, the size of the
  // drawing area; drawn at once (the batch event is signalled). 2 for an unknown projection.
  int ComBtchChangeMap(const BtchMapRec& request);

  // The texts of the last mouse move: status pane 0 and the value under the cursor.
  const QString& statusText() const { return statusText_; }
  const QString& valueText() const { return valueText_; }
  // Whether the positions under the pixels are known (they are rebuilt after every paint),
  // and waiting for them (tests and batch work; the mouse never waits).
  bool screenTableReady();
  void waitForScreenTable();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  enum class Drag { kNone, kBand, kColourBar, kPan };
  // A slot the view uses, with the channel whose grid it keeps from being reset.
  struct HeldSlot {
    model::ComPrdctMngmnt* object;
    int slot;
    int chnl;
    bool locked;
  };

  void render();
  void invalidate();
  // After a change of the view: a CHANGEMAP record when projection, magnification or centre
  // changed, and a new picture.
  void changed();
  void showMessage(int code) const;
  void releaseSlots();
  void readTexts();
  bool colourBarShown() const;
  void updateCursor();
  map::DevicePoint devicePoint(const QPointF& position, bool clamp) const;
  void showPosition(map::DevicePoint p);
  QImage selectedAreaImage();
  void copySelectedArea();
  // Picture outputs (save_image.cpp): what a picture of the view shows, with the given
  // selection or none, and "Save as Image" of it to `path` as image format `fmt`.
  out::MapPictureRequest pictureRequest(const map::SelectedArea* selection);
  int saveMapImage(const std::string& path, int fmt, const map::SelectedArea* selection);

  CMainFrame& frame_;
  ComPrpCnfInfo settings_;
  colour::ComClrTblMng table_;
  map::ComPrdctDspMngmnt display_;
  map::ViewState state_;
  std::unique_ptr<map::ScreenPositionTable> screen_;
  std::unique_ptr<draw::Surface> surface_;
  map::SelectionOutline outline_;
  bool dirty_ = true;

  bool hasProduct_ = false;
  ViewProduct product_;
  std::array<model::ComPrdctMngmnt*, 3> objects_{};
  std::vector<HeldSlot> held_;
  map::ProductTexts texts_;
  std::string caption_;
  int family_ = 0;
  map::MapChange recorded_;  // the state of the last CHANGEMAP record
  QTimer gridPoll_;

  Drag drag_ = Drag::kNone;
  map::DevicePoint press_;
  map::DevicePoint current_;
  bool bandShown_ = false;
  bool dialogOpen_ = false;
  int oneFile_ = -1;
  QString statusText_;
  QString valueText_;
  std::string animationPath_;
  bool animationScheduled_ = false;
  bool animationRunning_ = false;
};

}  // namespace kivo::app
