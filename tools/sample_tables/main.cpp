// kivo-make-sample-tables DIR: writes the sample colour tables and look-up tables of the
// installation into DIR/Sample_Table/{Color_Table,Lookup_Table}/{AMSR2,AMSR_AMSR-E}/.

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "colour/colour_table.h"
#include "colour/table_files.h"

namespace colour = kivo::colour;

namespace {

struct Rgb {
  std::uint8_t r, g, b;
};

// A colour table of the given points: count values from `low` to `high` (linear, or by the
// given values), colours along the ramp.
struct Table {
  const char* name;
  const char* title;
  std::vector<float> values;
  std::vector<Rgb> colours;
  int graph = colour::kLineGraph;
};

std::vector<float> even(float low, float high, int n) {
  std::vector<float> v;
  for (int i = 0; i < n; ++i) v.push_back(low + (high - low) * static_cast<float>(i) / static_cast<float>(n - 1));
  return v;
}

const std::vector<Rgb> kRainbow = {{0, 0, 255},   {0, 128, 255}, {0, 255, 255}, {0, 255, 128}, {0, 255, 0},
                                   {128, 255, 0}, {255, 255, 0}, {255, 128, 0}, {255, 0, 0}};
const std::vector<Rgb> kGrey = {{0, 0, 0}, {255, 255, 255}};
const std::vector<Rgb> kIce = {{0, 0, 96},      {16, 48, 144},  {40, 96, 192},  {80, 144, 216}, {128, 184, 232},
                               {176, 212, 240}, {212, 232, 248}, {236, 244, 252}, {255, 255, 255}};
const std::vector<Rgb> kRain = {{255, 255, 255}, {160, 210, 255}, {80, 160, 255}, {0, 100, 255}, {0, 200, 0},
                                {255, 255, 0},   {255, 160, 0},   {255, 0, 0},    {160, 0, 160}};
const std::vector<Rgb> kVapour = {{96, 48, 0},   {160, 96, 32},  {208, 160, 80}, {232, 216, 144}, {200, 232, 200},
                                  {128, 208, 224}, {64, 160, 224}, {16, 96, 208},  {0, 32, 160}};

bool write(const std::string& folder, const Table& t) {
  colour::ComClrTblMng table;
  const int n = static_cast<int>(t.values.size());
  if (table.ComSetPntNum(n) != 0 || t.colours.size() != t.values.size()) return false;
  table.ComSetGrphType(t.graph);
  const int step = table.step();
  for (int i = 0; i < n; ++i) {
    for (int k = i * step; k < (i + 1) * step && k < colour::kCapacity; ++k) {
      for (int c = 0; c < colour::kChannels; ++c) table.ComSetCntVal(c, k, t.values[static_cast<std::size_t>(i)]);
      table.ComSetClrPrm(0, k, t.colours[static_cast<std::size_t>(i)].r);
      table.ComSetClrPrm(1, k, t.colours[static_cast<std::size_t>(i)].g);
      table.ComSetClrPrm(2, k, t.colours[static_cast<std::size_t>(i)].b);
    }
  }
  return colour::writeColourTableFile(folder + t.name, table, t.title, false) == colour::kFileOk;
}

// A look-up table: per channel two points from low to high, intensity 0 to 255.
bool writeLookup(const std::string& folder, const char* name, const float low[3], const float high[3]) {
  colour::ComClrTblMng table;
  table.ComSetPntNum(2);
  for (int c = 0; c < colour::kChannels; ++c) {
    for (int k = 0; k < colour::kCapacity; ++k) {
      table.ComSetCntVal(c, k, k < 8 ? low[c] : high[c]);
      table.ComSetClrPrm(c, k, k < 8 ? 0 : 255);
    }
  }
  return colour::writeLookupTableFile(folder + name, table) == colour::kFileOk;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: kivo-make-sample-tables DIR\n");
    return 2;
  }
  const std::string base = std::string(argv[1]) + "/Sample_Table/";
  int failures = 0;
  for (const char* family : {"AMSR2", "AMSR_AMSR-E"}) {
    const std::string clt = base + "Color_Table/" + family + "/";
    const std::string lut = base + "Lookup_Table/" + family + "/";
    std::filesystem::create_directories(clt);
    std::filesystem::create_directories(lut);
    const std::vector<Table> tables = {
        {"TB_Low_Frequency.clt", "Brightness Temperature [K]", even(100, 300, 9), kRainbow},
        {"TB_89GHz.clt", "Brightness Temperature [K]", even(150, 300, 9), kRainbow},
        {"TB_Grey.clt", "Brightness Temperature [K]", even(100, 300, 2), kGrey},
        {"Sea_Ice_Concentration.clt", "Sea Ice Concentration [%]", even(0, 100, 9), kIce},
        {"Precipitation.clt", "Precipitation [mm/h]", {0.0f, 0.5f, 1, 2, 4, 6, 10, 15, 20}, kRain},
        {"Water_Vapour.clt", "Total Precipitable Water [kg/m2]", even(0, 70, 9), kVapour},
        {"Sea_Surface_Temperature.clt", "Sea Surface Temperature [deg C]", even(-2, 34, 9), kRainbow},
        {"Sea_Surface_Temperature_Steps.clt", "Sea Surface Temperature [deg C]", even(-2, 34, 9), kRainbow,
         colour::kBarGraph},
    };
    for (const Table& t : tables) {
      if (!write(clt, t)) {
        std::fprintf(stderr, "kivo-make-sample-tables: cannot write %s%s\n", clt.c_str(), t.name);
        ++failures;
      }
    }
    // Composites: 89 GHz V, 36.5 GHz V and 18.7 GHz V; and 89 GHz H, V and 36.5 GHz H.
    const float lowBt[3] = {180, 180, 160};
    const float highBt[3] = {290, 290, 290};
    const float lowPol[3] = {150, 190, 130};
    const float highPol[3] = {290, 290, 280};
    if (!writeLookup(lut, "TB_89V_36V_18V.lut", lowBt, highBt)) ++failures;
    if (!writeLookup(lut, "TB_89H_89V_36H.lut", lowPol, highPol)) ++failures;
  }
  return failures == 0 ? 0 : 1;
}
