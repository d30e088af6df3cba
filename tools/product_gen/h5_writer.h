// Small HDF5 writing helper for AMSR2-style products and for test fixtures.
#pragma once

#include <string>
#include <vector>

namespace kivo::gen {

// Little-endian file element types, numbered as the product label tables number them.
enum class Stored { I16 = 1, U16 = 2, F32 = 3, F64 = 4, I8 = 5, U8 = 6 };

// Size in bytes of one element of a stored type.
int storedSize(Stored type);

struct DatasetOptions {
  std::vector<unsigned long long> chunk;  // empty: contiguous; else chunk dims (clipped to dims)
  int gzip = 0;                           // deflate level, 0 = none (needs chunk)
  bool writeScale = true;                 // "SCALE FACTOR": scalar H5T_IEEE_F32LE attribute
  float scale = 1.0f;
  bool writeUnit = true;                  // "UNIT": scalar fixed-length string, text length + 1, null-terminated
  std::string unit;
};

// Owns one HDF5 file opened for writing; the destructor closes it.
// Every operation returns false on failure and never throws.
class H5Writer {
 public:
  H5Writer() = default;
  ~H5Writer();
  H5Writer(const H5Writer&) = delete;
  H5Writer& operator=(const H5Writer&) = delete;
  H5Writer(H5Writer&& other) noexcept;
  H5Writer& operator=(H5Writer&& other) noexcept;

  // Creates (truncating) the file. With trackAttributeOrder the root group tracks and
  // indexes attribute creation order, so root attributes read back in the order written.
  bool create(const std::string& path, bool trackAttributeOrder = true);

  // Root attribute as a one-element (rank 1, size 1) array of variable-length ASCII strings.
  bool addRootString(const std::string& name, const std::string& value);
  // Root attribute as a scalar fixed-length string of text length + 1, null-terminated.
  bool addRootFixedString(const std::string& name, const std::string& value);

  // Creates dataset `name` of `type` with `dims` and writes `data` (native layout of the
  // stored type, row-major) unless data is nullptr.
  bool addDataset(const std::string& name, Stored type, const std::vector<unsigned long long>& dims,
                  const void* data, const DatasetOptions& opt = {});

  long long fileId() const { return file_; }  // the raw hid_t, or -1 when no file is open
  bool isOpen() const { return file_ >= 0; }
  bool close();

 private:
  long long file_ = -1;
};

}  // namespace kivo::gen
