// The value exports of the whole globe (3600 x 1801 cells) from the gap-filled grid of the
// 89 GHz A horizontal channel of a full-size Level 1B product: CSV of values (the target is
// under 1.5 s), CSV with latitude and longitude, binary and GeoTIFF, each written to a file.
// One orbit covers only part of the globe; the Dense cases write a grid whose every cell holds
// a valid brightness temperature, the most text a globe can make.
//
//   bench_output_values [PRODUCT.h5] [benchmark flags]

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench_main.h"
#include "export/geotiff_export.h"
#include "export/value_export.h"
#include "product_model/product_object.h"

namespace model = kivo::model;
namespace out = kivo::out;

namespace {

constexpr int k89AH = 20;

// The product with its channel loaded and gap-filled, and a folder for the files; made once.
struct Loaded {
  std::unique_ptr<model::ComPrdctMngmnt> object;
  int slot = -1;
  const float* grid = nullptr;
  std::vector<float> dense;  // every cell valid: 150 K to 300 K with two decimals
  std::filesystem::path folder;

  Loaded() {
    object = std::make_unique<model::ComPrdctMngmnt>(model::ProductObjectSettings{"", nullptr, 0});
    int projection = -1;
    bool known = false;
    std::string name;
    if (object->ComOpenPrdctFile(kivo::bench::productPath(), slot, name, projection, known) != 0) return;
    if (object->ComLoadChnl(slot, k89AH) != 0) return;
    object->ComStartMesh();
    object->ComWaitMesh();
    if (object->ComGetGridValues(slot, grid, k89AH) != 0) grid = nullptr;
    dense.resize(model::kGridCells);
    for (std::size_t i = 0; i < dense.size(); ++i) dense[i] = 150.0f + static_cast<float>(i % 15001) / 100.0f;
    folder = std::filesystem::temp_directory_path() / ("kivo_bench_values_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
  }
  ~Loaded() {
    std::error_code ec;
    if (!folder.empty()) std::filesystem::remove_all(folder, ec);
  }
  Loaded(const Loaded&) = delete;
  Loaded& operator=(const Loaded&) = delete;
};

Loaded& loaded() {
  static Loaded l;
  return l;
}

out::ValueExportRequest globeRequest(const std::string& name, bool dense) {
  Loaded& l = loaded();
  out::ValueExportRequest r;
  r.path = (l.folder / name).string();
  r.area = out::kWholeGlobe;
  l.object->ComGetPrdctName(l.slot, r.product.displayName);
  l.object->ComGetMetaValue(l.slot, "ProductName", r.product.productCode);
  l.object->ComGetTitle(l.slot, k89AH, r.product.title, false);
  r.product.fileNames = {std::filesystem::path(kivo::bench::productPath()).filename().string()};
  r.rangeKnown = l.object->ComGetValueRange(l.slot, r.range) == 0;
  r.grids[0] = {dense ? l.dense.data() : l.grid};
  return r;
}

using Writer = int (*)(const out::ValueExportRequest&);

void BM_Globe(benchmark::State& state, Writer write, const char* name, bool dense) {
  if (loaded().grid == nullptr) {
    state.SkipWithError("cannot load and gap-fill the sample product");
    return;
  }
  const out::ValueExportRequest request = globeRequest(name, dense);
  std::vector<float> cells;
  out::gatherValues(request.grids[0], request.range, out::exportGridOf(request.area), cells);
  const auto valid = std::count_if(cells.begin(), cells.end(), [](float v) { return !std::isnan(v); });
  state.counters["valid_%"] = 100.0 * static_cast<double>(valid) / static_cast<double>(cells.size());
  for (auto _ : state) {
    if (write(request) != out::kOutOk) {
      state.SkipWithError("the export failed");
      break;
    }
  }
  std::error_code ec;
  state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(request.path, ec)) / 1e6;
}

BENCHMARK_CAPTURE(BM_Globe, Csv, out::writeValuesCsv, "globe.csv", false)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK_CAPTURE(BM_Globe, CsvLatLon, out::writeValuesCsvLatLon, "globe_latlon.csv", false)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK_CAPTURE(BM_Globe, Binary, out::writeValuesBinary, "globe.bin", false)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK_CAPTURE(BM_Globe, GeoTiff, out::writeValuesGeoTiff, "globe.tif", false)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK_CAPTURE(BM_Globe, CsvDense, out::writeValuesCsv, "globe.csv", true)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK_CAPTURE(BM_Globe, CsvLatLonDense, out::writeValuesCsvLatLon, "globe_latlon.csv", true)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK_CAPTURE(BM_Globe, BinaryDense, out::writeValuesBinary, "globe.bin", true)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK_CAPTURE(BM_Globe, GeoTiffDense, out::writeValuesGeoTiff, "globe.tif", true)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace
