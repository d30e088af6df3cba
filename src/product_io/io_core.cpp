#include <hdf5.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "product_io/amsr2_io.h"
#include "product_io/io_internal.h"
#include "product_io/grid_position_files.h"
#include "product_io/trace.h"

namespace kivo::io {
namespace {

// Attribute texts beyond this size are refused instead of allocated.
constexpr std::size_t kMaxAttributeBytes = std::size_t{16} << 20;

hid_t fileId(ProductHandle handle) { return static_cast<hid_t>(handle); }

// Opens root attribute `index0` (0-based) in creation order, falling back to name order for
// files that do not track the creation order.
hid_t openRootAttributeByIndex(hid_t file, hsize_t index0) {
  hid_t attr = H5Aopen_by_idx(file, ".", H5_INDEX_CRT_ORDER, H5_ITER_INC, index0, H5P_DEFAULT, H5P_DEFAULT);
  if (attr < 0) attr = H5Aopen_by_idx(file, ".", H5_INDEX_NAME, H5_ITER_INC, index0, H5P_DEFAULT, H5P_DEFAULT);
  return attr;
}

bool libraryRecentEnough() {
  unsigned major = 0, minor = 0, release = 0;
  if (H5get_libversion(&major, &minor, &release) < 0) return false;
  if (major != 1) return major > 1;
  if (minor != 8) return minor > 8;
  return release >= 20;
}

}  // namespace

ProductHandle openProduct(const char* path) {
  H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
  refreshTraceSwitch();
  if (!libraryRecentEnough()) return kErrOpen;
  if (path == nullptr || *path == '\0') return kErrOpen;
  hid_t file = H5Fopen(path, H5F_ACC_RDONLY, H5P_DEFAULT);
  if (file < 0) {
    trace("File open error@H5Fopen\n");
    return kErrOpen;
  }
  return file;
}

int closeProduct(ProductHandle handle) {
  if (handle <= 0) return kErrClose;
  return H5Fclose(fileId(handle)) < 0 ? kErrClose : 0;
}

int getAttribute(std::int64_t attribute, std::string& text) {
  text.clear();
  H5Type fileType(H5Aget_type(attribute));
  if (!fileType) {
    trace("getMetaDataName ERROR - 2\n");
    return kErrStringType;
  }
  if (H5Tget_class(fileType.get()) != H5T_STRING) {
    trace("getAttribute ERROR - 9\n");
    return kErrAttrNotString;
  }
  htri_t variable = H5Tis_variable_str(fileType.get());
  if (variable < 0) {
    trace("getMetaDataName ERROR - 3\n");
    return kErrStringType;
  }
  H5Type memType(H5Tcopy(H5T_C_S1));
  if (!memType) {
    trace("getMetaDataName ERROR - 1\n");
    return kErrStringCopy;
  }
  H5Tset_cset(memType.get(), H5Tget_cset(fileType.get()));
  H5Space space(H5Aget_space(attribute));
  if (!space) {
    trace("getAttribute ERROR - 4\n");
    return kErrAttrRead;
  }
  hssize_t points = H5Sget_simple_extent_npoints(space.get());
  if (points <= 0 || static_cast<std::size_t>(points) > kMaxAttributeBytes) {
    trace("getAttribute ERROR - 4\n");
    return kErrAttrRead;
  }
  const auto count = static_cast<std::size_t>(points);

  if (variable == 0) {
    std::size_t size = H5Tget_size(fileType.get());
    if (size == 0 || size > kMaxAttributeBytes / count) {
      trace("getAttribute ERROR - 5\n");
      return kErrNoMemory;
    }
    H5Tset_size(memType.get(), size);
    H5Tset_strpad(memType.get(), H5Tget_strpad(fileType.get()));
    std::string buffer(size * count + 1, '\0');
    if (H5Aread(attribute, memType.get(), buffer.data()) < 0) {
      trace("getAttribute ERROR - 6\n");
      return kErrAttrRead;
    }
    // The text is the first element, up to its terminator.
    const char* first = buffer.data();
    std::size_t length = strnlen(first, size);
    text.assign(first, length);
    return 0;
  }

  if (H5Tset_size(memType.get(), H5T_VARIABLE) < 0) {
    trace("getMetaDataName ERROR - 1\n");
    return kErrStringCopy;
  }
  std::vector<char*> pointers(count, nullptr);
  if (H5Aread(attribute, memType.get(), pointers.data()) < 0) {
    trace("getAttribute ERROR - 7\n");
    return kErrAttrRead;
  }
  if (pointers[0] != nullptr) text.assign(pointers[0], strnlen(pointers[0], kMaxAttributeBytes));
  if (H5Dvlen_reclaim(memType.get(), space.get(), H5P_DEFAULT, pointers.data()) < 0) {
    trace("getAttribute ERROR - 8\n");
    text.clear();
    return kErrAttrRead;
  }
  return 0;
}

int getMetaDataByName(ProductHandle handle, const char* name, std::string& text) {
  text.clear();
  if (handle == 0) return kErrNullHandle;
  if (name == nullptr) return kErrNullArgument;
  htri_t exists = H5Aexists(fileId(handle), name);
  if (exists <= 0) return kErrAttrNotFound;
  H5Attr attr(H5Aopen(fileId(handle), name, H5P_DEFAULT));
  if (!attr) return kErrAttrNotFound;
  int rc = getAttribute(attr.get(), text);
  return rc < 0 ? rc : static_cast<int>(text.size());
}

int getMetaData(ProductHandle handle, int index, std::string& text) {
  text.clear();
  if (handle == 0) return kErrNullHandle;
  if (index <= 0) return kErrBadIndex;
  H5Attr attr(openRootAttributeByIndex(fileId(handle), static_cast<hsize_t>(index - 1)));
  if (!attr) {
    trace("getMetaData Open ERROR \n");
    return kErrAttrIndex;
  }
  int rc = getAttribute(attr.get(), text);
  return rc < 0 ? rc : static_cast<int>(text.size());
}

int getMetaDataCount(ProductHandle handle) {
  if (handle <= 0) return 0;
  H5O_info_t info;
  if (H5Oget_info2(fileId(handle), &info, H5O_INFO_NUM_ATTRS) < 0) return 0;
  return static_cast<int>(info.num_attrs);
}

int getMetaDataName(ProductHandle handle, int index, std::string& name) {
  name.clear();
  if (handle == 0) return kErrNullHandle;
  if (index <= 0) return kErrBadIndex;
  H5Attr attr(openRootAttributeByIndex(fileId(handle), static_cast<hsize_t>(index - 1)));
  if (!attr) return kErrAttrIndex;
  ssize_t length = H5Aget_name(attr.get(), 0, nullptr);
  if (length < 0) return kErrAttrRead;
  std::string buffer(static_cast<std::size_t>(length) + 1, '\0');
  if (H5Aget_name(attr.get(), buffer.size(), buffer.data()) < 0) return kErrAttrRead;
  buffer.resize(static_cast<std::size_t>(length));
  name = std::move(buffer);
  return static_cast<int>(name.size());
}

int findLabelDef(ProductHandle handle, AccessLabel label, const LabelDef*& row, std::string& name) {
  row = nullptr;
  name.clear();
  if (handle == 0) return kErrNullHandle;
  const hid_t file = fileId(handle);

  std::string productName;
  int rc = detail::readRootAttribute(file, "ProductName", productName, kErrProductName);
  if (rc < 0 && rc != kErrProductName.missing && rc != kErrProductName.other) return rc;

  const LabelTable* selected = nullptr;
  if (rc >= 0) {
    if (productName == "AMSR2-L1A") {
      selected = &labelTable(TableId::L1A);
    } else if (productName == "AMSR2-L1B") {
      selected = &labelTable(TableId::L1B);
    } else if (productName == "AMSR2-L1R") {
      selected = &labelTable(TableId::L1R);
    } else if (productName == "AMSR2-L2") {
      selected = &labelTable(TableId::L2);
    } else if (productName == "AMSR2-L3") {
      std::string granule;
      if (detail::readRootAttribute(file, "GranuleID", granule, kErrGranuleId) >= 0 && granule.size() > 32) {
        const char period = granule[18];
        const char grid = granule[32];
        if (period == 'D' && grid == 'H') selected = &labelTable(TableId::L3Daily10);
        if (period == 'D' && grid == 'L') selected = &labelTable(TableId::L3Daily25);
        if (period == 'M' && grid == 'H') selected = &labelTable(TableId::L3Monthly10);
        if (period == 'M' && grid == 'L') selected = &labelTable(TableId::L3Monthly25);
      }
    }
  }

  const LabelTable* found = nullptr;
  if (selected != nullptr) {
    if ((row = findInTable(*selected, label)) != nullptr) {
      found = selected;
    } else if ((row = findInTable(labelTable(TableId::Geolocation), label)) != nullptr) {
      found = &labelTable(TableId::Geolocation);
    }
  }
  for (int t = 0; found == nullptr && t < kTableCount; ++t) {
    const LabelTable& table = labelTable(static_cast<TableId>(t));
    if ((row = findInTable(table, label)) != nullptr) found = &table;
  }
  if (found == nullptr) return kErrUndefinedLabel;
  name = datasetName(*found, *row);
  return 0;
}

int getOverlapScans(ProductHandle handle) {
  if (handle == 0) return kErrNullHandle;
  const hid_t file = fileId(handle);
  std::string text;
  int rc = getMetaDataByName(handle, "OverlapScans", text);
  if (rc == kErrAttrNotFound) rc = getMetaDataByName(handle, "OverLapScans", text);
  if (rc == kErrAttrNotFound) {
    std::string productName;
    if (detail::readRootAttribute(file, "ProductName", productName, kErrProductName) >= 0 &&
        productName.rfind("AMSR2-L3", 0) == 0) {
      return 0;
    }
  }
  if (rc < 0) return mapAttrError(rc, kErrOverlapScans);
  return std::atoi(text.c_str());
}

int getDimSize(ProductHandle handle, AccessLabel label, DimSize& out) {
  out = DimSize{};
  if (handle == 0) return kErrNullHandle;
  if (label == kLabelLatLonGrid) {
    // Grid positions come from the grid position file: one 8-byte record per cell.
    std::string path;
    const int rc = gridFilePath(handle, path);
    if (rc < 0) return rc;
    const long long cells = gridFileCells(path);
    if (cells < 0) return static_cast<int>(cells);
    if (cells > 0x7fffffffLL) return kErrExtents;
    out.dims[0] = static_cast<std::int32_t>(cells);
    out.dims[1] = 2;
    return 2;
  }

  AccessLabel opened = label;
  LayerInfo layer{};
  const bool isLayer = layerInfo(label, layer) && layer.layer >= 0;
  if (isLayer) opened = layer.allLayers;
  const std::vector<AccessLabel> members = compositeMembers(label);
  if (members.size() > 1) opened = members.front();

  const LabelDef* row = nullptr;
  std::string name;
  int rc = findLabelDef(handle, opened, row, name);
  if (rc < 0) return rc;
  if (isGeolocationLabel(label)) name = geolocationLatitudeDataset(label);

  detail::CheckedDataset ds;
  rc = detail::openChecked(fileId(handle), name, *row, ds);
  if (rc < 0) {
    if (rc == kErrDatasetOpen) trace("getDimSize ERROR - 1[%s]\n", name.c_str());
    if (rc == kErrDataspace) trace("getDimSize ERROR - 2\n");
    if (rc == kErrRank) trace("getDimSize ERROR - 3\n");
    if (rc == kErrExtents) trace("getDimSize ERROR - 4\n");
    return rc;
  }
  int rank = ds.rank;
  for (int i = 0; i < rank; ++i) out.dims[i] = static_cast<std::int32_t>(ds.dims[i]);

  if (isLayer) {
    out.dims[2] = 0;
    rank = 2;
  }
  if (derivesFrom89A(label)) out.dims[1] /= 2;
  if (members.size() > 1) {
    const auto count = static_cast<std::int32_t>(members.size());
    if (rank == 1) {
      out.dims[1] = count;
      rank = 2;
    } else if (rank == 2) {
      out.dims[2] = count;
      rank = 3;
    }
  }
  return rank;
}

namespace detail {

int openChecked(hid_t file, const std::string& name, const LabelDef& row, CheckedDataset& out) {
  if (name.empty() || H5Lexists(file, name.c_str(), H5P_DEFAULT) <= 0) return kErrDatasetOpen;
  out.dataset.reset(H5Dopen2(file, name.c_str(), H5P_DEFAULT));
  if (!out.dataset) return kErrDatasetOpen;
  out.space.reset(H5Dget_space(out.dataset.get()));
  if (!out.space) return kErrDataspace;
  int rank = H5Sget_simple_extent_ndims(out.space.get());
  if (rank < 1 || rank > 3 || rank != row.rank) return kErrRank;
  out.rank = rank;
  if (H5Sget_simple_extent_dims(out.space.get(), out.dims, nullptr) < 0) return kErrExtents;
  const std::int32_t nominal[3] = {row.dim0, row.dim1, row.dim2};
  for (int i = 0; i < rank; ++i) {
    const auto limit = static_cast<hsize_t>(nominal[i] > 0 ? nominal[i] : 1) * kExtentFactor;
    if (out.dims[i] > limit) return kErrExtents;
  }
  return 0;
}

int readRootAttribute(hid_t file, const char* name, std::string& text, AttrErrorPair pair) {
  return mapAttrError(getMetaDataByName(file, name, text), pair);
}

int getScaleFactor(hid_t dataset, float& scale) {
  scale = 1.0f;
  if (H5Aexists(dataset, "SCALE FACTOR") <= 0) {
    trace("SF ERROR : 1\n");
    return kErrAttrNotFound;
  }
  H5Attr attr(H5Aopen(dataset, "SCALE FACTOR", H5P_DEFAULT));
  if (!attr) {
    trace("SF ERROR : 1\n");
    return kErrAttrNotFound;
  }
  H5Type type(H5Aget_type(attr.get()));
  H5Space space(H5Aget_space(attr.get()));
  if (!type || !space) {
    trace("SF ERROR : 3\n");
    return kErrAttrRead;
  }
  const H5T_class_t cls = H5Tget_class(type.get());
  // Integer factors are converted as well; any other class leaves the factor at 1.
  if (cls != H5T_FLOAT && cls != H5T_INTEGER) return 0;
  hssize_t points = H5Sget_simple_extent_npoints(space.get());
  if (points <= 0 || points > 4096) {
    trace("SF ERROR : 3\n");
    return kErrAttrRead;
  }
  std::vector<float> values(static_cast<std::size_t>(points));
  if (H5Aread(attr.get(), H5T_NATIVE_FLOAT, values.data()) < 0) {
    trace("SF ERROR : 3\n");
    return kErrAttrRead;
  }
  scale = values[0];
  return 0;
}

int selectRows(hid_t file, int begin, int end, hsize_t rows, bool applyOverlap, RowRange& range) {
  if (begin == kAllScans && end == kAllScans) {
    range.first = 0;
    range.count = rows;
    return rows == 0 ? kErrEmptySelection : 0;
  }
  long long overlap = 0;
  if (applyOverlap) {
    int rc = getOverlapScans(file);
    if (rc < 0) return rc;
    overlap = rc;
  }
  const long long first = overlap + begin - 1;
  if (first < 0 || static_cast<unsigned long long>(first) >= rows) return kErrScanSelection;
  long long after = overlap + end;
  if (after > static_cast<long long>(rows)) after = static_cast<long long>(rows);
  if (after <= first) return kErrEmptySelection;
  range.first = static_cast<hsize_t>(first);
  range.count = static_cast<hsize_t>(after - first);
  return 0;
}

int checkReadArguments(ProductHandle handle, int begin, int end, AccessLabel label) {
  if (begin != kAllScans && end != kAllScans && end < begin) return kErrEndBeforeBegin;
  if (handle == 0) return kErrNullHandle;
  if (label == 0) return kErrUndefinedLabel;
  return 0;
}

}  // namespace detail
}  // namespace kivo::io
