// The product object on a full-size Level 1B product: registration, loading the 89 GHz A
// horizontal channel and gap filling, each timed on its own, and the memory one loaded
// channel holds.
//
//   bench_product_object [PRODUCT.h5] [benchmark flags]

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <memory>
#include <string>

#include "bench_main.h"
#include "product_model/large_buffer.h"
#include "product_model/product_object.h"

namespace model = kivo::model;

namespace {

constexpr int k89AH = 20;

// Heap in use plus the blocks the large-buffer allocator maps, in MB (10^6 bytes).
double heapMegabytes() {
  const struct mallinfo2 m = mallinfo2();
  return static_cast<double>(m.uordblks + m.hblkhd + model::g_largeBufferBytes.load()) / 1e6;
}

std::unique_ptr<model::ComPrdctMngmnt> registered(int& slot) {
  auto object = std::make_unique<model::ComPrdctMngmnt>(model::ProductObjectSettings{"", nullptr, 0});
  int projection = -1;
  bool known = false;
  std::string name;
  if (object->ComOpenPrdctFile(kivo::bench::productPath(), slot, name, projection, known) != 0) return nullptr;
  return object;
}

void BM_Register(benchmark::State& state) {
  for (auto _ : state) {
    int slot = -1;
    auto object = registered(slot);
    if (!object) {
      state.SkipWithError("cannot register the sample product");
      break;
    }
    benchmark::DoNotOptimize(slot);
  }
}

void BM_Load89AH(benchmark::State& state) {
  double loadedMb = 0;
  for (auto _ : state) {
    state.PauseTiming();
    int slot = -1;
    auto object = registered(slot);
    if (!object) {
      state.SkipWithError("cannot register the sample product");
      break;
    }
    const double before = heapMegabytes();
    state.ResumeTiming();
    if (object->ComLoadChnl(slot, k89AH) != 0) {
      state.SkipWithError("load failed");
      break;
    }
    state.PauseTiming();
    loadedMb = heapMegabytes() - before;
    object.reset();
    state.ResumeTiming();
  }
  state.counters["loaded_MB"] = loadedMb;
}

void BM_FillGaps89AH(benchmark::State& state) {
  double meshedMb = 0;
  int points = 0;
  for (auto _ : state) {
    state.PauseTiming();
    int slot = -1;
    auto object = registered(slot);
    const double before = heapMegabytes();
    if (!object || object->ComLoadChnl(slot, k89AH) != 0) {
      state.SkipWithError("cannot load the sample product");
      break;
    }
    state.ResumeTiming();
    object->ComStartMesh();
    object->ComWaitMesh();
    state.PauseTiming();
    if (!object->ComIsMeshed(slot, k89AH)) {
      state.SkipWithError("gap filling did not finish");
      break;
    }
    meshedMb = heapMegabytes() - before;
    points = object->ComGetPointCount(slot, k89AH);
    object.reset();
    state.ResumeTiming();
  }
  state.counters["meshed_MB"] = meshedMb;
  state.counters["points"] = points;
}

BENCHMARK(BM_Register)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load89AH)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_FillGaps89AH)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
