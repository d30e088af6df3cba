// Generator of AMSR2 sample products (Levels 1A, 1B, 1R, 2 and 3) with plausible content:
// every dataset of the level, the root attributes in their fixed order, a sun-synchronous
// viewing geometry, brightness temperatures over a coarse land/sea/ice model, and invalid
// codes at documented places. Output is deterministic.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kivo::gen {

enum class Level { L1A, L1B, L1R, L2, L3 };

struct ProductOptions {
  Level level = Level::L1B;
  int scans = 1978;          // "NumberOfScans" (scans after the leading overlap); Level 3 ignores it
  int overlap = 20;          // "OverlapScans" of Level 1: extra scans stored at each end (rows = scans + 2 * overlap);
                             // Level 2 and 3 store none and ignore it
  char resolutionMark = 'L'; // Level 2: 'L' low-resolution product, 'H' 89 GHz product
  std::string quantity = "SST";  // Level 2/3: TPW CLW PRC SST SSW SIC SND SMC; Level 3 also T06..T89
  bool monthly = false;      // Level 3
  int gridKm = 10;           // Level 3: 10 or 25
  std::string projection = "EQR";  // Level 3: "EQR", "PS-N", "PS-S"
  int layers = 3;            // layers of the three-layer geophysical datasets (1..3)
  std::string startTime = "2012-07-03T19:05:00.000";  // UTC start of the first non-overlap scan
  int orbit = 1234;
  bool ascending = true;
  int gzip = 4;              // 0: no compression
};

// Results of writeProduct.
inline constexpr int kGenOk = 0;
inline constexpr int kGenBadOptions = 1;
inline constexpr int kGenCreateFailed = 2;
inline constexpr int kGenWriteFailed = 3;

// Invalid codes placed in every unsigned 16-bit brightness-temperature dataset of Level 1B and
// 1R (stored rows, overlap included; only when the product has more than 31 stored rows).
inline constexpr int kMissingRow = 30;            // pixels 0..4 hold 65535
inline constexpr int kMissingFirstPixel = 0;
inline constexpr int kMissingPixelCount = 5;
inline constexpr unsigned kMissingCode = 65535;
inline constexpr int kOutOfRangeRow = 31;         // pixel 10 holds 65534
inline constexpr int kOutOfRangePixel = 10;
inline constexpr unsigned kOutOfRangeCode = 65534;
// Level 3 brightness temperatures (daily and monthly, V and H): cell (5, 7) = 65534, (5, 8) = 65535.
inline constexpr int kL3InvalidRow = 5;
inline constexpr int kL3OutOfRangeCol = 7;
inline constexpr int kL3MissingCol = 8;

// Other stored codes the generator uses.
inline constexpr unsigned kU16NoData = 65535;    // Level 3 brightness temperature outside the swaths
inline constexpr int kI16NoRetrieval = -32767;   // geophysical value without retrieval, or not observed

// Names of the root attributes in the order they are written. Level 3 has "Projection" and
// no co-registration parameters; Level 1 and 2 the reverse.
std::vector<std::string> rootAttributeOrder(Level level);

// The 41-character granule identifier; empty when the options are invalid.
std::string granuleId(const ProductOptions& options);
// Why the options cannot be written (empty when they can).
std::string optionsProblem(const ProductOptions& options);

int writeProduct(const std::string& path, const ProductOptions& options);

// The full-size sample set: Level 1A, 1B, 1R, two Level 2 and 24 Level 3 products.
std::vector<ProductOptions> sampleSetOptions();
// Writes the sample set into dir (GranuleID + ".h5" each); onFile is told each path and its
// result. Returns the number of failures.
int writeSampleSet(const std::string& dir,
                   const std::function<void(const std::string& path, int result)>& onFile = {});

}  // namespace kivo::gen
