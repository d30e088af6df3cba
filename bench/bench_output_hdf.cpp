// Saving a 40 x 40 degree box of a full-size Level 1B product as a new product: scan
// selection, the copy of every dataset of the kept scans and the root attribute updates.
//
//   bench_output_hdf [PRODUCT.h5] [benchmark flags]
// Without a path the generated sample Level 1B product is used.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <system_error>

#include <unistd.h>

#include "bench_main.h"
#include "product_io/amsr2_io.h"
#include "product_model/product_object.h"
#include "product_model/product_output.h"

namespace model = kivo::model;
namespace io = kivo::io;

namespace {

constexpr int kDeg = 1000000;

void BM_OutputHdfBox40(benchmark::State& state) {
  model::ComPrdctMngmnt object(model::ProductObjectSettings{std::string(KIVO_DATA_DIR) + "/", nullptr, 0});
  int slot = -1, projection = -1;
  bool known = false;
  std::string name;
  if (object.ComOpenPrdctFile(kivo::bench::productPath(), slot, name, projection, known) != 0) {
    state.SkipWithError("cannot register the sample product");
    return;
  }
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("kivo_bench_output_hdf_" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  const std::string output = (folder / "box.h5").string();
  // Across the middle of the ascending swath, from 20 S to 20 N.
  model::HdfOutputArea area;
  area.lon1 = -110 * kDeg;
  area.lat1 = 20 * kDeg;
  area.lon2 = -70 * kDeg;
  area.lat2 = -20 * kDeg;
  for (auto _ : state) {
    if (object.ComOutputHdf(slot, output, area) != model::kHdfOutputDone) {
      state.SkipWithError("the output failed");
      break;
    }
  }
  std::string scans;
  const io::ProductHandle h = io::openProduct(output.c_str());
  if (h > 0) {
    io::getMetaDataByName(h, "NumberOfScans", scans);
    io::closeProduct(h);
  }
  state.counters["scans"] = scans.empty() ? 0.0 : std::stod(scans);
  std::error_code ec;
  state.counters["MB"] = static_cast<double>(std::filesystem::file_size(output, ec)) / 1e6;
  std::filesystem::remove_all(folder, ec);
}

BENCHMARK(BM_OutputHdfBox40)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
