#pragma once

// Converts the IERS/NTP leap-second list (as tzdata ships it in leap-seconds.list) into the
// installation's leap-second table "leapsec.dat".

#include <iosfwd>
#include <string>

namespace kivo::tools {

// Reads the list from `in` and writes the table to `out`. Returns the number of entries
// written, or -1 with `problem` set when the list holds no usable entry or a malformed line.
int convertLeapSecondsList(std::istream& in, std::ostream& out, std::string& problem);

}  // namespace kivo::tools
