// kivo-gen-hdf4: writes synthetic AMSR and AMSR-E sample products (HDF4).
//
//   kivo-gen-hdf4 --samples DIR
//   kivo-gen-hdf4 OUT.00 --sensor AMSR|AMSR-E --level 1A|1B|1M|2|2Map|3 [--scans N]
//                 [--code XXX] [--projection E0|PN|PS]
//
// Exit status: 0 success, 1 a product could not be written, 2 usage error.

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "hdf4_gen.h"

namespace {

namespace gen = kivo::gen;

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

const char* const kUsage =
    "usage: kivo-gen-hdf4 --samples DIR\n"
    "       kivo-gen-hdf4 OUT.00 --sensor AMSR|AMSR-E --level 1A|1B|1M|2|2Map|3 [--scans N]\n"
    "                     [--code XXX] [--projection E0|PN|PS]\n";

int usageError(const std::string& message) {
  std::fprintf(stderr, "kivo-gen-hdf4: %s\n", message.c_str());
  return kExitUsage;
}

bool parseInt(std::string_view text, int& value) {
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && ptr == end && !text.empty();
}

bool parseLevel(std::string_view text, gen::Hdf4Level& level) {
  if (text == "1A") level = gen::Hdf4Level::L1A;
  else if (text == "1B") level = gen::Hdf4Level::L1B;
  else if (text == "1M") level = gen::Hdf4Level::L1M;
  else if (text == "2") level = gen::Hdf4Level::L2;
  else if (text == "2Map") level = gen::Hdf4Level::L2Map;
  else if (text == "3") level = gen::Hdf4Level::L3;
  else return false;
  return true;
}

int writeSamples(const std::string& dir) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) {
    std::fprintf(stderr, "kivo-gen-hdf4: cannot create %s: %s\n", dir.c_str(), ec.message().c_str());
    return kExitFailed;
  }
  const int failures = gen::writeHdf4SampleSet(dir, [](const std::string& path, int result) {
    if (result == gen::kHdf4Ok) {
      std::printf("%s\n", path.c_str());
      std::fflush(stdout);
    } else {
      std::fprintf(stderr, "kivo-gen-hdf4: failed to write %s (result %d)\n", path.c_str(), result);
    }
  });
  return failures == 0 ? 0 : kExitFailed;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return usageError(std::string("missing arguments\n") + kUsage);
  const std::string_view first = argv[1];
  if (first == "--help" || first == "-h") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (first == "--samples") {
    if (argc != 3) return usageError("--samples takes exactly one folder");
    return writeSamples(argv[2]);
  }
  if (first.starts_with("-")) return usageError("the first argument must be the output file or --samples");

  gen::Hdf4Options options;
  bool sensorGiven = false, levelGiven = false;
  for (int i = 2; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (i + 1 >= argc) return usageError("unknown option or missing value: " + std::string(arg));
    const std::string_view value = argv[++i];
    auto badValue = [&] { return usageError("bad value for " + std::string(arg) + ": " + std::string(value)); };
    if (arg == "--sensor") {
      if (value == "AMSR") options.sensor = gen::Hdf4Sensor::Amsr;
      else if (value == "AMSR-E") options.sensor = gen::Hdf4Sensor::AmsrE;
      else return badValue();
      sensorGiven = true;
    } else if (arg == "--level") {
      if (!parseLevel(value, options.level)) return badValue();
      levelGiven = true;
    } else if (arg == "--scans") {
      if (!parseInt(value, options.scans)) return badValue();
    } else if (arg == "--code") {
      options.code = std::string(value);
    } else if (arg == "--projection") {
      options.projection = std::string(value);
    } else {
      return usageError("unknown option: " + std::string(arg));
    }
  }
  if (!sensorGiven || !levelGiven) return usageError("--sensor and --level are required");
  const std::string problem = gen::hdf4OptionsProblem(options);
  if (!problem.empty()) return usageError(problem);

  const std::string path = argv[1];
  const int result = gen::writeHdf4Product(path, options);
  if (result != gen::kHdf4Ok) {
    std::fprintf(stderr, "kivo-gen-hdf4: failed to write %s (result %d)\n", path.c_str(), result);
    return kExitFailed;
  }
  std::printf("%s\n", path.c_str());
  return 0;
}
