#include "h5_writer.h"

#include <hdf5.h>

#include <algorithm>
#include <utility>

namespace kivo::gen {
namespace {

// Closes an HDF5 identifier with the matching close call when it leaves scope.
class Handle {
 public:
  using Closer = herr_t (*)(hid_t);
  Handle(hid_t id, Closer closer) : id_(id), closer_(closer) {}
  ~Handle() {
    if (id_ >= 0) closer_(id_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  hid_t get() const { return id_; }
  bool ok() const { return id_ >= 0; }

 private:
  hid_t id_;
  Closer closer_;
};

hid_t fileType(Stored type) {
  switch (type) {
    case Stored::I16: return H5T_STD_I16LE;
    case Stored::U16: return H5T_STD_U16LE;
    case Stored::F32: return H5T_IEEE_F32LE;
    case Stored::F64: return H5T_IEEE_F64LE;
    case Stored::I8: return H5T_STD_I8LE;
    case Stored::U8: return H5T_STD_U8LE;
  }
  return -1;
}

hid_t memoryType(Stored type) {
  switch (type) {
    case Stored::I16: return H5T_NATIVE_INT16;
    case Stored::U16: return H5T_NATIVE_UINT16;
    case Stored::F32: return H5T_NATIVE_FLOAT;
    case Stored::F64: return H5T_NATIVE_DOUBLE;
    case Stored::I8: return H5T_NATIVE_INT8;
    case Stored::U8: return H5T_NATIVE_UINT8;
  }
  return -1;
}

// Fixed-length ASCII string type holding `text` and its terminating null.
hid_t fixedStringType(const std::string& text) {
  hid_t t = H5Tcopy(H5T_C_S1);
  if (t < 0) return t;
  if (H5Tset_size(t, text.size() + 1) < 0 || H5Tset_strpad(t, H5T_STR_NULLTERM) < 0 ||
      H5Tset_cset(t, H5T_CSET_ASCII) < 0) {
    H5Tclose(t);
    return -1;
  }
  return t;
}

bool writeScalarFixedString(hid_t location, const std::string& name, const std::string& value) {
  Handle type(fixedStringType(value), H5Tclose);
  Handle space(H5Screate(H5S_SCALAR), H5Sclose);
  if (!type.ok() || !space.ok()) return false;
  Handle attr(H5Acreate2(location, name.c_str(), type.get(), space.get(), H5P_DEFAULT, H5P_DEFAULT),
              H5Aclose);
  if (!attr.ok()) return false;
  return H5Awrite(attr.get(), type.get(), value.c_str()) >= 0;
}

bool writeScalarFloat(hid_t location, const std::string& name, float value) {
  Handle space(H5Screate(H5S_SCALAR), H5Sclose);
  if (!space.ok()) return false;
  Handle attr(H5Acreate2(location, name.c_str(), H5T_IEEE_F32LE, space.get(), H5P_DEFAULT, H5P_DEFAULT),
              H5Aclose);
  if (!attr.ok()) return false;
  return H5Awrite(attr.get(), H5T_NATIVE_FLOAT, &value) >= 0;
}

}  // namespace

int storedSize(Stored type) {
  switch (type) {
    case Stored::I16:
    case Stored::U16: return 2;
    case Stored::F32: return 4;
    case Stored::F64: return 8;
    case Stored::I8:
    case Stored::U8: return 1;
  }
  return 0;
}

H5Writer::~H5Writer() { close(); }

H5Writer::H5Writer(H5Writer&& other) noexcept : file_(std::exchange(other.file_, -1)) {}

H5Writer& H5Writer::operator=(H5Writer&& other) noexcept {
  if (this != &other) {
    close();
    file_ = std::exchange(other.file_, -1);
  }
  return *this;
}

bool H5Writer::create(const std::string& path, bool trackAttributeOrder) {
  close();
  H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
  Handle fcpl(H5Pcreate(H5P_FILE_CREATE), H5Pclose);
  if (!fcpl.ok()) return false;
  if (trackAttributeOrder &&
      H5Pset_attr_creation_order(fcpl.get(), H5P_CRT_ORDER_TRACKED | H5P_CRT_ORDER_INDEXED) < 0)
    return false;
  // No modification times in object headers, so equal content gives equal files.
  if (H5Pset_obj_track_times(fcpl.get(), 0) < 0) return false;
  hid_t f = H5Fcreate(path.c_str(), H5F_ACC_TRUNC, fcpl.get(), H5P_DEFAULT);
  if (f < 0) return false;
  file_ = f;
  return true;
}

bool H5Writer::addRootString(const std::string& name, const std::string& value) {
  if (file_ < 0) return false;
  Handle type(H5Tcopy(H5T_C_S1), H5Tclose);
  if (!type.ok() || H5Tset_size(type.get(), H5T_VARIABLE) < 0 ||
      H5Tset_cset(type.get(), H5T_CSET_ASCII) < 0 || H5Tset_strpad(type.get(), H5T_STR_NULLTERM) < 0)
    return false;
  const hsize_t one = 1;
  Handle space(H5Screate_simple(1, &one, nullptr), H5Sclose);
  if (!space.ok()) return false;
  Handle attr(H5Acreate2(file_, name.c_str(), type.get(), space.get(), H5P_DEFAULT, H5P_DEFAULT), H5Aclose);
  if (!attr.ok()) return false;
  const char* text = value.c_str();
  return H5Awrite(attr.get(), type.get(), &text) >= 0;
}

bool H5Writer::addRootFixedString(const std::string& name, const std::string& value) {
  if (file_ < 0) return false;
  return writeScalarFixedString(file_, name, value);
}

bool H5Writer::addDataset(const std::string& name, Stored type, const std::vector<unsigned long long>& dims,
                          const void* data, const DatasetOptions& opt) {
  if (file_ < 0 || dims.empty() || dims.size() > 32) return false;
  if (fileType(type) < 0) return false;
  std::vector<hsize_t> extents(dims.begin(), dims.end());
  Handle space(H5Screate_simple(static_cast<int>(extents.size()), extents.data(), nullptr), H5Sclose);
  Handle dcpl(H5Pcreate(H5P_DATASET_CREATE), H5Pclose);
  if (!space.ok() || !dcpl.ok()) return false;
  if (H5Pset_obj_track_times(dcpl.get(), 0) < 0) return false;
  if (!opt.chunk.empty()) {
    if (opt.chunk.size() != dims.size()) return false;
    std::vector<hsize_t> chunk(dims.size());
    for (size_t i = 0; i < dims.size(); ++i)
      chunk[i] = std::max<hsize_t>(1, std::min<hsize_t>(opt.chunk[i], dims[i]));
    if (H5Pset_chunk(dcpl.get(), static_cast<int>(chunk.size()), chunk.data()) < 0) return false;
    if (opt.gzip > 0 && H5Pset_deflate(dcpl.get(), static_cast<unsigned>(std::min(opt.gzip, 9))) < 0)
      return false;
  } else if (opt.gzip > 0) {
    return false;  // deflate needs a chunked layout
  }
  Handle dset(H5Dcreate2(file_, name.c_str(), fileType(type), space.get(), H5P_DEFAULT, dcpl.get(), H5P_DEFAULT),
              H5Dclose);
  if (!dset.ok()) return false;
  if (data != nullptr && H5Dwrite(dset.get(), memoryType(type), H5S_ALL, H5S_ALL, H5P_DEFAULT, data) < 0)
    return false;
  if (opt.writeScale && !writeScalarFloat(dset.get(), "SCALE FACTOR", opt.scale)) return false;
  if (opt.writeUnit && !writeScalarFixedString(dset.get(), "UNIT", opt.unit)) return false;
  return true;
}

bool H5Writer::close() {
  if (file_ < 0) return true;
  const herr_t status = H5Fclose(file_);
  file_ = -1;
  return status >= 0;
}

}  // namespace kivo::gen
