#include "leapsec_convert.h"

#include <cstdio>
#include <istream>
#include <ostream>
#include <sstream>
#include <vector>

namespace kivo::tools {
namespace {

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
long long daysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

void civilFromDays(long long z, long long& y, unsigned& m, unsigned& d) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  y = static_cast<long long>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y += m <= 2;
}

struct Entry {
  long long year;
  unsigned month;
  long long utcSince1993;  // UTC seconds (no leap seconds) from 1993-01-01 to the entry's start
  int offset;              // TAI - UTC from then on
};

// NTP seconds count from 1900-01-01; 1970 is 25567 days later.
constexpr long long kNtpTo1970Days = 25567;

}  // namespace

int convertLeapSecondsList(std::istream& in, std::ostream& out, std::string& problem) {
  std::vector<Entry> entries;
  std::string line;
  int lineNo = 0;
  const long long day1993 = daysFromCivil(1993, 1, 1);
  while (std::getline(in, line)) {
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const auto hash = line.find('#');
    const std::string body = line.substr(0, hash);
    std::istringstream fields(body);
    long long ntp = 0;
    int offset = 0;
    if (!(fields >> ntp)) {
      if (body.find_first_not_of(" \t") != std::string::npos) {
        problem = "line " + std::to_string(lineNo) + ": not a leap-second entry";
        return -1;
      }
      continue;
    }
    if (!(fields >> offset) || ntp < 0 || ntp % 86400 != 0 || offset < 0 || offset > 1000) {
      problem = "line " + std::to_string(lineNo) + ": malformed entry";
      return -1;
    }
    Entry e;
    const long long days1970 = ntp / 86400 - kNtpTo1970Days;
    unsigned day = 0;
    civilFromDays(days1970, e.year, e.month, day);
    if (day != 1 || (!entries.empty() && days1970 <= daysFromCivil(entries.back().year, entries.back().month, 1))) {
      problem = "line " + std::to_string(lineNo) + ": entry not on the first of a later month";
      return -1;
    }
    e.utcSince1993 = (days1970 - day1993) * 86400;
    e.offset = offset;
    entries.push_back(e);
  }
  if (entries.empty()) {
    problem = "no leap-second entries";
    return -1;
  }
  // The product scale counts from 1993-01-01 and includes every leap second since then, so
  // an entry starts at its UTC time plus the leap seconds added after 1993-01-01.
  int offset1993 = 0;
  for (const Entry& e : entries) {
    if (e.year * 12 + e.month <= 1993 * 12 + 1) offset1993 = e.offset;
  }
  out << "YEAR MONTH TAI-UTC(s) MJD-BASE DRIFT(s/day) START-COUNT(s since 1993-01-01, leap seconds included)\r\n";
  for (const Entry& e : entries) {
    char text[160];
    std::snprintf(text, sizeof text, "%lld %u %.1f %.1f %.1f %.1f\r\n", e.year, e.month, static_cast<double>(e.offset),
                  41317.0, 0.0, static_cast<double>(e.utcSince1993 + e.offset - offset1993));
    out << text;
  }
  return static_cast<int>(entries.size());
}

}  // namespace kivo::tools
