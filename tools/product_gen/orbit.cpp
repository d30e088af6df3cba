#include "orbit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace kivo::gen::orbit {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kDeg = kPi / 180.0;
constexpr double kMu = 398600.4418;  // km^3/s^2
const double kOmegaSat = 2.0 * kPi / kPeriodSec;
// A sun-synchronous orbit plane turns against the Earth once per solar day.
const double kOmegaRel = 2.0 * kPi / kUtcDay;
const long long kEpochDays = daysFromCivil(1993, 1, 1);

// First months after each leap second inserted since 1993 (the leap closes the month before).
constexpr int kLeapMonths[][2] = {{1993, 7}, {1994, 7}, {1996, 1}, {1997, 7}, {1999, 1},
                                  {2006, 1}, {2009, 1}, {2012, 7}, {2015, 7}, {2017, 1}};

struct Vec {
  double x, y, z;
};
Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec operator*(double s, Vec a) { return {s * a.x, s * a.y, s * a.z}; }
double dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec cross(Vec a, Vec b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
Vec normalized(Vec a) { return (1.0 / std::sqrt(dot(a, a))) * a; }

double wrapPi(double a) {
  a = std::fmod(a, 2.0 * kPi);
  if (a > kPi) a -= 2.0 * kPi;
  if (a <= -kPi) a += 2.0 * kPi;
  return a;
}

double semiMajorAxisKm() { return std::cbrt(kMu * kPeriodSec * kPeriodSec / (4.0 * kPi * kPi)); }

// Longitude (rad) of the ascending node of a sun-synchronous orbit crossing at nodeUtc.
double nodeLongitude(double nodeUtc) {
  double dayFraction = std::fmod(nodeUtc, kUtcDay) / kUtcDay;
  if (dayFraction < 0.0) dayFraction += 1.0;
  return wrapPi((kAscendingNodeLocalHour / 24.0 - dayFraction) * 2.0 * kPi);
}

// Sub-satellite unit vector and its time derivative at argument of latitude u with the
// ascending node at Earth-fixed longitude omega.
void subSatellite(double u, double omega, Vec& s, Vec& ds) {
  const double inc = kInclinationDeg * kDeg;
  const double cu = std::cos(u), su = std::sin(u), ci = std::cos(inc), si = std::sin(inc);
  const double co = std::cos(omega), so = std::sin(omega);
  const Vec p{cu, su * ci, su * si};
  const Vec dp{-su * kOmegaSat, cu * ci * kOmegaSat, cu * si * kOmegaSat};
  s = {co * p.x - so * p.y, so * p.x + co * p.y, p.z};
  const Vec rotated{co * dp.x - so * dp.y, so * dp.x + co * dp.y, dp.z};
  ds = rotated + (-kOmegaRel) * Vec{-s.y, s.x, 0.0};
}

void toLatLon(Vec p, double& latDeg, double& lonDeg) {
  latDeg = std::asin(std::clamp(p.z, -1.0, 1.0)) / kDeg;
  lonDeg = std::atan2(p.y, p.x) / kDeg;
  if (lonDeg <= -180.0) lonDeg += 360.0;
}

}  // namespace

long long daysFromCivil(int year, int month, int day) {
  const long long y = year - (month <= 2);
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const long long yoe = y - era * 400;
  const long long doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void civilFromDays(long long z, int& year, int& month, int& day) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const long long doe = z - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

bool parseUtc(const std::string& text, double& utcSec) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, consumed = 0;
  if (std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%n", &y, &mo, &d, &h, &mi, &s, &consumed) != 6) return false;
  int ms = 0;
  size_t pos = static_cast<size_t>(consumed);
  if (pos < text.size() && text[pos] == '.') {
    int digits = 0;
    ++pos;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
      if (digits < 3) ms = ms * 10 + (text[pos] - '0');
      ++digits;
      ++pos;
    }
    if (digits == 0) return false;
    for (; digits < 3; ++digits) ms *= 10;
  }
  if (pos < text.size() && text[pos] == 'Z') ++pos;
  if (pos != text.size()) return false;
  if (y < 1993 || mo < 1 || mo > 12 || d < 1 || h > 23 || mi > 59 || s > 59) return false;
  int cy = 0, cm = 0, cd = 0;
  civilFromDays(daysFromCivil(y, mo, d), cy, cm, cd);
  if (cd != d || cm != mo) return false;  // no such day in that month
  utcSec = static_cast<double>(daysFromCivil(y, mo, d) - kEpochDays) * kUtcDay + h * 3600.0 + mi * 60.0 + s +
           ms / 1000.0;
  return true;
}

std::string formatUtc(double utcSec) {
  const long long totalMs = std::llround(utcSec * 1000.0);
  const long long ms = ((totalMs % 1000) + 1000) % 1000;
  const long long secs = (totalMs - ms) / 1000;
  long long days = secs / 86400;
  long long rest = secs % 86400;
  if (rest < 0) {
    rest += 86400;
    --days;
  }
  int y = 0, mo = 0, d = 0;
  civilFromDays(days + kEpochDays, y, mo, d);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", y, mo, d, static_cast<int>(rest / 3600),
                static_cast<int>(rest / 60 % 60), static_cast<int>(rest % 60), static_cast<int>(ms));
  return buf;
}

int leapSecondsBefore(double utcSec) {
  int n = 0;
  for (const auto& m : kLeapMonths)
    if (utcSec >= static_cast<double>(daysFromCivil(m[0], m[1], 1) - kEpochDays) * kUtcDay) ++n;
  return n;
}

double utcToCount(double utcSec) { return utcSec + leapSecondsBefore(utcSec); }

double countToUtc(double count) {
  double utc = count - leapSecondsBefore(count);
  utc = count - leapSecondsBefore(utc);
  return utc;
}

bool computeSwath(double startUtc, int scans, int overlap, bool ascending, Swath& sw) {
  if (scans < 1 || overlap < 0) return false;
  const int rows = scans + 2 * overlap;
  const size_t n = static_cast<size_t>(rows);
  sw = Swath{};
  sw.rows = rows;
  sw.utc.resize(n);
  sw.count.resize(n);
  sw.argLatDeg.resize(n);
  sw.subLat.resize(n);
  sw.subLon.resize(n);
  sw.nav.resize(n * 6);
  const size_t px = n * kHighPixels;
  sw.latA.resize(px);
  sw.lonA.resize(px);
  sw.latB.resize(px);
  sw.lonB.resize(px);

  const double u0 = ascending ? -kPi / 2.0 : kPi / 2.0;
  // The ascending node nearest the start fixes where the orbit plane lies.
  const double nodeOffset = -u0 / kOmegaSat;
  const double nodeUtc = startUtc + nodeOffset;
  const double nodeLon = nodeLongitude(nodeUtc);
  const double startCount = utcToCount(startUtc);
  const double rho = kScanArcRadiusKm / kEarthRadiusKm;
  const double halfSwath = kSwathWidthKm / 2.0 / kEarthRadiusKm;
  const double alphaMax = std::asin(std::sin(halfSwath) / std::sin(rho));
  const double leadB = kBeamBOffsetKm / (kEarthRadiusKm * kOmegaSat);
  const double aKm = semiMajorAxisKm();

  std::vector<double> cosA(kHighPixels), sinA(kHighPixels);
  for (int j = 0; j < kHighPixels; ++j) {
    // Pixel 0 at the left end of the forward arc, the scan sweeping clockwise seen from above.
    const double alpha = -alphaMax + 2.0 * alphaMax * j / (kHighPixels - 1);
    cosA[j] = std::cos(alpha);
    sinA[j] = std::sin(alpha);
  }
  const double cr = std::cos(rho), sr = std::sin(rho);

  auto footprints = [&](double tau, float* lat, float* lon) {
    const double u = u0 + kOmegaSat * tau;
    Vec s{}, ds{};
    subSatellite(u, nodeLon - kOmegaRel * (tau - nodeOffset), s, ds);
    const Vec h = normalized(ds + (-dot(ds, s)) * s);
    const Vec right = cross(h, s);
    for (int j = 0; j < kHighPixels; ++j) {
      const Vec p = cr * s + sr * (cosA[j] * h + sinA[j] * right);
      double la = 0.0, lo = 0.0;
      toLatLon(p, la, lo);
      lat[j] = static_cast<float>(la);
      lon[j] = static_cast<float>(lo);
    }
  };

  for (int i = 0; i < rows; ++i) {
    const double tau = kScanSec * (i - overlap);
    const size_t r = static_cast<size_t>(i);
    sw.count[r] = startCount + tau;
    sw.utc[r] = countToUtc(sw.count[r]);
    const double u = u0 + kOmegaSat * tau;
    double argLat = std::fmod(u / kDeg, 360.0);
    if (argLat < 0.0) argLat += 360.0;
    sw.argLatDeg[r] = argLat;
    Vec s{}, ds{};
    subSatellite(u, nodeLon - kOmegaRel * (tau - nodeOffset), s, ds);
    toLatLon(s, sw.subLat[r], sw.subLon[r]);
    const double m = aKm * 1000.0;
    const double nav[6] = {m * s.x, m * s.y, m * s.z, m * ds.x, m * ds.y, m * ds.z};
    std::copy(nav, nav + 6, sw.nav.begin() + static_cast<long>(r * 6));
    footprints(tau, &sw.latA[r * kHighPixels], &sw.lonA[r * kHighPixels]);
    footprints(tau + leadB, &sw.latB[r * kHighPixels], &sw.lonB[r * kHighPixels]);
  }

  // The equator crossing inside this half orbit: ascending node, or descending node half an
  // orbit later.
  const double crossTau = ascending ? nodeOffset : nodeOffset + kPeriodSec / 2.0;
  Vec s{}, ds{};
  subSatellite(u0 + kOmegaSat * crossTau, nodeLon - kOmegaRel * (crossTau - nodeOffset), s, ds);
  double la = 0.0;
  toLatLon(s, la, sw.nodeLon);
  sw.nodeUtc = startUtc + crossTau;
  return true;
}

DailyCoverage::DailyCoverage(double dayUtc, bool ascending) : ascending_(ascending), dayUtc_(dayUtc) {
  // Passes of the day: ascending nodes every period, the first 20 minutes after midnight.
  for (double t = 1200.0; t < kUtcDay; t += kPeriodSec) {
    nodeUtc_.push_back(dayUtc + t);
    nodeLon_.push_back(nodeLongitude(dayUtc + t));
  }
}

Coverage DailyCoverage::at(double latDeg, double lonDeg) const {
  Coverage c;
  const double inc = kInclinationDeg * kDeg;
  const double phi = latDeg * kDeg, lam = lonDeg * kDeg;
  const double phiMax = kPi - inc;
  const double halfSwath = kSwathWidthKm / 2.0 / kEarthRadiusKm;
  const double spacing = kOmegaRel * kPeriodSec;  // longitude step between passes
  const int n = passes();
  if (std::fabs(phi) >= phiMax) {
    // Beyond the turning latitude the passes' turning points ring the pole closely; only the
    // hole around the pole is never seen.
    if (std::fabs(phi) > phiMax + halfSwath || n == 0) return c;
    c.covered = true;
    // Turning points: the north one at u = 90 degrees, the south one at -90 (ascending) or 270.
    const double u = phi > 0.0 ? kPi / 2.0 : (ascending_ ? -kPi / 2.0 : 1.5 * kPi);
    c.minuteOfDay = std::fmod(nodeUtc_[0] - dayUtc_ + u / kOmegaSat + kUtcDay, kUtcDay) / 60.0;
    c.passesPerDay = n;
    return c;
  }
  const double s = std::sin(phi) / std::sin(inc);
  const double uc = ascending_ ? std::asin(s) : kPi - std::asin(s);
  const double ci = std::cos(inc);
  const double cphi = std::cos(phi);
  const double dPhi = std::fabs(std::sin(inc) * std::cos(uc) / cphi);
  const double dLam = ci / (cphi * cphi) - kOmegaRel / kOmegaSat;
  // Longitude half-width of the swath along this parallel.
  double halfWidth = kPi;
  if (dPhi > 1e-9) halfWidth = std::min(kPi, halfSwath / cphi * std::sqrt(1.0 + std::pow(cphi * dLam / dPhi, 2.0)));
  const double trackOffset = std::atan2(ci * std::sin(uc), std::cos(uc)) - kOmegaRel * uc / kOmegaSat;
  c.passesPerDay = std::min<double>(n, 2.0 * halfWidth / spacing);
  for (int k = 0; k < n; ++k) {
    const double crossing = nodeLon_[k] + trackOffset;
    if (std::fabs(wrapPi(lam - crossing)) <= halfWidth) {
      c.covered = true;
      c.minuteOfDay = (nodeUtc_[k] - dayUtc_ + uc / kOmegaSat) / 60.0;
      break;
    }
  }
  return c;
}

double distanceKm(double lat1, double lon1, double lat2, double lon2) {
  const double p1 = lat1 * kDeg, p2 = lat2 * kDeg, dl = (lon2 - lon1) * kDeg;
  const double a = std::sin((p2 - p1) / 2.0), b = std::sin(dl / 2.0);
  return 2.0 * kEarthRadiusKm * std::asin(std::min(1.0, std::sqrt(a * a + std::cos(p1) * std::cos(p2) * b * b)));
}

double bearingDeg(double lat1, double lon1, double lat2, double lon2) {
  const double p1 = lat1 * kDeg, p2 = lat2 * kDeg, dl = (lon2 - lon1) * kDeg;
  double b = std::atan2(std::sin(dl) * std::cos(p2), std::cos(p1) * std::sin(p2) - std::sin(p1) * std::cos(p2) * std::cos(dl)) / kDeg;
  if (b <= -180.0) b += 360.0;
  return b;
}

void sunAngles(double utcSec, double latDeg, double lonDeg, double& elevationDeg, double& azimuthDeg) {
  const long long days = static_cast<long long>(std::floor(utcSec / kUtcDay));
  int y = 0, m = 0, d = 0;
  civilFromDays(days + kEpochDays, y, m, d);
  const double dayOfYear = static_cast<double>(days + kEpochDays - daysFromCivil(y, 1, 1));
  const double hours = (utcSec - days * kUtcDay) / 3600.0;
  const double decl = -23.44 * std::cos(2.0 * kPi * (dayOfYear + 10.0) / 365.0);
  double subLon = std::fmod(-15.0 * (hours - 12.0), 360.0);
  if (subLon > 180.0) subLon -= 360.0;
  if (subLon <= -180.0) subLon += 360.0;
  const double p = latDeg * kDeg, dd = decl * kDeg, h = (lonDeg - subLon) * kDeg;
  elevationDeg = std::asin(std::clamp(std::sin(p) * std::sin(dd) + std::cos(p) * std::cos(dd) * std::cos(h), -1.0, 1.0)) / kDeg;
  azimuthDeg = bearingDeg(latDeg, lonDeg, decl, subLon);
}

}  // namespace kivo::gen::orbit
