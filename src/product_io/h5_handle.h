#pragma once

#include <hdf5.h>

#include <utility>

namespace kivo::io {

// Owns one HDF5 identifier and closes it with the matching close call.
template <herr_t (*Close)(hid_t)>
class H5Id {
 public:
  H5Id() = default;
  explicit H5Id(hid_t id) : id_(id) {}
  H5Id(const H5Id&) = delete;
  H5Id& operator=(const H5Id&) = delete;
  H5Id(H5Id&& other) noexcept : id_(std::exchange(other.id_, -1)) {}
  H5Id& operator=(H5Id&& other) noexcept {
    if (this != &other) {
      reset();
      id_ = std::exchange(other.id_, -1);
    }
    return *this;
  }
  ~H5Id() { reset(); }

  hid_t get() const { return id_; }
  bool valid() const { return id_ >= 0; }
  explicit operator bool() const { return valid(); }
  void reset(hid_t id = -1) {
    if (id_ >= 0) Close(id_);
    id_ = id;
  }
  // Closes now and reports whether the close succeeded.
  bool close() {
    herr_t rc = id_ >= 0 ? Close(id_) : 0;
    id_ = -1;
    return rc >= 0;
  }

 private:
  hid_t id_ = -1;
};

using H5Dataset = H5Id<H5Dclose>;
using H5Space = H5Id<H5Sclose>;
using H5Type = H5Id<H5Tclose>;
using H5Attr = H5Id<H5Aclose>;
using H5Group = H5Id<H5Gclose>;
using H5Plist = H5Id<H5Pclose>;
using H5File = H5Id<H5Fclose>;

}  // namespace kivo::io
