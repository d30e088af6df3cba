// Scaled reads of a full-size Level 1B product beside a plain read of the stored values.
//
//   bench_product_read [PRODUCT.h5] [benchmark flags]
// Without a path the generated sample Level 1B product is used.

#include <benchmark/benchmark.h>
#include <hdf5.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_main.h"
#include "product_io/access_labels.h"
#include "product_io/amsr2_io.h"

namespace io = kivo::io;

namespace {

void plainRead(benchmark::State& state, const char* dataset) {
  H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
  const hid_t file = H5Fopen(kivo::bench::productPath().c_str(), H5F_ACC_RDONLY, H5P_DEFAULT);
  if (file < 0) {
    state.SkipWithError("cannot open the sample product");
    return;
  }
  const hid_t ds = H5Dopen2(file, dataset, H5P_DEFAULT);
  const hid_t space = H5Dget_space(ds);
  std::vector<std::uint16_t> values(static_cast<std::size_t>(H5Sget_simple_extent_npoints(space)));
  for (auto _ : state) {
    if (H5Dread(ds, H5T_NATIVE_USHORT, H5S_ALL, H5S_ALL, H5P_DEFAULT, values.data()) < 0) {
      state.SkipWithError("read failed");
      break;
    }
    benchmark::DoNotOptimize(values.data());
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * values.size()));
  H5Sclose(space);
  H5Dclose(ds);
  H5Fclose(file);
}

void scaledRead(benchmark::State& state, io::AccessLabel label) {
  const io::ProductHandle handle = io::openProduct(kivo::bench::productPath().c_str());
  if (handle < 0) {
    state.SkipWithError("cannot open the sample product");
    return;
  }
  std::vector<float> values;
  for (auto _ : state) {
    const int n = io::getData(handle, values, io::kAllScans, io::kAllScans, label);
    if (n <= 0) {
      state.SkipWithError("getData failed");
      break;
    }
    benchmark::DoNotOptimize(values.data());
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * values.size()));
  io::closeProduct(handle);
}

void BM_PlainRead89AH(benchmark::State& s) { plainRead(s, "Brightness Temperature (89.0GHz-A,H)"); }
void BM_ScaledRead89AH(benchmark::State& s) { scaledRead(s, io::kLabelL1BTb89AH); }
void BM_PlainReadLowFrequency12(benchmark::State& s) {
  // The twelve stored datasets behind the composite, read plainly one after another.
  static const char* names[] = {
      "Brightness Temperature (6.9GHz,V)",  "Brightness Temperature (6.9GHz,H)",
      "Brightness Temperature (7.3GHz,V)",  "Brightness Temperature (7.3GHz,H)",
      "Brightness Temperature (10.7GHz,V)", "Brightness Temperature (10.7GHz,H)",
      "Brightness Temperature (18.7GHz,V)", "Brightness Temperature (18.7GHz,H)",
      "Brightness Temperature (23.8GHz,V)", "Brightness Temperature (23.8GHz,H)",
      "Brightness Temperature (36.5GHz,V)", "Brightness Temperature (36.5GHz,H)"};
  H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
  const hid_t file = H5Fopen(kivo::bench::productPath().c_str(), H5F_ACC_RDONLY, H5P_DEFAULT);
  if (file < 0) {
    s.SkipWithError("cannot open the sample product");
    return;
  }
  std::vector<std::uint16_t> values;
  std::size_t total = 0;
  for (auto _ : s) {
    total = 0;
    for (const char* name : names) {
      const hid_t ds = H5Dopen2(file, name, H5P_DEFAULT);
      const hid_t space = H5Dget_space(ds);
      values.resize(static_cast<std::size_t>(H5Sget_simple_extent_npoints(space)));
      H5Dread(ds, H5T_NATIVE_USHORT, H5S_ALL, H5S_ALL, H5P_DEFAULT, values.data());
      benchmark::DoNotOptimize(values.data());
      total += values.size();
      H5Sclose(space);
      H5Dclose(ds);
    }
  }
  s.SetItemsProcessed(static_cast<std::int64_t>(s.iterations() * total));
  H5Fclose(file);
}
void BM_ScaledReadComposite11210(benchmark::State& s) { scaledRead(s, io::kLabelL1BTbLowVH); }

BENCHMARK(BM_PlainRead89AH)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScaledRead89AH)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainReadLowFrequency12)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScaledReadComposite11210)->Unit(benchmark::kMillisecond);

}  // namespace
