// Time keeping and viewing geometry of a sun-synchronous conically scanning radiometer on a
// spherical Earth: UTC and leap-second counts, the sub-satellite track, the 89 GHz footprint
// arcs and the daily coverage of the Level 3 grids.
#pragma once

#include <string>
#include <vector>

namespace kivo::gen::orbit {

inline constexpr double kEarthRadiusKm = 6371.0;
inline constexpr double kInclinationDeg = 98.2;
inline constexpr double kPeriodSec = 98.9 * 60.0;
inline constexpr double kScanSec = 1.5;
inline constexpr double kScanArcRadiusKm = 800.0;  // ground radius of the conical scan
inline constexpr double kSwathWidthKm = 1450.0;
inline constexpr double kBeamBOffsetKm = 5.0;      // 89 GHz B footprints lead A along track
inline constexpr double kAscendingNodeLocalHour = 13.5;
inline constexpr int kHighPixels = 486;

// Calendar helpers. UTC seconds count from 1993-01-01T00:00:00 without leap seconds.
long long daysFromCivil(int year, int month, int day);
void civilFromDays(long long days, int& year, int& month, int& day);
bool parseUtc(const std::string& text, double& utcSec);  // "YYYY-MM-DDThh:mm:ss[.sss][Z]"
std::string formatUtc(double utcSec);                     // "YYYY-MM-DDThh:mm:ss.sssZ"
int leapSecondsBefore(double utcSec);  // leap seconds inserted between 1993-01-01 and utcSec
double utcToCount(double utcSec);      // product scan-time count (leap seconds included)
double countToUtc(double count);
inline constexpr double kUtcDay = 86400.0;

struct Swath {
  int rows = 0;
  std::vector<double> utc;         // per row
  std::vector<double> count;       // per row, "Scan Time"
  std::vector<double> argLatDeg;   // per row, argument of latitude in [0, 360)
  std::vector<double> subLat, subLon;
  std::vector<double> nav;         // per row: x, y, z (m), vx, vy, vz (m/s), Earth-fixed
  std::vector<float> latA, lonA, latB, lonB;  // rows x 486 footprint positions
  double nodeUtc = 0.0;            // equator crossing of the half orbit
  double nodeLon = 0.0;
};

// Geometry of `scans` scans starting at startUtc (first scan after the leading overlap) plus
// `overlap` scans at each end; ascending half orbits run from the south-most point north.
bool computeSwath(double startUtc, int scans, int overlap, bool ascending, Swath& swath);

// Daily Level 3 coverage of one position by the half orbits of one direction during the UTC
// day starting at dayUtc.
struct Coverage {
  bool covered = false;
  double minuteOfDay = 0.0;   // time of the first pass that sees the position
  double passesPerDay = 0.0;  // expected number of passes that see it on an average day
};
class DailyCoverage {
 public:
  DailyCoverage(double dayUtc, bool ascending);
  Coverage at(double latDeg, double lonDeg) const;
  int passes() const { return static_cast<int>(nodeUtc_.size()); }

 private:
  bool ascending_;
  double dayUtc_;
  std::vector<double> nodeUtc_, nodeLon_;  // per pass: ascending node time and longitude (rad)
};

// Great-circle distance in km and initial bearing in degrees (-180, 180] from 1 to 2.
double distanceKm(double lat1, double lon1, double lat2, double lon2);
double bearingDeg(double lat1, double lon1, double lat2, double lon2);

// Sun elevation and azimuth (degrees) seen from a position at a UTC time.
void sunAngles(double utcSec, double latDeg, double lonDeg, double& elevationDeg, double& azimuthDeg);

}  // namespace kivo::gen::orbit
