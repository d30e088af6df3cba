// Generator of AMSR and AMSR-E sample products stored as HDF4 files (Levels 1A, 1B, 1M, 2,
// 2 Map and 3). Every product carries its root attributes as text in a fixed order and its
// 16-bit scientific data sets at fixed reference numbers, with brightness temperatures and
// geophysical quantities over a coarse land/sea/ice model, a sun-synchronous viewing geometry
// and invalid values at documented places. Output is deterministic.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kivo::gen {

enum class Hdf4Sensor { Amsr, AmsrE };
enum class Hdf4Level { L1A, L1B, L1M, L2, L2Map, L3 };

struct Hdf4Options {
  Hdf4Sensor sensor = Hdf4Sensor::AmsrE;
  Hdf4Level level = Hdf4Level::L1B;
  // Level 1 and 2: scans stored; Level 2 Map: scans of the half orbit mapped onto the grid.
  // Level 3 ignores it.
  int scans = 2000;
  // Level 2, 2 Map and 3: "WV0" "CLW" "AP0" "SSW" "SST" "IC0" "SM0" "SWE"; Level 2 Map and
  // 3 also the brightness temperature codes "TB0".."TB5" (V polarisation of 6.9, 10.65,
  // 18.7, 23.8, 36.5 and 89.0 GHz).
  std::string code = "SST";
  std::string projection = "E0";  // Level 2 Map and 3: "E0", "PN" or "PS"
};

// Results of writeHdf4Product.
inline constexpr int kHdf4Ok = 0;
inline constexpr int kHdf4BadOptions = 1;
inline constexpr int kHdf4CreateFailed = 2;
inline constexpr int kHdf4WriteFailed = 3;
inline constexpr int kHdf4RefMismatch = 4;  // a data set did not get its reference number

inline constexpr int kHdf4MaxScans = 6000;

// Stored value of every invalid element: no observation, no retrieval, outside coverage.
inline constexpr int kHdf4Invalid = -9999;

// Level 1 channels and Level 2 geophysical data: scan 3, pixels 0..4 hold kHdf4Invalid
// (when the product has at least 4 scans). Positions stay valid there.
inline constexpr int kHdf4InvalidScan = 3;
inline constexpr int kHdf4InvalidFirstPixel = 0;
inline constexpr int kHdf4InvalidPixelCount = 5;

// Level 2 Map and Level 3 grids: these cells hold kHdf4Invalid although the day's ascending
// swaths see them and the quantity is retrieved there. The E0 cells lie under the equator
// crossing of the half orbit that the swath products and Level 2 Map hold; the polar ones in
// pack ice (a Level 2 Map of a polar grid need not cover them).
struct Hdf4Cell {
  int row, col;
};
inline constexpr Hdf4Cell kHdf4InvalidCellsE0[] = {{360, 690}, {360, 691}, {361, 690}};  // 0 N, 172.5 E
inline constexpr Hdf4Cell kHdf4InvalidCellsPN[] = {{260, 186}, {260, 187}, {261, 186}};  // 80 N, 9 E
inline constexpr Hdf4Cell kHdf4InvalidCellsPS[] = {{64, 158}, {64, 159}, {65, 158}};     // 65 S, 0 E

// Pixels per scan of a swath product: the low-frequency channels of Level 1, or the data and
// positions of Level 2; and the 89 GHz channels and positions of Level 1 (0 for other levels).
int hdf4LowPixels(Hdf4Sensor sensor, Hdf4Level level);
int hdf4HighPixels(Hdf4Sensor sensor, Hdf4Level level);
// Rows and columns of a grid ("E0" 720 x 1440, "PN" 448 x 304, "PS" 332 x 316); false otherwise.
bool hdf4GridShape(const std::string& projection, int& rows, int& cols);

// Why the options cannot be written (empty when they can).
std::string hdf4OptionsProblem(const Hdf4Options& options);

// The product's "ShortName" and "Local Granule ID"; empty when the options are invalid.
std::string hdf4ShortName(const Hdf4Options& options);
std::string hdf4GranuleId(const Hdf4Options& options);

// Writes one product (any existing file is replaced; a failed write leaves no file).
int writeHdf4Product(const std::string& path, const Hdf4Options& options);

// Sample file name, e.g. "AMSR-E_L1B.00", "AMSR_L2_WV0.00", "AMSR-E_L3_IC0_PN.00".
std::string hdf4FileName(const Hdf4Options& options);

// The sample set: for both sensors Level 1A, 1B, 1M, one Level 2 quantity (SST for AMSR-E,
// WV0 for AMSR), Level 2 Map E0 of the same quantity, Level 3 E0 SST, PN IC0 and PS IC0.
std::vector<Hdf4Options> hdf4SampleSetOptions();
// Writes the sample set into dir (hdf4FileName each); onFile is told each path and its
// result. Returns the number of failures.
int writeHdf4SampleSet(const std::string& dir,
                       const std::function<void(const std::string& path, int result)>& onFile = {});

}  // namespace kivo::gen
