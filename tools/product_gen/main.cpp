// kivo-gen-products: writes synthetic AMSR2 sample products.
//
//   kivo-gen-products --samples DIR
//   kivo-gen-products OUT.h5 [--level 1A|1B|1R|2|3] [--scans N] [--overlap N] [--mark L|H]
//                     [--quantity Q] [--monthly] [--km 10|25] [--projection EQR|PS-N|PS-S]
//                     [--layers N] [--start ISO] [--orbit N] [--descending] [--gzip N]
//
// Exit status: 0 success, 1 a product could not be written, 2 usage error.

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "product_gen.h"

namespace {

namespace gen = kivo::gen;

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

const char* const kUsage =
    "usage: kivo-gen-products --samples DIR\n"
    "       kivo-gen-products OUT.h5 [--level 1A|1B|1R|2|3] [--scans N] [--overlap N] [--mark L|H]\n"
    "                         [--quantity Q] [--monthly] [--km 10|25] [--projection EQR|PS-N|PS-S]\n"
    "                         [--layers N] [--start YYYY-MM-DDThh:mm:ss] [--orbit N] [--descending] [--gzip N]\n";

int usageError(const std::string& message) {
  std::fprintf(stderr, "kivo-gen-products: %s\n", message.c_str());
  return kExitUsage;
}

bool parseInt(std::string_view text, int& value) {
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && ptr == end && !text.empty();
}

bool parseLevel(std::string_view text, gen::Level& level) {
  if (text == "1A") level = gen::Level::L1A;
  else if (text == "1B") level = gen::Level::L1B;
  else if (text == "1R") level = gen::Level::L1R;
  else if (text == "2") level = gen::Level::L2;
  else if (text == "3") level = gen::Level::L3;
  else return false;
  return true;
}

int writeSamples(const std::string& dir) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) {
    std::fprintf(stderr, "kivo-gen-products: cannot create %s: %s\n", dir.c_str(), ec.message().c_str());
    return kExitFailed;
  }
  const int failures = gen::writeSampleSet(dir, [](const std::string& path, int result) {
    if (result == gen::kGenOk) {
      std::printf("%s\n", path.c_str());
      std::fflush(stdout);
    } else {
      std::fprintf(stderr, "kivo-gen-products: failed to write %s (result %d)\n", path.c_str(), result);
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

  gen::ProductOptions options;
  bool overlapGiven = false;
  for (int i = 2; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--monthly") {
      options.monthly = true;
      continue;
    }
    if (arg == "--descending") {
      options.ascending = false;
      continue;
    }
    if (i + 1 >= argc) return usageError("unknown option or missing value: " + std::string(arg));
    const std::string_view value = argv[++i];
    int number = 0;
    const bool isNumber = parseInt(value, number);
    auto badValue = [&] { return usageError("bad value for " + std::string(arg) + ": " + std::string(value)); };
    if (arg == "--level") {
      if (!parseLevel(value, options.level)) return badValue();
    } else if (arg == "--scans") {
      if (!isNumber) return badValue();
      options.scans = number;
    } else if (arg == "--overlap") {
      if (!isNumber) return badValue();
      options.overlap = number;
      overlapGiven = true;
    } else if (arg == "--mark") {
      if (value.size() != 1) return badValue();
      options.resolutionMark = value[0];
    } else if (arg == "--quantity") {
      options.quantity = std::string(value);
    } else if (arg == "--km") {
      if (!isNumber) return badValue();
      options.gridKm = number;
    } else if (arg == "--projection") {
      options.projection = std::string(value);
    } else if (arg == "--layers") {
      if (!isNumber) return badValue();
      options.layers = number;
    } else if (arg == "--start") {
      options.startTime = std::string(value);
    } else if (arg == "--orbit") {
      if (!isNumber) return badValue();
      options.orbit = number;
    } else if (arg == "--gzip") {
      if (!isNumber) return badValue();
      options.gzip = number;
    } else {
      return usageError("unknown option: " + std::string(arg));
    }
  }
  if (overlapGiven && options.overlap != 0 && !(options.level == gen::Level::L1A || options.level == gen::Level::L1B ||
                                                options.level == gen::Level::L1R))
    return usageError("--overlap applies to Level 1 only");
  const std::string problem = gen::optionsProblem(options);
  if (!problem.empty()) return usageError(problem);

  const std::string path = argv[1];
  const int result = gen::writeProduct(path, options);
  if (result != gen::kGenOk) {
    std::fprintf(stderr, "kivo-gen-products: failed to write %s (result %d)\n", path.c_str(), result);
    return kExitFailed;
  }
  std::printf("%s\n", path.c_str());
  return 0;
}
