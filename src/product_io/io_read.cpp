#include <hdf5.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <type_traits>

#include "product_io/allocation.h"
#include "product_io/amsr2_io.h"
#include "product_io/chunk_read.h"
#include "product_io/io_internal.h"
#include "product_io/trace.h"

namespace kivo::io {
namespace {

using detail::CheckedDataset;
using detail::RowRange;

// Element type of a dataset as the reads distinguish it.
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

std::size_t nativeSize(Native n) {
  switch (n) {
    case Native::F64: return 8;
    case Native::F32: case Native::I32: case Native::U32: return 4;
    case Native::I16: case Native::U16: return 2;
    default: return 1;
  }
}

// Stored values that mean "no observation" are passed through unscaled.
template <typename S>
constexpr bool isInvalid(S v) {
  if constexpr (std::is_floating_point_v<S>) {
    return v < static_cast<S>(-9997.0);
  } else if constexpr (std::is_same_v<S, std::int16_t>) {
    return v <= -32766;
  } else if constexpr (std::is_same_v<S, std::uint16_t>) {
    return v >= 65533;
  } else if constexpr (std::is_same_v<S, std::uint8_t>) {
    return v >= 253;
  } else {
    return false;
  }
}

// Rounds to int32 with saturation; NaN becomes the smallest int32.
std::int32_t toInt32(double v) {
  if (std::isnan(v)) return std::numeric_limits<std::int32_t>::min();
  if (v >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
  if (v <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(v);
}

// Truncates to an integer and keeps the low byte (two's complement).
template <typename S>
std::uint8_t lowByte(S v) {
  if constexpr (std::is_floating_point_v<S>) {
    if (!std::isfinite(v) || std::fabs(v) >= 9.2e18) return 0;
    return static_cast<std::uint8_t>(static_cast<std::uint64_t>(static_cast<std::int64_t>(v)) & 0xFFu);
  } else {
    return static_cast<std::uint8_t>(static_cast<std::uint64_t>(static_cast<std::int64_t>(v)) & 0xFFu);
  }
}

template <typename S, typename O>
void convert(const S* in, std::size_t n, float scale, O* out) {
  if constexpr (std::is_same_v<O, float>) {
    for (std::size_t i = 0; i < n; ++i) {
      const S v = in[i];
      out[i] = isInvalid(v) ? static_cast<float>(v) : static_cast<float>(v) * scale;
    }
  } else if constexpr (std::is_same_v<O, double>) {
    const double s = scale;
    for (std::size_t i = 0; i < n; ++i) {
      const S v = in[i];
      out[i] = isInvalid(v) ? static_cast<double>(v) : static_cast<double>(v) * s;
    }
  } else if constexpr (std::is_same_v<O, std::int32_t>) {
    const double s = scale;
    for (std::size_t i = 0; i < n; ++i) {
      const S v = in[i];
      out[i] = isInvalid(v) ? toInt32(static_cast<double>(v)) : toInt32(std::floor(static_cast<double>(v) * s + 0.5));
    }
  } else {
    const double s = scale;
    for (std::size_t i = 0; i < n; ++i) {
      const S v = in[i];
      if (isInvalid(v)) {
        out[i] = lowByte(v);
        continue;
      }
      const double scaled = static_cast<double>(v) * s;
      out[i] = std::floor(scaled) < 256.0 ? lowByte(std::floor(scaled + 0.5)) : lowByte(v);
    }
  }
}

// Every stored element becomes one int32 per bit, least significant bit first.
template <typename S>
void expandBits(const S* in, std::size_t n, std::int32_t* out) {
  constexpr int bits = 8 * sizeof(S);
  for (std::size_t i = 0; i < n; ++i) {
    const auto v = static_cast<std::uint64_t>(static_cast<std::make_unsigned_t<S>>(in[i]));
    for (int b = 0; b < bits; ++b) *out++ = static_cast<std::int32_t>((v >> b) & 1u);
  }
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

// Selects rows [range] on `axis` of the dataset and everything on the other axes.
int selectBlock(const CheckedDataset& ds, int axis, const RowRange& range, H5Space& memSpace, hsize_t& elements) {
  hsize_t start[3] = {0, 0, 0};
  hsize_t count[3] = {ds.dims[0], ds.dims[1], ds.dims[2]};
  start[axis] = range.first;
  count[axis] = range.count;
  if (H5Sselect_hyperslab(ds.space.get(), H5S_SELECT_SET, start, nullptr, count, nullptr) < 0) {
    return kErrScanSelection;
  }
  elements = 1;
  for (int i = 0; i < ds.rank; ++i) elements *= count[i];
  // A memory space of the selection's own shape lets HDF5 copy whole chunks at once.
  memSpace.reset(H5Screate_simple(ds.rank, count, nullptr));
  return memSpace ? 0 : kErrMemSpace;
}

// Where a read lies in its dataset: rows `range` on `axis`, everything on the other axes.
struct Block {
  int axis = 0;
  RowRange range;
};

// Reads the selected block as stored: whole rows of axis 0 straight from the chunks, any
// other block through H5Dread.
int readBlock(const CheckedDataset& ds, const H5Space& memSpace, const Block& block, hid_t memType, void* out) {
  if (block.axis == 0 && detail::readRowsDirect(ds, block.range.first, block.range.count, memType, out)) return 0;
  return H5Dread(ds.dataset.get(), memType, memSpace.get(), ds.space.get(), H5P_DEFAULT, out) < 0 ? kErrRead : 0;
}

template <typename S, typename O>
int readAndConvert(const CheckedDataset& ds, const H5Space& memSpace, const Block& block, Native native,
                   std::size_t elements, float scale, bool bitExpand, O* out) {
  std::unique_ptr<S[]> stored;
  if (!tryAllocate([&] { stored = std::make_unique_for_overwrite<S[]>(elements); })) return kErrNoMemory;
  if (const int rc = readBlock(ds, memSpace, block, memTypeOf(native), stored.get()); rc < 0) return rc;
  if constexpr (std::is_same_v<O, std::int32_t> && std::is_integral_v<S>) {
    if (bitExpand) {
      expandBits(stored.get(), elements, out);
      return 0;
    }
  }
  convert(stored.get(), elements, scale, out);
  return 0;
}

template <typename O>
int dispatchRead(const CheckedDataset& ds, const H5Space& memSpace, const Block& block, Native native,
                 std::size_t elements, float scale, bool bitExpand, O* out) {
  switch (native) {
    case Native::F32: return readAndConvert<float>(ds, memSpace, block, native, elements, scale, bitExpand, out);
    case Native::F64: return readAndConvert<double>(ds, memSpace, block, native, elements, scale, bitExpand, out);
    case Native::I16: return readAndConvert<std::int16_t>(ds, memSpace, block, native, elements, scale, bitExpand, out);
    case Native::U16: return readAndConvert<std::uint16_t>(ds, memSpace, block, native, elements, scale, bitExpand, out);
    case Native::I8: return readAndConvert<std::int8_t>(ds, memSpace, block, native, elements, scale, bitExpand, out);
    case Native::U8: return readAndConvert<std::uint8_t>(ds, memSpace, block, native, elements, scale, bitExpand, out);
    case Native::I32: return readAndConvert<std::int32_t>(ds, memSpace, block, native, elements, scale, bitExpand, out);
    case Native::U32: return readAndConvert<std::uint32_t>(ds, memSpace, block, native, elements, scale, bitExpand, out);
  }
  return kErrNativeType;
}

template <typename O>
constexpr OutputType outputTypeOf() {
  if constexpr (std::is_same_v<O, std::int32_t>) return kOutInt32;
  else if constexpr (std::is_same_v<O, std::uint8_t>) return kOutUInt8;
  else if constexpr (std::is_same_v<O, float>) return kOutFloat32;
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

// Layer read of a three-layer geophysical dataset stored [scan][pixel][layer].
template <typename O>
int layerRead(ProductHandle handle, std::vector<O>& buffer, int begin, int end, AccessLabel label,
              const LayerInfo& layer) {
  if constexpr (!std::is_same_v<O, std::int32_t> && !std::is_same_v<O, float>) {
    (void)handle; (void)begin; (void)end; (void)label; (void)layer;
    return kErrOutputType;
  } else {
    const LabelDef* row = nullptr;
    std::string name;
    int rc = findLabelDef(handle, layer.allLayers, row, name);
    if (rc < 0) return rc;
    CheckedDataset ds;
    const hid_t file = static_cast<hid_t>(handle);
    if ((rc = detail::openChecked(file, name, *row, ds)) < 0) return rc;
    if (ds.rank != 3) return kErrRank;

    const hsize_t present = ds.dims[2] < 3 ? ds.dims[2] : 3;
    std::vector<hsize_t> layers;
    if (layer.layer < 0) {
      for (hsize_t l = 0; l < present; ++l) layers.push_back(l);
    } else if (static_cast<hsize_t>(layer.layer) < present) {
      layers.push_back(static_cast<hsize_t>(layer.layer));
    }
    if (layers.empty()) return kErrEmptySelection;

    RowRange range;
    if ((rc = detail::selectRows(file, begin, end, ds.dims[0], isLevel2GeophysicalLabel(label), range)) < 0) return rc;
    const hsize_t perLayer = range.count * ds.dims[1];
    if (perLayer == 0) return kErrEmptySelection;
    const hsize_t blockElements = perLayer * ds.dims[2];
    if (blockElements * sizeof(std::int16_t) > detail::kMaxRequestBytes ||
        perLayer * layers.size() * sizeof(O) > detail::kMaxRequestBytes) {
      return kErrNoMemory;
    }

    float scale = 1.0f;
    if ((rc = detail::getScaleFactor(ds.dataset.get(), scale)) < 0) return rc;
    H5Space memSpace;
    hsize_t elements = 0;
    if ((rc = selectBlock(ds, 0, range, memSpace, elements)) < 0) return rc;
    std::unique_ptr<std::int16_t[]> block;
    if (!tryAllocate([&] { block = std::make_unique_for_overwrite<std::int16_t[]>(blockElements); })) return kErrNoMemory;
    if ((rc = readBlock(ds, memSpace, Block{0, range}, H5T_NATIVE_SHORT, block.get())) < 0) return rc;
    if (!tryAllocate([&] { buffer.resize(perLayer * layers.size()); })) return kErrNoMemory;
    const hsize_t stride = ds.dims[2];
    O* out = buffer.data();
    for (hsize_t l : layers) {
      for (hsize_t i = 0; i < perLayer; ++i) {
        const std::int16_t v = block[i * stride + l];
        if constexpr (std::is_same_v<O, float>) {
          *out++ = v < -32766 ? static_cast<float>(v) : static_cast<float>(v) * scale;
        } else {
          *out++ = v < -32766 ? v : toInt32(std::floor(static_cast<double>(v) * scale + 0.5));
        }
      }
    }
    return static_cast<int>(buffer.size());
  }
}

template <typename O>
int generalRead(ProductHandle handle, std::vector<O>& buffer, int begin, int end, AccessLabel label) {
  buffer.clear();
  int rc = detail::checkReadArguments(handle, begin, end, label);
  if (rc < 0) return rc;
  const LabelDef* row = nullptr;
  std::string name;
  if ((rc = findLabelDef(handle, label, row, name)) < 0) return rc;
  if (!permitted(*row, outputTypeOf<O>())) return kErrOutputType;

  LayerInfo layer{};
  if (layerInfo(label, layer)) {
    rc = layerRead(handle, buffer, begin, end, label, layer);
    if (rc < 0) buffer.clear();
    return rc;
  }

  struct Member {
    CheckedDataset ds;
    RowRange range;
    int axis = 0;
    std::size_t elements = 0;
    bool bitExpand = false;
  };
  const hid_t file = static_cast<hid_t>(handle);
  const std::vector<AccessLabel> labels = compositeMembers(label);
  std::vector<Member> members(labels.size());
  std::size_t total = 0;
  for (std::size_t m = 0; m < labels.size(); ++m) {
    Member& mem = members[m];
    const LabelDef* memberRow = nullptr;
    std::string memberName;
    if ((rc = findLabelDef(handle, labels[m], memberRow, memberName)) < 0) return rc;
    if ((rc = detail::openChecked(file, memberName, *memberRow, mem.ds)) < 0) return rc;
    mem.axis = mem.ds.rank == 3 ? 1 : 0;
    if ((rc = detail::selectRows(file, begin, end, mem.ds.dims[mem.axis], true, mem.range)) < 0) return rc;
    hsize_t elements = 1;
    for (int i = 0; i < mem.ds.rank; ++i) elements *= (i == mem.axis ? mem.range.count : mem.ds.dims[i]);
    if (elements == 0) return kErrEmptySelection;
    mem.elements = static_cast<std::size_t>(elements);
    std::size_t perElement = 1;
    if constexpr (std::is_same_v<O, std::int32_t>) {
      Native native{};
      if (isBitExpandedLabel(labels[m]) && classify(mem.ds.dataset.get(), native) == 0 &&
          native != Native::F32 && native != Native::F64) {
        mem.bitExpand = true;
        perElement = 8 * nativeSize(native);
      }
    }
    if (mem.elements > detail::kMaxRequestBytes / sizeof(O) / perElement) return kErrNoMemory;
    total += mem.elements * perElement;
    if (total > detail::kMaxRequestBytes / sizeof(O)) return kErrNoMemory;
  }
  if (!tryAllocate([&] { buffer.resize(total); })) return kErrNoMemory;

  std::size_t offset = 0;
  for (Member& mem : members) {
    float scale = 1.0f;
    Native native{};
    H5Space memSpace;
    hsize_t elements = 0;
    if ((rc = detail::getScaleFactor(mem.ds.dataset.get(), scale)) < 0 ||
        (rc = classify(mem.ds.dataset.get(), native)) < 0 ||
        (rc = selectBlock(mem.ds, mem.axis, mem.range, memSpace, elements)) < 0 ||
        (rc = dispatchRead(mem.ds, memSpace, Block{mem.axis, mem.range}, native, mem.elements, scale, mem.bitExpand,
                           buffer.data() + offset)) < 0) {
      buffer.clear();
      return rc;
    }
    offset += mem.bitExpand ? mem.elements * 8 * nativeSize(native) : mem.elements;
  }
  if (total > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
    buffer.clear();
    return kErrNoMemory;
  }
  return static_cast<int>(total);
}

}  // namespace

int getData(ProductHandle handle, std::vector<std::int32_t>& buffer, int begin, int end, AccessLabel label) {
  return generalRead(handle, buffer, begin, end, label);
}
int getData(ProductHandle handle, std::vector<std::uint8_t>& buffer, int begin, int end, AccessLabel label) {
  return generalRead(handle, buffer, begin, end, label);
}
int getData(ProductHandle handle, std::vector<float>& buffer, int begin, int end, AccessLabel label) {
  return generalRead(handle, buffer, begin, end, label);
}
int getData(ProductHandle handle, std::vector<double>& buffer, int begin, int end, AccessLabel label) {
  return generalRead(handle, buffer, begin, end, label);
}

int getGridData(ProductHandle handle, std::vector<float>& buffer, AccessLabel label) {
  buffer.clear();
  if (handle == 0) return kErrNullHandle;
  const bool general = label == kLabelL3TbV || label == kLabelL3TbH || label == kLabelL3TbVH ||
                       label == kLabelL3StdDevV || label == kLabelL3StdDevH || label == kLabelL3StdDevVH;
  const bool layered = (label >= kLabelL3Geophysical && label <= kLabelL3GeophysicalAll) ||
                       (label >= kLabelL3StdDev && label <= kLabelL3StdDevAll);
  if ((!general && !layered) || label % 10 != 0) return kErrNotGridLabel;
  return generalRead(handle, buffer, kAllScans, kAllScans, label);
}

int getScanQuality(ProductHandle handle, std::vector<std::uint8_t>& buffer, int begin, int end, AccessLabel label) {
  buffer.clear();
  int rc = detail::checkReadArguments(handle, begin, end, label);
  if (rc < 0) return rc;
  const LabelDef* row = nullptr;
  std::string name;
  if ((rc = findLabelDef(handle, label, row, name)) < 0) return rc;
  CheckedDataset ds;
  const hid_t file = static_cast<hid_t>(handle);
  if ((rc = detail::openChecked(file, name, *row, ds)) < 0) return rc;
  constexpr hsize_t kRecordBytes = 512;
  if (ds.rank != 2 || ds.dims[1] != kRecordBytes) return kErrExtents;
  RowRange range;
  if ((rc = detail::selectRows(file, begin, end, ds.dims[0], true, range)) < 0) return rc;
  H5Space memSpace;
  hsize_t elements = 0;
  if ((rc = selectBlock(ds, 0, range, memSpace, elements)) < 0) return rc;
  if (!tryAllocate([&] { buffer.resize(static_cast<std::size_t>(elements)); })) return kErrNoMemory;
  if (H5Dread(ds.dataset.get(), H5T_NATIVE_UCHAR, memSpace.get(), ds.space.get(), H5P_DEFAULT, buffer.data()) < 0) {
    buffer.clear();
    return kErrRead;
  }
  return static_cast<int>(range.count);
}

}  // namespace kivo::io
