#pragma once

// Builds tiny product files with exact content for the reader tests.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include <hdf5.h>

#include "h5_writer.h"

namespace kivo::test {

using gen::Stored;

class TinyProduct {
 public:
  explicit TinyProduct(std::string path) : path_(std::move(path)) { EXPECT_TRUE(writer_.create(path_)); }

  TinyProduct& attr(const std::string& name, const std::string& value) {
    EXPECT_TRUE(writer_.addRootString(name, value));
    return *this;
  }

  TinyProduct& fixedAttr(const std::string& name, const std::string& value) {
    EXPECT_TRUE(writer_.addRootFixedString(name, value));
    return *this;
  }

  // The usual head of an AMSR2 product: name, quantity, GranuleID and overlap.
  TinyProduct& head(const std::string& productName, int overlap, const std::string& granule = "") {
    attr("ProductName", productName);
    attr("GeophysicalName", "Brightness Temperature");
    if (!granule.empty()) attr("GranuleID", granule);
    if (overlap >= 0) attr("OverlapScans", std::to_string(overlap));
    return *this;
  }

  template <typename T>
  TinyProduct& data(const std::string& name, Stored type, std::vector<unsigned long long> dims, const std::vector<T>& values,
                    float scale = 1.0f, bool writeScale = true) {
    gen::DatasetOptions opt;
    opt.scale = scale;
    opt.writeScale = writeScale;
    unsigned long long n = 1;
    for (auto d : dims) n *= d;
    EXPECT_EQ(n, values.size()) << name;
    EXPECT_TRUE(writer_.addDataset(name, type, dims, values.data(), opt)) << name;
    return *this;
  }

  // The same stored in chunks of `chunk` and, with gzip > 0, deflate-compressed.
  template <typename T>
  TinyProduct& chunkedData(const std::string& name, Stored type, std::vector<unsigned long long> dims,
                           const std::vector<T>& values, std::vector<unsigned long long> chunk, int gzip,
                           float scale = 1.0f) {
    gen::DatasetOptions opt;
    opt.scale = scale;
    opt.chunk = std::move(chunk);
    opt.gzip = gzip;
    EXPECT_TRUE(writer_.addDataset(name, type, dims, values.data(), opt)) << name;
    return *this;
  }

  // A dataset created with its shape but never written (large shapes cost no disk).
  TinyProduct& empty(const std::string& name, Stored type, std::vector<unsigned long long> dims) {
    gen::DatasetOptions opt;
    opt.chunk = dims;
    for (auto& c : opt.chunk) c = c > 64 ? 64 : (c == 0 ? 1 : c);
    EXPECT_TRUE(writer_.addDataset(name, type, dims, nullptr, opt)) << name;
    return *this;
  }

  long long fileId() const { return writer_.fileId(); }

  const std::string& close() {
    EXPECT_TRUE(writer_.close());
    return path_;
  }

 private:
  std::string path_;
  gen::H5Writer writer_;
};

// 0, 1, 2, ... n-1 in the element type.
template <typename T>
std::vector<T> iota(std::size_t n, T start = 0) {
  std::vector<T> v(n);
  for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<T>(start + static_cast<T>(i));
  return v;
}

}  // namespace kivo::test
