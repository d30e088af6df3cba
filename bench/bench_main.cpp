#include "bench_main.h"

#include <benchmark/benchmark.h>

#include <utility>
#include <vector>

namespace kivo::bench {
namespace {

std::string& product() {
  static std::string path = std::string(KIVO_SAMPLE_DIR) + "/GW1AM2_201207031905_234A_L1SGBTBR_2220220.h5";
  return path;
}

// A function-local static, because programs register their setups during static initialisation.
std::vector<Setup>& setups() {
  static std::vector<Setup> registered;
  return registered;
}

}  // namespace

const std::string& productPath() { return product(); }

bool addSetup(Setup setup) {
  setups().push_back(std::move(setup));
  return true;
}

}  // namespace kivo::bench

int main(int argc, char** argv) {
  if (argc > 1 && argv[1][0] != '-') {
    kivo::bench::product() = argv[1];
    for (int i = 1; i + 1 < argc; ++i) argv[i] = argv[i + 1];
    --argc;
  }
  std::vector<std::shared_ptr<void>> prepared;
  for (const auto& setup : kivo::bench::setups()) prepared.push_back(setup(argc, argv));
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  // What the setups prepared goes in reverse order, after the benchmarks' work.
  while (!prepared.empty()) prepared.pop_back();
  return 0;
}
