// kivo-gen-products: writes synthetic AMSR2 sample products.
//
//   kivo-gen-products --samples DIR
//   kivo-gen-products OUT.h5 [--level 1A|1B|1R|2|3] [--scans N] [--overlap N] [--mark L|H]
//                     [--quantity Q] [--monthly] [--km 10|25] [--projection EQR|PS-N|PS-S]
//                     [--layers N] [--start ISO] [--orbit N] [--descending] [--gzip N]
//
// Exit status: 0 success, 1 a product could not be written, 2 usage error.

#include <string>
#include <string_view>

#include "generator_command_line.h"
#include "product_gen.h"

namespace {

namespace gen = kivo::gen;

const char* const kUsage =
    "usage: kivo-gen-products --samples DIR\n"
    "       kivo-gen-products OUT.h5 [--level 1A|1B|1R|2|3] [--scans N] [--overlap N] [--mark L|H]\n"
    "                         [--quantity Q] [--monthly] [--km 10|25] [--projection EQR|PS-N|PS-S]\n"
    "                         [--layers N] [--start YYYY-MM-DDThh:mm:ss] [--orbit N] [--descending] [--gzip N]\n";

bool parseLevel(std::string_view text, gen::Level& level) {
  if (text == "1A") level = gen::Level::L1A;
  else if (text == "1B") level = gen::Level::L1B;
  else if (text == "1R") level = gen::Level::L1R;
  else if (text == "2") level = gen::Level::L2;
  else if (text == "3") level = gen::Level::L3;
  else return false;
  return true;
}

bool isLevel1(gen::Level level) {
  return level == gen::Level::L1A || level == gen::Level::L1B || level == gen::Level::L1R;
}

}  // namespace

int main(int argc, char** argv) {
  gen::ProductOptions options;
  bool overlapGiven = false;
  gen::GeneratorCommandLine commandLine("kivo-gen-products", kUsage, gen::kGenOk);
  commandLine.flag("--monthly", [&] { options.monthly = true; });
  commandLine.flag("--descending", [&] { options.ascending = false; });
  commandLine.option("--level", [&](std::string_view value) { return parseLevel(value, options.level); });
  commandLine.number("--scans", options.scans);
  commandLine.option("--overlap", [&](std::string_view value) {
    overlapGiven = true;
    return gen::parseInt(value, options.overlap);
  });
  commandLine.option("--mark", [&](std::string_view value) {
    if (value.size() != 1) return false;
    options.resolutionMark = value[0];
    return true;
  });
  commandLine.option("--quantity", [&](std::string_view value) {
    options.quantity = std::string(value);
    return true;
  });
  commandLine.number("--km", options.gridKm);
  commandLine.option("--projection", [&](std::string_view value) {
    options.projection = std::string(value);
    return true;
  });
  commandLine.number("--layers", options.layers);
  commandLine.option("--start", [&](std::string_view value) {
    options.startTime = std::string(value);
    return true;
  });
  commandLine.number("--orbit", options.orbit);
  commandLine.number("--gzip", options.gzip);
  commandLine.check([&]() -> std::string {
    if (overlapGiven && options.overlap != 0 && !isLevel1(options.level)) return "--overlap applies to Level 1 only";
    return {};
  });
  commandLine.check([&] { return gen::optionsProblem(options); });

  return commandLine.run(
      argc, argv, [&](const std::string& path) { return gen::writeProduct(path, options); },
      [](const std::string& dir, const gen::GeneratorCommandLine::FileReport& onFile) {
        return gen::writeSampleSet(dir, onFile);
      });
}
