#include <hdf5.h>

#include <memory>

#include "product_io/allocation.h"
#include "product_io/chunk_read.h"
#include "product_io/geolocation.h"
#include "product_io/geolocation_internal.h"
#include "product_io/io_internal.h"

namespace kivo::io {
namespace {

// Reads the latitude and longitude datasets of a stored-position label for a scan range;
// `pixels` receives the pixel count per scan.
int readDirect(ProductHandle handle, AccessLabel label, int begin, int end, std::vector<LatLon>& out, int& pixels) {
  const hid_t file = static_cast<hid_t>(handle);
  const LabelDef* row = findInTable(labelTable(TableId::Geolocation), label);
  if (row == nullptr) return kErrUndefinedLabel;
  const char* names[2] = {geolocationLatitudeDataset(label), geolocationLongitudeDataset(label)};
  std::size_t count = 0;
  std::unique_ptr<float[]> values;  // the latitudes, then the longitudes, as stored
  for (int which = 0; which < 2; ++which) {
    detail::CheckedDataset ds;
    int rc = detail::openChecked(file, names[which], *row, ds);
    if (rc < 0) return rc;
    float scale = 1.0f;
    rc = detail::getScaleFactor(ds.dataset.get(), scale);
    if (rc < 0) return rc;
    detail::RowRange rows;
    rc = detail::selectRows(file, begin, end, ds.dims[0], true, rows);
    if (rc < 0) return rc;
    hsize_t start[2] = {rows.first, 0};
    hsize_t extent[2] = {rows.count, ds.rank == 2 ? ds.dims[1] : 1};
    if (H5Sselect_hyperslab(ds.space.get(), H5S_SELECT_SET, start, nullptr, extent, nullptr) < 0) {
      return kErrScanSelection;
    }
    const hsize_t n = extent[0] * extent[1];
    if (n * sizeof(LatLon) > detail::kMaxRequestBytes) return kErrNoMemory;
    if (which == 0) {
      count = static_cast<std::size_t>(n);
      pixels = static_cast<int>(extent[1]);
      if (!tryAllocate([&] { out.assign(count, LatLon{}); })) return kErrNoMemory;
    } else if (n != count) {
      return kErrBadDims;  // latitude and longitude datasets of different shapes
    }
    // A memory space of the selection's own shape keeps HDF5 on its fast whole-chunk path.
    H5Space mem(H5Screate_simple(2, extent, nullptr));
    if (!mem) return kErrMemSpace;
    if (!values && !tryAllocate([&] { values = std::make_unique_for_overwrite<float[]>(count); })) return kErrNoMemory;
    if (!detail::readRowsDirect(ds, rows.first, rows.count, H5T_NATIVE_FLOAT, values.get()) &&
        H5Dread(ds.dataset.get(), H5T_NATIVE_FLOAT, mem.get(), ds.space.get(), H5P_DEFAULT, values.get()) < 0) {
      return kErrRead;
    }
    for (std::size_t i = 0; i < count; ++i) {
      if (which == 0) {
        out[i].lat = values[i] * scale;
      } else {
        out[i].lon = values[i] * scale;
      }
    }
  }
  return static_cast<int>(count);
}

// Positions derived from the 89 GHz A positions: a co-registered band, the six-band mean or
// the first position of every pair.
int derivedPositions(ProductHandle handle, const GeolocationRule& rule, int begin, int end, std::vector<LatLon>& out) {
  std::vector<LatLon> a89;
  int pixels = 0;
  int rc = readDirect(handle, kLabelLatLon89A, begin, end, a89, pixels);
  if (rc < 0) return rc;
  if (rule.source == PositionSource::Even89A) {
    const std::size_t scans = pixels > 0 ? a89.size() / static_cast<std::size_t>(pixels) : 0;
    const int outPixels = pixels / 2;
    out.resize(scans * static_cast<std::size_t>(outPixels));
    for (std::size_t s = 0; s < scans; ++s) {
      for (int j = 0; j + 1 < pixels; j += 2) {
        out[s * static_cast<std::size_t>(outPixels) + j / 2] = a89[s * static_cast<std::size_t>(pixels) + j];
      }
    }
    return static_cast<int>(out.size());
  }
  CoRegParams params;
  rc = readCoRegParams(handle, params);
  if (rc < 0) return rc;
  if (rule.source == PositionSource::CoRegistered) {
    rc = detail::coregisterBand(a89, pixels, params.a1[rule.band], params.a2[rule.band], out);
  } else {
    std::vector<LatLon> bands[kCoRegBands];
    for (int b = 0; b < kCoRegBands && rc >= 0; ++b) {
      rc = detail::coregisterBand(a89, pixels, params.a1[b], params.a2[b], bands[b]);
    }
    if (rc >= 0) rc = detail::meanOfBands(bands, out);
  }
  return rc < 0 ? rc : static_cast<int>(out.size());
}

}  // namespace

int getLatLon(ProductHandle handle, std::vector<LatLon>& positions, int begin, int end, AccessLabel label) {
  positions.clear();
  int rc = detail::checkReadArguments(handle, begin, end, label);
  if (rc < 0) return rc;
  const GeolocationRule* rule = geolocationRule(label);
  if (rule == nullptr) return kErrDerivedLabel;
  std::vector<LatLon> out;
  if (rule->source == PositionSource::Stored) {
    int pixels = 0;
    rc = readDirect(handle, label, begin, end, out, pixels);
  } else if (rule->source == PositionSource::GridFile) {
    rc = detail::readGridPositions(handle, out);
  } else {
    rc = derivedPositions(handle, *rule, begin, end, out);
  }
  if (rc < 0) return rc;
  positions = std::move(out);
  return static_cast<int>(positions.size());
}

}  // namespace kivo::io
