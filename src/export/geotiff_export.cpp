#include "export/geotiff_export.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_string.h>
#include <cpl_vsi.h>
#include <gdal.h>
#include <ogr_srs_api.h>

#include <dlfcn.h>

#include <atomic>
#include <cmath>
#include <memory>
#include <mutex>
#include <new>
#include <string>

namespace kivo::out {
namespace {

constexpr double kCellDegrees = 0.1;
constexpr const char* kBandNames[3] = {"Red Channel", "Green Channel", "Blue Channel"};

#define KIVO_GDAL_FUNCTIONS(X) \
  X(CPLPushErrorHandlerEx) X(CPLPopErrorHandler) X(CPLGetErrorHandlerUserData) X(GDALClose) \
  X(OSRDestroySpatialReference) X(VSIFree) X(VSIUnlink) X(GDALAllRegister) X(GDALGetDriverByName) \
  X(CSLSetNameValue) X(GDALCreate) X(CSLDestroy) X(GDALSetGeoTransform) X(OSRNewSpatialReference) \
  X(OSRImportFromEPSG) X(OSRSetAxisMappingStrategy) X(GDALSetSpatialRef) X(GDALSetMetadataItem) \
  X(GDALGetRasterBand) X(GDALSetRasterNoDataValue) X(GDALSetRasterUnitType) X(GDALSetDescription) \
  X(GDALRasterIO) X(VSIGetMemFileBuffer)

// GDAL is loaded when the first GeoTIFF is written, not when the program starts: its many
// libraries would otherwise cost every start of the program (and every unattended run) a
// large part of its time.
struct GdalApi {
#define KIVO_GDAL_MEMBER(name) decltype(&::name) name = nullptr;
  KIVO_GDAL_FUNCTIONS(KIVO_GDAL_MEMBER)
#undef KIVO_GDAL_MEMBER
};

const GdalApi* loadGdal() {
  static GdalApi api;
  void* library = nullptr;
  for (const char* name : {KIVO_GDAL_LIBRARY, "libgdal.so"}) {
    if ((library = ::dlopen(name, RTLD_NOW | RTLD_LOCAL)) != nullptr) break;
  }
  if (library == nullptr) return nullptr;
#define KIVO_GDAL_LOAD(name)                                                  \
  api.name = reinterpret_cast<decltype(api.name)>(::dlsym(library, #name)); \
  if (api.name == nullptr) return nullptr;
  KIVO_GDAL_FUNCTIONS(KIVO_GDAL_LOAD)
#undef KIVO_GDAL_LOAD
  return &api;
}

// The loaded library's functions, or nullptr when GDAL cannot be loaded.
const GdalApi* gdal() {
  static const GdalApi* const api = loadGdal();
  return api;
}
// Only called after gdal() has answered.
const GdalApi& api() { return *gdal(); }

// Counts the failures GDAL reports while it is installed, and keeps them off the terminal.
class GdalErrors {
 public:
  GdalErrors() { api().CPLPushErrorHandlerEx(&GdalErrors::handle, this); }
  ~GdalErrors() { api().CPLPopErrorHandler(); }
  GdalErrors(const GdalErrors&) = delete;
  GdalErrors& operator=(const GdalErrors&) = delete;
  int failures() const { return failures_; }

 private:
  static void CPL_STDCALL handle(CPLErr level, CPLErrorNum, const char*) {
    auto* self = static_cast<GdalErrors*>(api().CPLGetErrorHandlerUserData());
    if (self != nullptr && level >= CE_Failure) ++self->failures_;
  }
  int failures_ = 0;
};

struct DatasetCloser {
  void operator()(void* dataset) const { api().GDALClose(static_cast<GDALDatasetH>(dataset)); }
};
using Dataset = std::unique_ptr<void, DatasetCloser>;

struct SrsDeleter {
  void operator()(void* srs) const { api().OSRDestroySpatialReference(static_cast<OGRSpatialReferenceH>(srs)); }
};

struct VsiDeleter {
  void operator()(GByte* p) const { api().VSIFree(p); }
};

// A file of GDAL's memory file system, removed with whatever GDAL put beside it.
class MemoryFile {
 public:
  MemoryFile() {
    static std::atomic<unsigned> counter{0};
    name_ = "/vsimem/kivo_values_" + std::to_string(counter.fetch_add(1)) + ".tif";
  }
  ~MemoryFile() {
    api().VSIUnlink(name_.c_str());
    api().VSIUnlink((name_ + ".aux.xml").c_str());
  }
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;
  const std::string& name() const { return name_; }

 private:
  std::string name_;
};

// Writes the encoded dataset into `memory`: kOutOk or kOutEncodeFailed / kOutNoMemory.
int encode(const ValueExportRequest& request, const ExportGrid& grid, const MemoryFile& memory) {
  static std::once_flag registered;
  std::call_once(registered, [] { api().GDALAllRegister(); });
  GDALDriverH driver = api().GDALGetDriverByName("GTiff");
  if (driver == nullptr) return kOutEncodeFailed;

  const int bands = request.composite ? 3 : 1;
  const ExportUnit unit = exportUnitOf(request.product.productCode, request.product.title);
  const double nodata = invalidMarker(request);

  GdalErrors errors;
  {
    char** options = nullptr;
    options = api().CSLSetNameValue(options, "COMPRESS", "DEFLATE");
    options = api().CSLSetNameValue(options, "PREDICTOR", "3");
    options = api().CSLSetNameValue(options, "ZLEVEL", "1");
    Dataset dataset(api().GDALCreate(driver, memory.name().c_str(), grid.width, grid.height, bands, GDT_Float32, options));
    api().CSLDestroy(options);
    if (!dataset) return kOutEncodeFailed;
    GDALDatasetH ds = dataset.get();

    // Pixel (k, j) is the cell around the grid position of column c0 + k and row top - j.
    // East of 180 degrees the longitudes go on beyond it, so an area across the date line
    // stays one piece.
    const double west = (grid.firstColumn * kCellDegrees - 180.0) - kCellDegrees / 2;
    const double north = (grid.topRow * kCellDegrees - 90.0) + kCellDegrees / 2;
    double transform[6] = {west, kCellDegrees, 0.0, north, 0.0, -kCellDegrees};
    api().GDALSetGeoTransform(ds, transform);
    std::unique_ptr<void, SrsDeleter> srs(api().OSRNewSpatialReference(nullptr));
    if (!srs || api().OSRImportFromEPSG(srs.get(), 4326) != OGRERR_NONE) return kOutEncodeFailed;
    api().OSRSetAxisMappingStrategy(srs.get(), OAMS_TRADITIONAL_GIS_ORDER);
    api().GDALSetSpatialRef(ds, srs.get());

    std::string files;
    for (const std::string& f : request.product.fileNames) files += (files.empty() ? "" : " ") + f;
    api().GDALSetMetadataItem(ds, "TIFFTAG_IMAGEDESCRIPTION", request.product.title.c_str(), nullptr);
    api().GDALSetMetadataItem(ds, "TIFFTAG_SOFTWARE", "KIVO Meriview", nullptr);
    api().GDALSetMetadataItem(ds, "TITLE", request.product.title.c_str(), nullptr);
    api().GDALSetMetadataItem(ds, "UNIT", unit.unit.c_str(), nullptr);
    api().GDALSetMetadataItem(ds, "PRODUCT", request.product.displayName.c_str(), nullptr);
    api().GDALSetMetadataItem(ds, "FILES", files.c_str(), nullptr);

    std::vector<float> cells;
    for (int b = 0; b < bands; ++b) {
      const int gathered = gatherValues(request.grids[static_cast<std::size_t>(b)], request.range, grid, cells);
      if (gathered != kOutOk) return gathered;
      for (float& v : cells) {
        if (std::isnan(v)) v = static_cast<float>(nodata);
      }
      GDALRasterBandH band = api().GDALGetRasterBand(ds, b + 1);
      api().GDALSetRasterNoDataValue(band, nodata);
      api().GDALSetRasterUnitType(band, unit.unit.c_str());
      api().GDALSetDescription(band, request.composite ? kBandNames[b] : request.product.title.c_str());
      if (api().GDALRasterIO(band, GF_Write, 0, 0, grid.width, grid.height, cells.data(), grid.width, grid.height,
                       GDT_Float32, 0, 0) != CE_None) {
        return kOutEncodeFailed;
      }
    }
  }  // closed: everything is in the memory file now
  return errors.failures() == 0 ? kOutOk : kOutEncodeFailed;
}

}  // namespace

int writeValuesGeoTiff(const ValueExportRequest& request) {
  if (!request.rangeKnown || request.path.empty()) return kOutBadRequest;
  for (int c = 0; c < (request.composite ? 3 : 1); ++c) {
    if (request.grids[static_cast<std::size_t>(c)].empty()) return kOutBadRequest;
  }
  const ExportGrid grid = exportGridOf(request.area);
  if (gdal() == nullptr) return kOutEncodeFailed;

  // The folder is checked before the work of encoding.
  OutputFile file;
  if (const int opened = file.open(request.path); opened != kOutOk) return opened;
  MemoryFile memory;
  try {
    if (const int encoded = encode(request, grid, memory); encoded != kOutOk) return encoded;
  } catch (const std::bad_alloc&) {
    return kOutNoMemory;
  }
  vsi_l_offset length = 0;
  std::unique_ptr<GByte, VsiDeleter> bytes(api().VSIGetMemFileBuffer(memory.name().c_str(), &length, TRUE));
  if (!bytes || length == 0) return kOutEncodeFailed;
  file.write(bytes.get(), static_cast<std::size_t>(length));
  return file.commit();
}

}  // namespace kivo::out
