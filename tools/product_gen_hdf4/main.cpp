// kivo-gen-hdf4: writes synthetic AMSR and AMSR-E sample products (HDF4).
//
//   kivo-gen-hdf4 --samples DIR
//   kivo-gen-hdf4 OUT.00 --sensor AMSR|AMSR-E --level 1A|1B|1M|2|2Map|3 [--scans N]
//                 [--code XXX] [--projection E0|PN|PS]
//
// Exit status: 0 success, 1 a product could not be written, 2 usage error.

#include <string>
#include <string_view>

#include "generator_command_line.h"
#include "hdf4_gen.h"

namespace {

namespace gen = kivo::gen;

const char* const kUsage =
    "usage: kivo-gen-hdf4 --samples DIR\n"
    "       kivo-gen-hdf4 OUT.00 --sensor AMSR|AMSR-E --level 1A|1B|1M|2|2Map|3 [--scans N]\n"
    "                     [--code XXX] [--projection E0|PN|PS]\n";

bool parseSensor(std::string_view text, gen::Hdf4Sensor& sensor) {
  if (text == "AMSR") sensor = gen::Hdf4Sensor::Amsr;
  else if (text == "AMSR-E") sensor = gen::Hdf4Sensor::AmsrE;
  else return false;
  return true;
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

}  // namespace

int main(int argc, char** argv) {
  gen::Hdf4Options options;
  bool sensorGiven = false, levelGiven = false;
  gen::GeneratorCommandLine commandLine("kivo-gen-hdf4", kUsage, gen::kHdf4Ok);
  commandLine.option("--sensor", [&](std::string_view value) {
    sensorGiven = parseSensor(value, options.sensor);
    return sensorGiven;
  });
  commandLine.option("--level", [&](std::string_view value) {
    levelGiven = parseLevel(value, options.level);
    return levelGiven;
  });
  commandLine.number("--scans", options.scans);
  commandLine.option("--code", [&](std::string_view value) {
    options.code = std::string(value);
    return true;
  });
  commandLine.option("--projection", [&](std::string_view value) {
    options.projection = std::string(value);
    return true;
  });
  commandLine.check([&]() -> std::string {
    if (!sensorGiven || !levelGiven) return "--sensor and --level are required";
    return {};
  });
  commandLine.check([&] { return gen::hdf4OptionsProblem(options); });

  return commandLine.run(
      argc, argv, [&](const std::string& path) { return gen::writeHdf4Product(path, options); },
      [](const std::string& dir, const gen::GeneratorCommandLine::FileReport& onFile) {
        return gen::writeHdf4SampleSet(dir, onFile);
      });
}
