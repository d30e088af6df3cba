#pragma once

// Result codes of the product I/O library. Every operation returns a value >= 0 on
// success and one of these on failure.
namespace kivo::io {

enum IoError : int {
  kErrGridFile = -100,          // grid position file missing or unreadable
  kErrNoMemory = -101,          // out of memory, or a size beyond what the library allocates
  kErrLeapFile = -103,          // leap-second file cannot be opened
  kErrMappingFile = -109,       // geophysical mapping file missing or without a usable line
  kErrDateYear = -201,          // year before 1993 (or beyond what a record holds)
  kErrDateMonth = -202,
  kErrDateDay = -203,
  kErrDateHour = -204,
  kErrDateMinute = -205,
  kErrDateSecond = -206,
  kErrDateNegative = -208,      // a negative calendar field
  kErrNegativeSeconds = -209,   // a negative second count
  kErrEndBeforeBegin = -211,    // end scan before begin scan
  kErrNullHandle = -213,        // file handle is 0
  kErrBadIndex = -214,          // attribute index <= 0
  kErrBadDims = -215,           // inconsistent dimensions
  kErrNullRecords = -216,       // null record array
  kErrUndefinedLabel = -217,    // label not defined for this product
  kErrDerivedLabel = -218,      // derived label not supported by this operation
  kErrNotGridLabel = -219,      // label not accepted by the Level 3 entry points
  kErrEmptySelection = -220,    // selection of zero size
  kErrNullArgument = -221,      // null pointer argument
  kErrBadProjection = -222,     // projection text not recognised
  kErrLatitudeRange = -227,     // latitude beyond +-90 in co-registration
  kErrLongitudeRange = -228,    // longitude beyond +-180 in co-registration
  kErrBadMode = -238,           // output access mode other than create (2) or update (1)
  kErrOutputType = -239,        // output type not permitted for the label
  kErrOpen = -501,
  kErrClose = -502,
  kErrDatasetOpen = -504,
  kErrDataspace = -505,
  kErrRank = -506,
  kErrExtents = -507,
  kErrDatasetCreate = -508,     // dataset creation failed
  kErrWrite = -509,
  kErrRead = -510,
  kErrDatasetType = -511,
  kErrAttrNotFound = -520,
  kErrAttrType = -521,          // attribute type unreadable
  kErrAttrRead = -522,
  kErrAttrIndex = -523,
  kErrAttrCreate = -524,        // attribute creation failed
  kErrAttrWrite = -525,         // attribute write failed
  kErrAttrNotString = -526,
  kErrStringCopy = -527,
  kErrStringType = -528,
  kErrNativeType = -529,
  kErrMemSpace = -540,
  kErrScanSelection = -541,
};

// Pairs (missing, other failure) used when a specific root attribute is read.
struct AttrErrorPair {
  int missing;
  int other;
};
inline constexpr AttrErrorPair kErrProductName{-550, -551};
inline constexpr AttrErrorPair kErrOverlapScans{-552, -553};
inline constexpr AttrErrorPair kErrGeophysicalName{-554, -555};
inline constexpr AttrErrorPair kErrGranuleId{-556, -557};
inline constexpr AttrErrorPair kErrCoRegA1{-558, -559};
inline constexpr AttrErrorPair kErrCoRegA2{-560, -561};
inline constexpr AttrErrorPair kErrProjection{-562, -563};
inline constexpr AttrErrorPair kErrOrbitDirection{-564, -565};
inline constexpr AttrErrorPair kErrProductionDateTime{-566, -567};

// Maps an attribute read result onto the pair: -520 becomes `missing`, any other code in
// -599..-500 becomes `other`, everything else passes through.
constexpr int mapAttrError(int code, AttrErrorPair pair) {
  if (code >= 0) return code;
  if (code == kErrAttrNotFound) return pair.missing;
  if (code <= -500 && code >= -599) return pair.other;
  return code;
}

}  // namespace kivo::io
