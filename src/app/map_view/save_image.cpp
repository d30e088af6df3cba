// The picture outputs of the map view: "Save as Image" and "Save as KML(KMZ)" from the menu
// (with a save dialog), and the batch OUTIMG.

#include <QFileDialog>
#include <QGuiApplication>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/main_frame.h"
#include "app/map_view/map_view.h"
#include "app/map_view/output_dialogs.h"
#include "app/messages.h"
#include "export/image_export.h"
#include "export/kml_file.h"

namespace kivo::app {
namespace {

constexpr MsgCode kMsgOutputFailed = 33;
// From this magnification a view draws its display grid; pictures wait for it.
constexpr double kGridModeMagnification = 8.0;

constexpr SaveDialog kImageDialog{
    QT_TRANSLATE_NOOP("kivo::app::OutputDialogs",
                      "Jpeg Files (*.jpg)|*.jpg|Tiff Files (*.tif)|*.tiff|Bitmap Files (*.bmp)|*.bmp|PNG Files (*.png)|*.png||"),
    "jpg"};
constexpr SaveDialog kKmlDialog{
    QT_TRANSLATE_NOOP("kivo::app::OutputDialogs", "KML File (*.kml)|*.kml|KMZ File (*.kmz)|*.kmz||"), "kml"};

std::optional<map::SelectionOutline> outlineOf(const map::SelectedArea* selection) {
  if (selection == nullptr || !selection->valid) return std::nullopt;
  return map::SelectionOutline{selection->upperLeft, selection->lowerRight};
}

std::string metaValue(const model::ComPrdctMngmnt& object, int slot, const char* name) {
  std::string value;
  return object.ComGetMetaValue(slot, name, value) >= 0 ? value : std::string();
}

}  // namespace

out::MapPictureRequest ComPrdctMpDsp::pictureRequest(const map::SelectedArea* selection) {
  out::MapPictureRequest r;
  r.paint = paintRequest();
  r.settings = paintSettings();
  r.width = width();
  r.height = height();
  r.selection = outlineOf(selection);
  settings_.ComGetFlg(kIdOutTtlIndiFlg, &r.title.shown);
  settings_.ComGetVal(kIdOutTtlIndiPnt, &r.title.position);
  // The title of the view's document, which the image output page can replace.
  r.title.text = windowTitle().toStdString();
  return r;
}

int ComPrdctMpDsp::saveMapImage(const std::string& path, int fmt, const map::SelectedArea* selection) {
  const out::MapPictureRequest request = pictureRequest(selection);
  // A magnified picture shows the display grid, as the view does once the grid is there.
  const map::ViewParams shown = request.selection ? out::viewOfSelection(request.paint.view, *request.selection,
                                                                         request.width, request.height)
                                                  : request.paint.view;
  if (hasProduct_ && shown.s >= kGridModeMagnification) display_.waitGridCopy();
  const int result = out::ComOutMapImg(request, path, fmt);
  if (result != out::kOutOk) return result;
  BtchImgRec record;
  if (request.selection) {
    record.area = BtchArea{request.selection->upperLeft.x, request.selection->upperLeft.y,
                           request.selection->lowerRight.x, request.selection->lowerRight.y};
    record.areaGiven = true;
  }
  // History lines count the formats from 0 (JPEG, BMP, TIFF, PNG); a transparent PNG is a PNG.
  record.format = fmt >= out::kImgJpeg && fmt <= out::kImgPng ? fmt - 1 : out::kImgPng - 1;
  record.path = std::filesystem::path(path).filename().string();
  frame_.batchHistory().addImage(record);
  return out::kOutOk;
}

void ComPrdctMpDsp::ComSaveImage() {
  if (!hasProduct_) return;
  std::string granule;
  objects_[0]->ComGetGranuleID(product_.slots[0].front(), granule);
  const std::string path = chooseOutputFile(this, settings_, granule, kImageDialog);
  if (path.empty()) return;
  BusyCursor busy;
  const map::SelectedArea* selection = state_.selection().valid ? &state_.selection() : nullptr;
  if (saveMapImage(path, out::imageFormatOfName(path), selection) != out::kOutOk) showMessage(kMsgOutputFailed);
}

void ComPrdctMpDsp::ComSaveKml() {
  if (!hasProduct_) return;
  std::string granule;
  objects_[0]->ComGetGranuleID(product_.slots[0].front(), granule);
  const std::string path = chooseOutputFile(this, settings_, granule, kKmlDialog);
  if (path.empty()) return;
  // Only the two extensions of the dialog, as written, make an output.
  const std::string ext = std::filesystem::path(path).extension().string();
  if (ext != ".kml" && ext != ".kmz") return;
  BusyCursor busy;
  out::MapKmlRequest request;
  request.paint = paintRequest();
  request.settings = paintSettings();
  request.selection = outlineOf(&state_.selection());
  std::vector<out::KmlFileMeta> files;
  const model::ComPrdctMngmnt& object = *objects_[0];
  for (int slot : product_.slots[0]) {
    out::KmlFileMeta meta;
    meta.granuleId = metaValue(object, slot, "GranuleID");
    meta.platform = metaValue(object, slot, "PlatformShortName");
    meta.sensor = metaValue(object, slot, "SensorShortName");
    meta.start = metaValue(object, slot, "ObservationStartDateTime");
    meta.end = metaValue(object, slot, "ObservationEndDateTime");
    files.push_back(std::move(meta));
  }
  request.desc = out::kmlDescOf(files);
  if (out::planOverlay(request.selection).view.s >= kGridModeMagnification) display_.waitGridCopy();
  if (out::ComOutMapKml(request, path) != out::kOutOk) showMessage(kMsgOutputFailed);
}

int ComPrdctMpDsp::ComBtchOutImg(const BtchImgRec& request) {
  int result = out::kOutBadRequest;
  if (hasProduct_ && request.format >= out::kImgJpeg && request.format <= out::kImgPng) {
    // Given corners become the view's selection (in SELECT mode where the projection allows
    // it); without them the view's own selection, if any, is the picture's.
    if (request.areaGiven) {
      runCommand(cmd::kModeSelect);
      setSelection(map::SelectedArea{{request.area.lon1, request.area.lat1}, {request.area.lon2, request.area.lat2}, true});
    }
    const std::string path = batchOutputPath(settings_, request.path);
    if (!path.empty()) {
      const map::SelectedArea* selection = state_.selection().valid ? &state_.selection() : nullptr;
      result = saveMapImage(path, request.format, selection);
    }
  }
  frame_.batchEvent().signal();
  return result;
}

}  // namespace kivo::app
