// The value outputs of the map view: CSV (values, or longitude, latitude and value), binary
// and GeoTIFF files of the product's 0.1-degree cells in the selection or the whole globe,
// from the menu (with a save dialog) and from the batch runner.

#include <QFileDialog>
#include <QGuiApplication>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/main_frame.h"
#include "app/map_view/map_view.h"
#include "app/map_view/output_dialogs.h"
#include "app/messages.h"
#include "export/geotiff_export.h"
#include "export/value_export.h"

namespace kivo::app {
namespace {

constexpr MsgCode kMsgLatLonProjection = 27;
constexpr MsgCode kMsgOutputFailed = 33;

enum class ValueFormat { kCsv, kCsvLatLon, kBinary, kGeoTiff };

constexpr SaveDialog kCsvDialog{QT_TRANSLATE_NOOP("kivo::app::OutputDialogs", "CSV Files (*.csv)|*.csv||"), "csv"};
constexpr SaveDialog kBinaryDialog{QT_TRANSLATE_NOOP("kivo::app::OutputDialogs", "Bin Files (*.bin)|*.bin||"), "bin"};
constexpr SaveDialog kGeoTiffDialog{QT_TRANSLATE_NOOP("kivo::app::OutputDialogs", "GeoTIFF Files (*.tif)|*.tif||"),
                                    "tif"};

out::ExportArea areaOf(const map::SelectedArea& selection) {
  if (!selection.valid) return out::kWholeGlobe;
  return out::ExportArea{selection.upperLeft.x, selection.upperLeft.y, selection.lowerRight.x, selection.lowerRight.y};
}

BtchArea recordArea(const out::ExportArea& a) { return BtchArea{a.lon1, a.lat1, a.lon2, a.lat2}; }

int settingValue(const ComPrpCnfInfo& settings, int id) {
  int value = 0;
  settings.ComGetVal(id, &value);
  return value;
}

// Fills the request from the view's product and settings and writes the file. The grids are
// held while the writer reads them; the gap filling of the files is awaited first, because
// cells are only taken from filled grids.
int writeValues(ValueFormat format, const std::array<model::ComPrdctMngmnt*, 3>& objects,
                const ComPrdctMpDsp::ViewProduct& product, const ComPrpCnfInfo& settings, const out::ExportArea& area,
                const std::string& path) {
  const int channels = product.composite ? 3 : 1;
  for (int c = 0; c < channels; ++c) {
    if (objects[static_cast<std::size_t>(c)] == nullptr || product.slots[static_cast<std::size_t>(c)].empty()) {
      return out::kOutBadRequest;
    }
  }
  BusyCursor busy;
  for (int c = 0; c < channels; ++c) {
    model::ComPrdctMngmnt* object = objects[static_cast<std::size_t>(c)];
    if (object->ComMeshRunning()) object->ComWaitMesh();
  }

  out::ValueExportRequest request;
  request.path = path;
  request.area = area;
  request.composite = product.composite;
  std::vector<std::shared_ptr<const model::ChannelGrid>> held;
  std::vector<std::string> paths;
  for (int c = 0; c < channels; ++c) {
    const auto i = static_cast<std::size_t>(c);
    for (const int slot : product.slots[i]) {
      std::shared_ptr<const model::ChannelGrid> grid = objects[i]->ComShareGrid(slot, product.channels[i]);
      const bool filled = grid && grid->meshed.load(std::memory_order_acquire);
      request.grids[i].push_back(filled ? grid->values.data() : nullptr);
      if (filled) held.push_back(std::move(grid));
      std::string file;
      if (objects[i]->ComGetFilePath(slot, file) == 0 && std::find(paths.begin(), paths.end(), file) == paths.end()) {
        paths.push_back(file);
      }
    }
  }
  for (const std::string& p : paths) request.product.fileNames.push_back(std::filesystem::path(p).filename().string());

  const model::ComPrdctMngmnt& first = *objects[0];
  const int slot = product.slots[0].front();
  request.rangeKnown = first.ComGetValueRange(slot, request.range) == 0;
  first.ComGetPrdctName(slot, request.product.displayName);
  if (first.ComGetMetaValue(slot, "ProductName", request.product.productCode) <= 0) {
    first.ComGetMetaValue(slot, "ShortName", request.product.productCode);
  }
  first.ComGetTitle(slot, product.channels[0], request.product.title, false);

  out::ValueExportSettings& s = request.settings;
  s.byteOrder = settingValue(settings, kIdBytOrdrSetting);
  s.signedMarker = settingValue(settings, kIdNnObsValMrk);
  s.unsignedMarker = settingValue(settings, kIdNnObsVal);
  s.recordsPerLine = settingValue(settings, kIdOneRcrdOut);
  s.decimals = settingValue(settings, kIdDecSetting);

  switch (format) {
    case ValueFormat::kCsv: return out::writeValuesCsv(request);
    case ValueFormat::kCsvLatLon: return out::writeValuesCsvLatLon(request);
    case ValueFormat::kBinary: return out::writeValuesBinary(request);
    case ValueFormat::kGeoTiff: return out::writeValuesGeoTiff(request);
  }
  return out::kOutBadRequest;
}

// What a batch output did: its result, and the area and path its history line names.
struct BatchOutcome {
  int result = out::kOutBadRequest;
  BtchArea area;
  bool areaGiven = false;
  std::string path;
};

// A batch output: given corners become the view's selection (in SELECT mode where the
// projection allows it); without them the view's selection or the whole globe is written.
BatchOutcome batchValues(ComPrdctMpDsp& view, const std::array<model::ComPrdctMngmnt*, 3>& objects,
                         ValueFormat format, const BtchArea& given, bool areaGiven, const std::string& requested) {
  BatchOutcome done;
  if (!view.hasProduct()) return done;
  out::ExportArea area;
  if (areaGiven) {
    view.runCommand(cmd::kModeSelect);
    view.setSelection(map::SelectedArea{{given.lon1, given.lat1}, {given.lon2, given.lat2}, true});
    area = out::ExportArea{given.lon1, given.lat1, given.lon2, given.lat2};
  } else {
    area = areaOf(view.viewState().selection());
  }
  done.path = batchOutputPath(view.settings(), requested);
  if (done.path.empty()) return done;
  done.result = writeValues(format, objects, view.product(), view.settings(), area, done.path);
  done.area = recordArea(area);
  done.areaGiven = areaGiven || view.viewState().selection().valid;
  return done;
}

}  // namespace

void ComPrdctMpDsp::ComSaveCsv(bool withLatLon) {
  if (!hasProduct_) return;
  if (withLatLon) {
    const int projection = state_.projection();
    if (projection != map::kProjEqr && projection != map::kProjMercator) {
      showMessage(kMsgLatLonProjection);
      return;
    }
    if (!state_.selection().valid) {
      showMessage(map::kMsgBadSelection);
      return;
    }
  }
  std::string granule;
  objects_[0]->ComGetGranuleID(product_.slots[0].front(), granule);
  const std::string path = chooseOutputFile(this, settings_, granule, kCsvDialog);
  if (path.empty()) return;
  const out::ExportArea area = areaOf(state_.selection());
  const ValueFormat format = withLatLon ? ValueFormat::kCsvLatLon : ValueFormat::kCsv;
  if (writeValues(format, objects_, product_, settings_, area, path) != out::kOutOk) {
    showMessage(kMsgOutputFailed);
    return;
  }
  BtchCsvRec record;
  record.area = recordArea(area);
  record.withLatLon = withLatLon;
  record.path = path;
  record.areaGiven = state_.selection().valid;
  frame_.batchHistory().addCsv(record);
}

void ComPrdctMpDsp::ComSaveBinary() {
  if (!hasProduct_) return;
  std::string granule;
  objects_[0]->ComGetGranuleID(product_.slots[0].front(), granule);
  const std::string path = chooseOutputFile(this, settings_, granule, kBinaryDialog);
  if (path.empty()) return;
  const out::ExportArea area = areaOf(state_.selection());
  if (writeValues(ValueFormat::kBinary, objects_, product_, settings_, area, path) != out::kOutOk) {
    showMessage(kMsgOutputFailed);
    return;
  }
  BtchBinRec record;
  record.area = recordArea(area);
  record.path = path;
  record.areaGiven = state_.selection().valid;
  frame_.batchHistory().addBinary(record);
}

void ComPrdctMpDsp::ComSaveGeoTiff() {
  if (!hasProduct_) return;
  std::string granule;
  objects_[0]->ComGetGranuleID(product_.slots[0].front(), granule);
  const std::string path = chooseOutputFile(this, settings_, granule, kGeoTiffDialog);
  if (path.empty()) return;
  // The batch language has no GeoTIFF command, so nothing goes to the history.
  if (writeValues(ValueFormat::kGeoTiff, objects_, product_, settings_, areaOf(state_.selection()), path) !=
      out::kOutOk) {
    showMessage(kMsgOutputFailed);
  }
}

int ComPrdctMpDsp::ComBtchOutCsv(const BtchCsvRec& request) {
  const ValueFormat format = request.withLatLon ? ValueFormat::kCsvLatLon : ValueFormat::kCsv;
  const BatchOutcome done = batchValues(*this, objects_, format, request.area, request.areaGiven, request.path);
  if (done.result == out::kOutOk) {
    BtchCsvRec record = request;
    record.area = done.area;
    record.areaGiven = done.areaGiven;
    record.path = done.path;
    frame_.batchHistory().addCsv(record);
  }
  frame_.batchEvent().signal();
  return done.result;
}

int ComPrdctMpDsp::ComBtchOutBin(const BtchBinRec& request) {
  const BatchOutcome done = batchValues(*this, objects_, ValueFormat::kBinary, request.area, request.areaGiven, request.path);
  if (done.result == out::kOutOk) {
    BtchBinRec record = request;
    record.area = done.area;
    record.areaGiven = done.areaGiven;
    record.path = done.path;
    frame_.batchHistory().addBinary(record);
  }
  frame_.batchEvent().signal();
  return done.result;
}

}  // namespace kivo::app
