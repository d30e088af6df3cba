#include "product_io/io_write.h"

#include <hdf5.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <type_traits>

#include "product_io/allocation.h"
#include "product_io/grid_position_files.h"
#include "product_io/io_internal.h"
#include "product_io/trace.h"

namespace kivo::io {
namespace {

using detail::CheckedDataset;
using detail::RowRange;

// New datasets are stored in chunks of whole scans, byte-shuffled and deflated: smaller and
// quicker to write than deflate alone.
constexpr unsigned kDeflateLevel = 1;
constexpr hsize_t kChunkTargetBytes = hsize_t{512} << 10;
constexpr hsize_t kMinChunkRows = 32;
constexpr hsize_t kMaxChunkRows = 256;
constexpr hsize_t kScanQualityBytes = 512;
// Attributes with more elements than this are not overwritten element by element.
constexpr hssize_t kMaxAttributeElements = 4096;

hid_t fileId(ProductHandle handle) { return static_cast<hid_t>(handle); }

bool libraryRecentEnough() {
  unsigned major = 0, minor = 0, release = 0;
  if (H5get_libversion(&major, &minor, &release) < 0) return false;
  if (major != 1) return major > 1;
  if (minor != 8) return minor > 8;
  return release >= 20;
}

bool isAscii(const char* text) {
  for (const char* p = text; *p != '\0'; ++p) {
    if (static_cast<unsigned char>(*p) >= 0x80) return false;
  }
  return true;
}

H5T_cset_t charsetOf(const char* text) { return isAscii(text) ? H5T_CSET_ASCII : H5T_CSET_UTF8; }

// --- element types --------------------------------------------------------------------------

enum class Native { F32, F64, I16, U16, I8, U8, I32, U32 };

int classify(hid_t dataset, Native& native) {
  H5Type type(H5Dget_type(dataset));
  if (!type) return kErrDatasetType;
  H5Type nat(H5Tget_native_type(type.get(), H5T_DIR_ASCEND));
  if (!nat) return kErrNativeType;
  const H5T_class_t cls = H5Tget_class(nat.get());
  const std::size_t size = H5Tget_size(nat.get());
  if (cls == H5T_FLOAT) {
    if (size == 4) { native = Native::F32; return 0; }
    if (size == 8) { native = Native::F64; return 0; }
  } else if (cls == H5T_INTEGER) {
    const bool isSigned = H5Tget_sign(nat.get()) == H5T_SGN_2;
    switch (size) {
      case 1: native = isSigned ? Native::I8 : Native::U8; return 0;
      case 2: native = isSigned ? Native::I16 : Native::U16; return 0;
      case 4: native = isSigned ? Native::I32 : Native::U32; return 0;
      default: break;
    }
  }
  return kErrNativeType;
}

hid_t memTypeOf(Native n) {
  switch (n) {
    case Native::F32: return H5T_NATIVE_FLOAT;
    case Native::F64: return H5T_NATIVE_DOUBLE;
    case Native::I16: return H5T_NATIVE_SHORT;
    case Native::U16: return H5T_NATIVE_USHORT;
    case Native::I8: return H5T_NATIVE_SCHAR;
    case Native::U8: return H5T_NATIVE_UCHAR;
    case Native::I32: return H5T_NATIVE_INT;
    case Native::U32: return H5T_NATIVE_UINT;
  }
  return H5T_NATIVE_UCHAR;
}

// The file element type of a stored-type code (little-endian), or -1.
hid_t fileTypeOf(std::int32_t stored) {
  switch (stored) {
    case kStoredI16: return H5T_STD_I16LE;
    case kStoredU16: return H5T_STD_U16LE;
    case kStoredF32: return H5T_IEEE_F32LE;
    case kStoredF64: return H5T_IEEE_F64LE;
    case kStoredI8: return H5T_STD_I8LE;
    case kStoredU8: return H5T_STD_U8LE;
    default: return -1;
  }
}

herr_t setFillValue(hid_t dcpl, std::int32_t stored) {
  switch (stored) {
    case kStoredI16: return H5Pset_fill_value(dcpl, H5T_NATIVE_SHORT, &kFillI16);
    case kStoredU16: return H5Pset_fill_value(dcpl, H5T_NATIVE_USHORT, &kFillU16);
    case kStoredF32: return H5Pset_fill_value(dcpl, H5T_NATIVE_FLOAT, &kFillFloat);
    case kStoredF64: {
      const double fill = kFillFloat;
      return H5Pset_fill_value(dcpl, H5T_NATIVE_DOUBLE, &fill);
    }
    case kStoredI8: return H5Pset_fill_value(dcpl, H5T_NATIVE_SCHAR, &kFillI8);
    case kStoredU8: return H5Pset_fill_value(dcpl, H5T_NATIVE_UCHAR, &kFillU8);
    default: return -1;
  }
}

template <typename I>
constexpr OutputType outputTypeOf() {
  if constexpr (std::is_same_v<I, std::int32_t>) return kOutInt32;
  else if constexpr (std::is_same_v<I, std::uint8_t>) return kOutUInt8;
  else if constexpr (std::is_same_v<I, float>) return kOutFloat32;
  else return kOutFloat64;
}

bool permitted(const LabelDef& row, OutputType type) {
  switch (type) {
    case kOutInt32: return row.permitInt != 0;
    case kOutUInt8: return row.permitByte != 0;
    case kOutFloat32: return row.permitFloat != 0;
    case kOutFloat64: return row.permitDouble != 0;
  }
  return false;
}

bool isGeophysicalLabel(AccessLabel l) {
  return (l >= 21030 && l <= 21060) || (l >= 22030 && l <= 22100) || (l >= 31310 && l <= 31340);
}

// Datasets stored [scan][pixel][layer] (the all-layers label of a layered family).
bool isLayeredDataset(AccessLabel label) {
  LayerInfo info{};
  return layerInfo(label, info) && info.layer < 0;
}

// --- conversion back through the scale factor ----------------------------------------------

// Stored values that reads pass through unscaled; a layer read scales -32766.
template <typename S>
bool invalidStored(double v, bool layer) {
  if constexpr (std::is_floating_point_v<S>) {
    return v < -9997.0;
  } else if constexpr (std::is_same_v<S, std::int16_t>) {
    return layer ? v < -32766.0 : v <= -32766.0;
  } else if constexpr (std::is_same_v<S, std::uint16_t>) {
    return v >= 65533.0;
  } else if constexpr (std::is_same_v<S, std::uint8_t>) {
    return v >= 253.0;
  } else {
    return false;
  }
}

template <typename S>
constexpr S overflowCode() {
  if constexpr (std::is_same_v<S, std::int16_t>) return kOverflowI16;
  else if constexpr (std::is_same_v<S, std::uint16_t>) return kOverflowU16;
  else if constexpr (std::is_same_v<S, std::uint8_t>) return kOverflowU8;
  else if constexpr (std::is_same_v<S, std::int8_t>) return kOverflowI8;
  else return std::numeric_limits<S>::min();
}

template <typename S>
S toStored(double v, double scale, bool layer) {
  if constexpr (std::is_floating_point_v<S>) {
    return static_cast<S>(invalidStored<S>(v, layer) ? v : v / scale);
  } else {
    constexpr double lo = static_cast<double>(std::numeric_limits<S>::min());
    constexpr double hi = static_cast<double>(std::numeric_limits<S>::max());
    if (invalidStored<S>(v, layer)) return v >= lo && v <= hi ? static_cast<S>(v) : overflowCode<S>();
    const double r = std::floor(v / scale + 0.5);
    return r >= lo && r <= hi ? static_cast<S>(r) : overflowCode<S>();  // NaN fails both tests
  }
}

// Packs entries of one bit each (least significant bit first) back into stored elements.
template <typename S>
void packBits(const std::int32_t* in, std::size_t elements, S* out) {
  constexpr int bits = 8 * sizeof(S);
  for (std::size_t e = 0; e < elements; ++e) {
    std::uint64_t v = 0;
    for (int b = 0; b < bits; ++b) {
      if (in[e * bits + static_cast<std::size_t>(b)] != 0) v |= std::uint64_t{1} << b;
    }
    out[e] = static_cast<S>(static_cast<std::make_unsigned_t<S>>(v));
  }
}

template <typename S, typename I>
int convertAndWrite(hid_t dataset, hid_t memType, hid_t memSpace, hid_t fileSpace, const I* in, std::size_t elements,
                    double scale, bool layer, bool bitExpand) {
  std::vector<S> stored;
  if (!tryAllocate([&] { stored.resize(elements); })) return kErrNoMemory;
  if constexpr (std::is_integral_v<S> && std::is_same_v<I, std::int32_t>) {
    if (bitExpand) {
      packBits(in, elements, stored.data());
      return H5Dwrite(dataset, memType, memSpace, fileSpace, H5P_DEFAULT, stored.data()) < 0 ? kErrWrite : 0;
    }
  }
  for (std::size_t i = 0; i < elements; ++i) stored[i] = toStored<S>(static_cast<double>(in[i]), scale, layer);
  return H5Dwrite(dataset, memType, memSpace, fileSpace, H5P_DEFAULT, stored.data()) < 0 ? kErrWrite : 0;
}

template <typename I>
int dispatchWrite(Native native, hid_t dataset, hid_t memSpace, hid_t fileSpace, const I* in, std::size_t elements,
                  double scale, bool layer, bool bitExpand) {
  const hid_t mem = memTypeOf(native);
  switch (native) {
    case Native::F32:
      return convertAndWrite<float>(dataset, mem, memSpace, fileSpace, in, elements, scale, layer, false);
    case Native::F64:
      return convertAndWrite<double>(dataset, mem, memSpace, fileSpace, in, elements, scale, layer, false);
    case Native::I16:
      return convertAndWrite<std::int16_t>(dataset, mem, memSpace, fileSpace, in, elements, scale, layer, bitExpand);
    case Native::U16:
      return convertAndWrite<std::uint16_t>(dataset, mem, memSpace, fileSpace, in, elements, scale, layer, bitExpand);
    case Native::I8:
      return convertAndWrite<std::int8_t>(dataset, mem, memSpace, fileSpace, in, elements, scale, layer, bitExpand);
    case Native::U8:
      return convertAndWrite<std::uint8_t>(dataset, mem, memSpace, fileSpace, in, elements, scale, layer, bitExpand);
    case Native::I32:
      return convertAndWrite<std::int32_t>(dataset, mem, memSpace, fileSpace, in, elements, scale, layer, bitExpand);
    case Native::U32:
      return convertAndWrite<std::uint32_t>(dataset, mem, memSpace, fileSpace, in, elements, scale, layer, bitExpand);
  }
  return kErrNativeType;
}

int bitsOf(Native n) {
  switch (n) {
    case Native::I16: case Native::U16: return 16;
    case Native::I8: case Native::U8: return 8;
    case Native::I32: case Native::U32: return 32;
    default: return 0;
  }
}

// A scale factor that values can be divided by.
int writableScale(hid_t dataset, double& scale) {
  float s = 1.0f;
  const int rc = detail::getScaleFactor(dataset, s);
  if (rc < 0) return rc;
  if (s == 0.0f || !std::isfinite(s)) return kErrAttrRead;
  scale = s;
  return 0;
}

// The rows a write selects; a range that reaches beyond the dataset is refused rather than cut.
int writeRows(hid_t file, int begin, int end, hsize_t rows, bool applyOverlap, RowRange& range) {
  const int rc = detail::selectRows(file, begin, end, rows, applyOverlap, range);
  if (rc < 0) return rc;
  if (begin != kAllScans && static_cast<long long>(range.count) != static_cast<long long>(end) - begin + 1) {
    return kErrScanSelection;
  }
  return 0;
}

// --- dataset creation ----------------------------------------------------------------------

// Chunks of whole scans: one element of every axis before the scan axis, whole extents after it.
void chunkShape(int rank, const hsize_t* dims, int scanAxis, std::size_t elementSize, hsize_t* chunk) {
  hsize_t rowBytes = elementSize;
  for (int i = 0; i < rank; ++i) {
    if (i < scanAxis) chunk[i] = 1;
    if (i > scanAxis) {
      chunk[i] = dims[i];
      rowBytes *= dims[i];
    }
  }
  const hsize_t rows = kChunkTargetBytes / std::max<hsize_t>(rowBytes, 1);
  chunk[scanAxis] = std::clamp(rows, kMinChunkRows, kMaxChunkRows);
  chunk[scanAxis] = std::min(chunk[scanAxis], dims[scanAxis]);
}

int createDataset(hid_t file, const std::string& name, const LabelDef& row, AccessLabel label, int rank,
                  const hsize_t* dims, float scale, const std::string& unit) {
  const htri_t exists = H5Lexists(file, name.c_str(), H5P_DEFAULT);
  if (exists > 0) return 0;  // an existing dataset is left as it is
  const hid_t fileType = fileTypeOf(row.storedType);
  if (fileType < 0) return kErrDatasetCreate;
  H5Space space(H5Screate_simple(rank, dims, nullptr));
  if (!space) {
    trace("setDimSize ERROR - 1[%s]\n", name.c_str());
    return kErrMemSpace;
  }
  H5Plist dcpl(H5Pcreate(H5P_DATASET_CREATE));
  if (!dcpl) return kErrDatasetCreate;
  hsize_t chunk[3] = {1, 1, 1};
  const int scanAxis = rank == 3 && !isLayeredDataset(label) ? 1 : 0;
  chunkShape(rank, dims, scanAxis, H5Tget_size(fileType), chunk);
  if (H5Pset_chunk(dcpl.get(), rank, chunk) < 0 || H5Pset_shuffle(dcpl.get()) < 0 ||
      H5Pset_deflate(dcpl.get(), kDeflateLevel) < 0) {
    return kErrDatasetCreate;
  }
  if (setFillValue(dcpl.get(), row.storedType) < 0 || H5Pset_fill_time(dcpl.get(), H5D_FILL_TIME_IFSET) < 0) {
    return kErrWrite;
  }
  H5Dataset dataset(H5Dcreate2(file, name.c_str(), fileType, space.get(), H5P_DEFAULT, dcpl.get(), H5P_DEFAULT));
  if (!dataset) return kErrDatasetCreate;
  int rc = setScaleFactor(dataset.get(), scale);
  if (rc < 0) return rc;
  rc = setUnit(dataset.get(), unit.c_str());
  if (rc < 0) return rc;
  return dataset.close() ? 0 : kErrDatasetCreate;
}

// --- string attributes -----------------------------------------------------------------------

// Result of overwriteString when a fixed-length attribute cannot hold the text.
constexpr int kTooShort = 1;

// Writes `text` into an existing string attribute, keeping its type: 0, kTooShort, or
// -521 (type unreadable), -526 (not a string), -527/-528 (string type), -525 (write).
int overwriteString(hid_t attr, const char* text) {
  H5Type fileType(H5Aget_type(attr));
  if (!fileType) return kErrAttrType;
  if (H5Tget_class(fileType.get()) != H5T_STRING) return kErrAttrNotString;
  const htri_t variable = H5Tis_variable_str(fileType.get());
  if (variable < 0) return kErrAttrType;
  H5Space space(H5Aget_space(attr));
  if (!space) return kErrAttrWrite;
  const hssize_t points = H5Sget_simple_extent_npoints(space.get());
  if (points <= 0 || points > kMaxAttributeElements) return kErrAttrWrite;
  const auto count = static_cast<std::size_t>(points);
  H5Type memType(H5Tcopy(H5T_C_S1));
  if (!memType) return kErrStringCopy;
  // The memory type carries the file type's character set: HDF5 does not convert between them.
  H5Tset_cset(memType.get(), H5Tget_cset(fileType.get()));
  if (variable > 0) {
    if (H5Tset_size(memType.get(), H5T_VARIABLE) < 0) return kErrStringType;
    std::vector<const char*> pointers(count, "");
    pointers[0] = text;
    return H5Awrite(attr, memType.get(), pointers.data()) < 0 ? kErrAttrWrite : 0;
  }
  const std::size_t size = H5Tget_size(fileType.get());
  const H5T_str_t pad = H5Tget_strpad(fileType.get());
  const std::size_t length = std::strlen(text);
  if (size == 0 || length > size || (length == size && pad == H5T_STR_NULLTERM)) return kTooShort;
  if (H5Tset_size(memType.get(), size) < 0 || H5Tset_strpad(memType.get(), pad) < 0) return kErrStringType;
  std::string buffer(size * count, pad == H5T_STR_SPACEPAD ? ' ' : '\0');
  std::memcpy(buffer.data(), text, length);
  return H5Awrite(attr, memType.get(), buffer.data()) < 0 ? kErrAttrWrite : 0;
}

// Creates a root attribute as a one-element array of variable-length strings holding `text`.
int createRootString(hid_t file, const char* name, const char* text) {
  H5Type type(H5Tcopy(H5T_C_S1));
  if (!type) {
    trace("setMetaDataName ERROR - 1\n");
    return kErrStringCopy;
  }
  if (H5Tset_size(type.get(), H5T_VARIABLE) < 0) {
    trace("setMetaDataName ERROR - 2\n");
    return kErrStringType;
  }
  H5Tset_cset(type.get(), charsetOf(text));
  const hsize_t one = 1;
  H5Space space(H5Screate_simple(1, &one, nullptr));
  if (!space) return kErrMemSpace;
  H5Attr attr(H5Acreate2(file, name, type.get(), space.get(), H5P_DEFAULT, H5P_DEFAULT));
  if (!attr) {
    trace("setMetaDataName ERROR - 3\n");
    return kErrAttrCreate;
  }
  if (H5Awrite(attr.get(), type.get(), &text) < 0 || !attr.close()) {
    trace("setMetaDataName ERROR - 6\n");
    return kErrAttrWrite;
  }
  return 0;
}

hid_t openRootAttributeByIndex(hid_t file, hsize_t index0) {
  hid_t attr = H5Aopen_by_idx(file, ".", H5_INDEX_CRT_ORDER, H5_ITER_INC, index0, H5P_DEFAULT, H5P_DEFAULT);
  if (attr < 0) attr = H5Aopen_by_idx(file, ".", H5_INDEX_NAME, H5_ITER_INC, index0, H5P_DEFAULT, H5P_DEFAULT);
  return attr;
}

// --- typed writes ----------------------------------------------------------------------------

template <typename I>
int writeLayers(ProductHandle handle, const std::vector<I>& buffer, int begin, int end, AccessLabel label,
                const LayerInfo& layer) {
  if constexpr (!std::is_same_v<I, std::int32_t> && !std::is_same_v<I, float>) {
    (void)handle; (void)buffer; (void)begin; (void)end; (void)label; (void)layer;
    return kErrOutputType;
  } else {
    const hid_t file = fileId(handle);
    const LabelDef* row = nullptr;
    std::string name;
    int rc = findLabelDef(handle, layer.allLayers, row, name);
    if (rc < 0) return rc;
    CheckedDataset ds;
    if ((rc = detail::openChecked(file, name, *row, ds)) < 0) return rc;
    if (ds.rank != 3) return kErrRank;
    const hsize_t present = std::min<hsize_t>(ds.dims[2], 3);
    std::vector<hsize_t> layers;
    if (layer.layer < 0) {
      for (hsize_t l = 0; l < present; ++l) layers.push_back(l);
    } else if (static_cast<hsize_t>(layer.layer) < present) {
      layers.push_back(static_cast<hsize_t>(layer.layer));
    }
    if (layers.empty()) return kErrEmptySelection;
    RowRange range;
    if ((rc = writeRows(file, begin, end, ds.dims[0], isLevel2GeophysicalLabel(label), range)) < 0) return rc;
    const hsize_t perLayer = range.count * ds.dims[1];
    if (perLayer == 0) return kErrEmptySelection;
    if (buffer.size() < perLayer * layers.size()) return kErrBadDims;
    double scale = 1.0;
    if ((rc = writableScale(ds.dataset.get(), scale)) < 0) return rc;
    H5Space memSpace(H5Screate_simple(1, &perLayer, nullptr));
    if (!memSpace) return kErrMemSpace;
    std::vector<std::int16_t> stored;
    if (!tryAllocate([&] { stored.resize(perLayer); })) return kErrNoMemory;
    for (std::size_t i = 0; i < layers.size(); ++i) {
      const I* in = buffer.data() + i * perLayer;
      for (hsize_t k = 0; k < perLayer; ++k) {
        stored[k] = toStored<std::int16_t>(static_cast<double>(in[k]), scale, true);
      }
      const hsize_t start[3] = {range.first, 0, layers[i]};
      const hsize_t count[3] = {range.count, ds.dims[1], 1};
      if (H5Sselect_hyperslab(ds.space.get(), H5S_SELECT_SET, start, nullptr, count, nullptr) < 0) {
        return kErrScanSelection;
      }
      if (H5Dwrite(ds.dataset.get(), H5T_NATIVE_SHORT, memSpace.get(), ds.space.get(), H5P_DEFAULT,
                   stored.data()) < 0) {
        return kErrWrite;
      }
    }
    return ds.dataset.close() ? 0 : kErrWrite;
  }
}

template <typename I>
int writeLabel(ProductHandle handle, const std::vector<I>& buffer, int begin, int end, AccessLabel label) {
  int rc = detail::checkReadArguments(handle, begin, end, label);
  if (rc < 0) return rc;
  if (buffer.empty()) return kErrNullRecords;
  if (isComposite(label) || isGeolocationLabel(label)) return kErrDerivedLabel;
  const LabelDef* row = nullptr;
  std::string name;
  if ((rc = findLabelDef(handle, label, row, name)) < 0) return rc;
  if (!permitted(*row, outputTypeOf<I>())) return kErrOutputType;
  LayerInfo layer{};
  if (layerInfo(label, layer)) return writeLayers(handle, buffer, begin, end, label, layer);

  const hid_t file = fileId(handle);
  CheckedDataset ds;
  if ((rc = detail::openChecked(file, name, *row, ds)) < 0) return rc;
  const int axis = ds.rank == 3 ? 1 : 0;
  RowRange range;
  if ((rc = writeRows(file, begin, end, ds.dims[axis], true, range)) < 0) return rc;
  hsize_t start[3] = {0, 0, 0};
  hsize_t count[3] = {ds.dims[0], ds.dims[1], ds.dims[2]};
  start[axis] = range.first;
  count[axis] = range.count;
  hsize_t elements = 1;
  for (int i = 0; i < ds.rank; ++i) elements *= count[i];
  if (elements == 0) return kErrEmptySelection;
  if (elements > detail::kMaxRequestBytes) return kErrNoMemory;

  Native native{};
  if ((rc = classify(ds.dataset.get(), native)) < 0) return rc;
  const bool bitExpand = std::is_same_v<I, std::int32_t> && isBitExpandedLabel(label) && bitsOf(native) > 0;
  const hsize_t needed = elements * (bitExpand ? static_cast<hsize_t>(bitsOf(native)) : 1);
  if (buffer.size() < needed) return kErrBadDims;
  double scale = 1.0;
  if ((rc = writableScale(ds.dataset.get(), scale)) < 0) return rc;
  if (H5Sselect_hyperslab(ds.space.get(), H5S_SELECT_SET, start, nullptr, count, nullptr) < 0) return kErrScanSelection;
  H5Space memSpace(H5Screate_simple(ds.rank, count, nullptr));
  if (!memSpace) return kErrMemSpace;
  rc = dispatchWrite(native, ds.dataset.get(), memSpace.get(), ds.space.get(), buffer.data(),
                     static_cast<std::size_t>(elements), scale, false, bitExpand);
  if (rc < 0) return rc;
  return ds.dataset.close() ? 0 : kErrWrite;
}

}  // namespace

// --- files -----------------------------------------------------------------------------------

ProductHandle createProduct(const char* path, int mode) {
  H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
  refreshTraceSwitch();
  if (mode != kOutputCreate && mode != kOutputUpdate) return kErrBadMode;
  if (!libraryRecentEnough() || path == nullptr || *path == '\0') return kErrOpen;
  // Closing the file closes whatever is still open in it, so that a close really ends it.
  H5Plist fapl(H5Pcreate(H5P_FILE_ACCESS));
  if (!fapl || H5Pset_fclose_degree(fapl.get(), H5F_CLOSE_STRONG) < 0) return kErrOpen;
  hid_t file = -1;
  if (mode == kOutputCreate) {
    // Root attributes keep the order in which they are written, as the readers index them.
    H5Plist fcpl(H5Pcreate(H5P_FILE_CREATE));
    if (!fcpl || H5Pset_attr_creation_order(fcpl.get(), H5P_CRT_ORDER_TRACKED | H5P_CRT_ORDER_INDEXED) < 0) {
      return kErrOpen;
    }
    file = H5Fcreate(path, H5F_ACC_TRUNC, fcpl.get(), fapl.get());
  } else {
    file = H5Fopen(path, H5F_ACC_RDWR, fapl.get());
  }
  if (file < 0) {
    trace("File open error@H5Fcreate\n");
    return kErrOpen;
  }
  return file;
}

int closeOutput(ProductHandle handle) {
  if (handle <= 0) return kErrClose;
  const bool flushed = H5Fflush(fileId(handle), H5F_SCOPE_LOCAL) >= 0;
  const bool closed = H5Fclose(fileId(handle)) >= 0;
  return flushed && closed ? 0 : kErrClose;
}

// --- datasets --------------------------------------------------------------------------------

int setDimSize(ProductHandle handle, AccessLabel label, const DimSize& in) {
  if (handle == 0) return kErrNullHandle;
  const std::int32_t* d = in.dims;
  int rank = 0;
  if (d[0] > 0 && d[1] == 0 && d[2] == 0) rank = 1;
  else if (d[0] > 0 && d[1] > 0 && d[2] == 0) rank = 2;
  else if (d[0] > 0 && d[1] > 0 && d[2] > 0) rank = 3;
  else return kErrBadDims;

  const GeolocationRule* geo = geolocationRule(label);
  if (geo != nullptr && geo->source != PositionSource::Stored) return kErrDerivedLabel;
  LayerInfo layer{};
  if (isComposite(label) || (layerInfo(label, layer) && layer.layer >= 0)) return kErrDerivedLabel;

  const LabelDef* row = nullptr;
  std::string name;
  int rc = findLabelDef(handle, label, row, name);
  if (rc < 0) return rc;
  if (rank != row->rank) return kErrBadDims;
  // Extents the readers would refuse are refused here already.
  const std::int32_t nominal[3] = {row->dim0, row->dim1, row->dim2};
  hsize_t dims[3] = {0, 0, 0};
  for (int i = 0; i < rank; ++i) {
    dims[i] = static_cast<hsize_t>(d[i]);
    if (dims[i] > static_cast<hsize_t>(nominal[i] > 0 ? nominal[i] : 1) * detail::kExtentFactor) return kErrBadDims;
  }

  float scale = row->scaleFactor;
  std::string unit = row->unit != nullptr ? row->unit : "";
  if (isGeophysicalLabel(label)) {
    // The quantity's own factor and unit; a quantity the mapping file does not list keeps
    // the label's.
    std::string quantity;
    GeophysicalMapping mapping;
    if (detail::readRootAttribute(fileId(handle), "GeophysicalName", quantity, kErrGeophysicalName) >= 0 &&
        findGeophysicalMapping(quantity, mapping) >= 0 && std::isfinite(mapping.scale) && mapping.scale != 0.0) {
      scale = static_cast<float>(mapping.scale);
      unit = mapping.unit;
    }
  }
  const hid_t file = fileId(handle);
  if (geo != nullptr) {
    rc = createDataset(file, geo->latitudeDataset, *row, label, rank, dims, scale, unit);
    if (rc < 0) return rc;
    return createDataset(file, geo->longitudeDataset, *row, label, rank, dims, scale, unit);
  }
  return createDataset(file, name, *row, label, rank, dims, scale, unit);
}

// --- attributes ------------------------------------------------------------------------------

int setMetaDataName(ProductHandle handle, const char* name, const char* text) {
  if (handle == 0) return kErrNullHandle;
  if (name == nullptr || text == nullptr) return kErrNullArgument;
  const hid_t file = fileId(handle);
  if (H5Aexists(file, name) > 0) {
    int rc = kErrAttrWrite;
    {
      H5Attr attr(H5Aopen(file, name, H5P_DEFAULT));
      if (attr) rc = overwriteString(attr.get(), text);
    }
    if (rc == 0) return 0;
    if (rc != kTooShort) {
      if (rc == kErrAttrWrite) trace("setMetaDataName ERROR - 6\n");
      return rc;
    }
    // A fixed-length text too short for the new one is replaced by a variable-length text.
    if (H5Adelete(file, name) < 0) return kErrAttrWrite;
  }
  return createRootString(file, name, text);
}

int setMetaData(ProductHandle handle, int index, const char* text) {
  if (handle == 0) return kErrNullHandle;
  if (index <= 0) return kErrBadIndex;
  if (text == nullptr) return kErrNullArgument;
  H5Attr attr(openRootAttributeByIndex(fileId(handle), static_cast<hsize_t>(index - 1)));
  if (!attr) {
    trace("setMetaData Open ERROR \n");
    return kErrAttrIndex;
  }
  int rc = overwriteString(attr.get(), text);
  if (rc == kTooShort) rc = kErrAttrWrite;
  if (rc == kErrAttrType) trace("setMetaData ERROR - 1\n");
  if (rc == kErrAttrNotString) trace("setMetaData ERROR - 4\n");
  if (rc == kErrAttrWrite) trace("setMetaData ERROR - 3\n");
  if (rc < 0) return rc;
  return attr.close() ? 0 : kErrAttrWrite;
}

int setUnit(std::int64_t dataset, const char* text) {
  if (text == nullptr) return kErrNullArgument;
  const hid_t ds = static_cast<hid_t>(dataset);
  const htri_t exists = H5Aexists(ds, "UNIT");
  if (exists < 0) return kErrAttrType;
  if (exists > 0 && H5Adelete(ds, "UNIT") < 0) return kErrAttrWrite;
  H5Type type(H5Tcopy(H5T_C_S1));
  if (!type) {
    trace("setUnit ERROR - 1\n");
    return kErrStringCopy;
  }
  if (H5Tset_size(type.get(), std::strlen(text) + 1) < 0 || H5Tset_strpad(type.get(), H5T_STR_NULLTERM) < 0) {
    trace("setUnit ERROR - 2\n");
    return kErrStringType;
  }
  H5Tset_cset(type.get(), charsetOf(text));
  H5Space space(H5Screate(H5S_SCALAR));
  if (!space) return kErrMemSpace;
  H5Attr attr(H5Acreate2(ds, "UNIT", type.get(), space.get(), H5P_DEFAULT, H5P_DEFAULT));
  if (!attr) return kErrAttrCreate;
  if (H5Awrite(attr.get(), type.get(), text) < 0 || !attr.close()) return kErrAttrWrite;
  return 0;
}

int setScaleFactor(std::int64_t dataset, float value) {
  const hid_t ds = static_cast<hid_t>(dataset);
  const htri_t exists = H5Aexists(ds, "SCALE FACTOR");
  if (exists < 0) return kErrAttrType;
  if (exists > 0 && H5Adelete(ds, "SCALE FACTOR") < 0) return kErrAttrWrite;
  H5Space space(H5Screate(H5S_SCALAR));
  if (!space) return kErrMemSpace;
  H5Attr attr(H5Acreate2(ds, "SCALE FACTOR", H5T_IEEE_F32LE, space.get(), H5P_DEFAULT, H5P_DEFAULT));
  if (!attr) return kErrAttrCreate;
  if (H5Awrite(attr.get(), H5T_NATIVE_FLOAT, &value) < 0 || !attr.close()) return kErrAttrWrite;
  return 0;
}

// --- values ----------------------------------------------------------------------------------

int setData(ProductHandle handle, const std::vector<std::int32_t>& buffer, int begin, int end, AccessLabel label) {
  return writeLabel(handle, buffer, begin, end, label);
}
int setData(ProductHandle handle, const std::vector<std::uint8_t>& buffer, int begin, int end, AccessLabel label) {
  return writeLabel(handle, buffer, begin, end, label);
}
int setData(ProductHandle handle, const std::vector<float>& buffer, int begin, int end, AccessLabel label) {
  return writeLabel(handle, buffer, begin, end, label);
}
int setData(ProductHandle handle, const std::vector<double>& buffer, int begin, int end, AccessLabel label) {
  return writeLabel(handle, buffer, begin, end, label);
}

int setLatLon(ProductHandle handle, const std::vector<LatLon>& positions, int begin, int end, AccessLabel label) {
  int rc = detail::checkReadArguments(handle, begin, end, label);
  if (rc < 0) return rc;
  if (positions.empty()) return kErrNullRecords;
  const GeolocationRule* rule = geolocationRule(label);
  if (rule == nullptr || rule->source != PositionSource::Stored) return kErrDerivedLabel;
  const LabelDef* row = findInTable(labelTable(TableId::Geolocation), label);
  if (row == nullptr) return kErrUndefinedLabel;
  const hid_t file = fileId(handle);
  const char* names[2] = {rule->latitudeDataset, rule->longitudeDataset};
  std::vector<float> values;
  for (int which = 0; which < 2; ++which) {
    CheckedDataset ds;
    if ((rc = detail::openChecked(file, names[which], *row, ds)) < 0) return rc;
    double scale = 1.0;
    if ((rc = writableScale(ds.dataset.get(), scale)) < 0) return rc;
    RowRange rows;
    if ((rc = writeRows(file, begin, end, ds.dims[0], true, rows)) < 0) return rc;
    const hsize_t start[2] = {rows.first, 0};
    const hsize_t extent[2] = {rows.count, ds.rank == 2 ? ds.dims[1] : 1};
    const hsize_t n = extent[0] * extent[1];
    if (n * sizeof(float) > detail::kMaxRequestBytes) return kErrNoMemory;
    if (positions.size() < n) return kErrBadDims;
    if (!tryAllocate([&] { values.resize(static_cast<std::size_t>(n)); })) return kErrNoMemory;
    for (std::size_t i = 0; i < values.size(); ++i) {
      const float v = which == 0 ? positions[i].lat : positions[i].lon;
      values[i] = static_cast<float>(v / scale);
    }
    if (H5Sselect_hyperslab(ds.space.get(), H5S_SELECT_SET, start, nullptr, extent, nullptr) < 0) {
      return kErrScanSelection;
    }
    H5Space mem(H5Screate_simple(ds.rank, extent, nullptr));
    if (!mem) return kErrMemSpace;
    if (H5Dwrite(ds.dataset.get(), H5T_NATIVE_FLOAT, mem.get(), ds.space.get(), H5P_DEFAULT, values.data()) < 0 ||
        !ds.dataset.close()) {
      return kErrWrite;
    }
  }
  return 0;
}

int setScanQuality(ProductHandle handle, const std::vector<std::uint8_t>& bytes, int begin, int end,
                   AccessLabel label) {
  int rc = detail::checkReadArguments(handle, begin, end, label);
  if (rc < 0) return rc;
  if (bytes.empty()) return kErrNullRecords;
  const LabelDef* row = nullptr;
  std::string name;
  if ((rc = findLabelDef(handle, label, row, name)) < 0) return rc;
  const hid_t file = fileId(handle);
  CheckedDataset ds;
  if ((rc = detail::openChecked(file, name, *row, ds)) < 0) return rc;
  if (ds.rank != 2 || ds.dims[1] != kScanQualityBytes) return kErrExtents;
  RowRange range;
  if ((rc = writeRows(file, begin, end, ds.dims[0], true, range)) < 0) return rc;
  const hsize_t start[2] = {range.first, 0};
  const hsize_t count[2] = {range.count, kScanQualityBytes};
  if (bytes.size() < range.count * kScanQualityBytes) return kErrBadDims;
  if (H5Sselect_hyperslab(ds.space.get(), H5S_SELECT_SET, start, nullptr, count, nullptr) < 0) return kErrScanSelection;
  H5Space mem(H5Screate_simple(2, count, nullptr));
  if (!mem) return kErrMemSpace;
  if (H5Dwrite(ds.dataset.get(), H5T_NATIVE_UCHAR, mem.get(), ds.space.get(), H5P_DEFAULT, bytes.data()) < 0 ||
      !ds.dataset.close()) {
    return kErrWrite;
  }
  return 0;
}

}  // namespace kivo::io
