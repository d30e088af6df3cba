// "Save as HDF": the shown AMSR2 product cut to the selected area and saved as a new product,
// from the menu (with a save dialog) and from a batch OUTHDF line.

#include <QFileDialog>
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "app/commands.h"
#include "app/main_frame.h"
#include "app/map_view/map_view.h"
#include "app/map_view/output_dialogs.h"
#include "app/messages.h"
#include "product_model/catalogue.h"
#include "product_model/product_output.h"

namespace kivo::app {
namespace {

constexpr MsgCode kMsgOutputFailed = 33;
constexpr MsgCode kMsgNoValidData = 38;
// Results of a batch OUTHDF besides 0.
constexpr int kBatchFailed = 1;
constexpr int kBatchBadRequest = 2;

constexpr SaveDialog kHdfDialog{QT_TRANSLATE_NOOP("kivo::app::OutputDialogs", "HDF5 Files (*.h5)|*.h5||"), "h5"};

// The proposed file name: the granule identifier, then the upper latitude, the smaller
// longitude, the lower latitude and the larger longitude in whole degrees ("N20W110S20W070").
std::string proposedName(const std::string& granule, const map::SelectedArea& area) {
  const std::int32_t upper = std::max(area.upperLeft.y, area.lowerRight.y);
  const std::int32_t lower = std::min(area.upperLeft.y, area.lowerRight.y);
  const std::int32_t left = std::min(area.upperLeft.x, area.lowerRight.x);
  const std::int32_t right = std::max(area.upperLeft.x, area.lowerRight.x);
  const auto degrees = [](std::int32_t micro) { return std::abs(micro / 1000000); };
  char text[512];
  std::snprintf(text, sizeof text, "%s_%c%.2d%c%.3d%c%.2d%c%.3d", granule.c_str(), upper >= 0 ? 'N' : 'S',
                degrees(upper), left >= 0 ? 'E' : 'W', degrees(left), lower >= 0 ? 'N' : 'S', degrees(lower),
                right >= 0 ? 'E' : 'W', degrees(right));
  return text;
}

// The selection as the writer takes it: a latitude/longitude box, or in the polar views the
// rectangle of the two corners on the view's map plane.
model::HdfOutputArea outputArea(const map::ViewState& state) {
  const map::SelectedArea& s = state.selection();
  model::HdfOutputArea area;
  area.lon1 = s.upperLeft.x;
  area.lat1 = s.upperLeft.y;
  area.lon2 = s.lowerRight.x;
  area.lat2 = s.lowerRight.y;
  if (map::projectionInfo(state.projection()).polar) {
    map::GeoPoint a{0, 0}, b{0, 0};
    state.ComGetPlanePos(s.upperLeft, a);
    state.ComGetPlanePos(s.lowerRight, b);
    area.mapX1 = a.x;
    area.mapY1 = a.y;
    area.mapX2 = b.x;
    area.mapY2 = b.y;
    area.project = [&state](std::int32_t lon, std::int32_t lat, std::int64_t& x, std::int64_t& y) {
      map::GeoPoint plane{0, 0};
      if (state.ComGetPlanePos(map::GeoPoint{lon, lat}, plane) != 0) return false;
      x = plane.x;
      y = plane.y;
      return true;
    };
  }
  return area;
}

// Whether a shown file holds a valid observation of the view's channel in the area.
bool areaHoldsData(const model::ComPrdctMngmnt& object, int slot, int chnl, const model::HdfOutputArea& area) {
  const model::ObsPoint* points = nullptr;
  int count = 0;
  if (object.ComGetPointArray(slot, points, count, chnl) != 0) return false;
  catalogue::ValueRange range;
  const bool hasRange = object.ComGetValueRange(slot, range) == 0;
  const float lower = std::min(range.invalid1, range.invalid2);
  const float upper = std::max(range.invalid1, range.invalid2);
  for (int i = 0; i < count; ++i) {
    const model::ObsPoint& p = points[i];
    if (hasRange && lower <= p.value && p.value <= upper) continue;
    if (area.contains(p.lon, p.lat)) return true;
  }
  return false;
}

// The OUTHDF line of a saved product.
BtchHdfRec historyRecord(const map::SelectedArea& s, const std::string& path, const BtchOpnRec& open) {
  BtchHdfRec record;
  record.area = BtchArea{s.upperLeft.x, s.upperLeft.y, s.lowerRight.x, s.lowerRight.y};
  record.path = path;
  record.areaGiven = true;
  record.open = open;
  return record;
}

}  // namespace

void ComPrdctMpDsp::ComSaveHdf() {
  if (!hasProduct_ || !state_.hdfOutput() || !state_.selection().valid) return;
  model::ComPrdctMngmnt& object = *objects_[0];
  const int slot = product_.slots[0].front();
  std::string granule;
  object.ComGetGranuleID(slot, granule);
  const std::string path = chooseOutputFile(this, settings_, proposedName(granule, state_.selection()), kHdfDialog);
  if (path.empty()) return;
  const model::HdfOutputArea area = outputArea(state_);
  if (!areaHoldsData(object, slot, product_.channels[0], area)) {
    showMessage(kMsgNoValidData);
    return;
  }
  int result = model::kHdfOutputFailed;
  {
    BusyCursor busy;
    result = object.ComOutputHdf(slot, path, area);
  }
  if (result == model::kHdfOutputNoScans) {
    showMessage(kMsgNoValidData);
    return;
  }
  if (result != model::kHdfOutputDone) {
    showMessage(kMsgOutputFailed);
    return;
  }
  frame_.batchHistory().addHdf(historyRecord(state_.selection(), path, product_.openRecord));
}

int ComPrdctMpDsp::ComBtchOutHdf(const BtchHdfRec& request) {
  int result = kBatchBadRequest;
  if (hasProduct_) {
    // Given corners become the view's selection; without them the view's own selection counts.
    if (request.areaGiven) {
      runCommand(cmd::kModeSelect);
      const BtchArea& a = request.area;
      setSelection(map::SelectedArea{{a.lon1, a.lat1}, {a.lon2, a.lat2}, true});
    }
    const std::string path = batchOutputPath(settings_, request.path);
    if (!path.empty() && state_.selection().valid) {
      model::ComPrdctMngmnt& object = *objects_[0];
      const int slot = product_.slots[0].front();
      const model::HdfOutputArea area = outputArea(state_);
      // Unattended: a failure is the line's result, no message box waits for the user.
      result = areaHoldsData(object, slot, product_.channels[0], area) &&
                       object.ComOutputHdf(slot, path, area) == model::kHdfOutputDone
                   ? 0
                   : kBatchFailed;
      if (result == 0) frame_.batchHistory().addHdf(historyRecord(state_.selection(), path, product_.openRecord));
    }
  }
  frame_.batchEvent().signal();
  return result;
}

}  // namespace kivo::app
