// The main shared by the benchmark programs:
//
//   bench_NAME [PRODUCT] [benchmark flags]
//
// A first argument that is not a flag names the product the benchmarks read; without one
// they read the generated full-size sample Level 1B product.

#pragma once

#include <functional>
#include <memory>
#include <string>

namespace kivo::bench {

// The product the benchmarks of this program read.
const std::string& productPath();

// Prepares what the benchmarks of a program need before they run (for example a Qt
// application object). It gets the arguments left after the product path; what it returns
// is kept until the benchmarks have run. Call it from the initialiser of a namespace-scope
// variable so it is registered before main runs.
using Setup = std::function<std::shared_ptr<void>(int& argc, char** argv)>;
bool addSetup(Setup setup);

}  // namespace kivo::bench
