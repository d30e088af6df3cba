#pragma once

// Shared helpers of the product I/O library's source files.

#include <hdf5.h>

#include <string>

#include "product_io/amsr2_io.h"
#include "product_io/h5_handle.h"

namespace kivo::io::detail {

// Extent limit: a dataset axis may hold at most this many times its nominal size.
inline constexpr hsize_t kExtentFactor = 4;
// Largest buffer the library fills for one request.
inline constexpr std::size_t kMaxRequestBytes = std::size_t{1} << 30;

// An opened dataset whose rank and extents were checked against its definition row.
struct CheckedDataset {
  H5Dataset dataset;
  H5Space space;
  int rank = 0;
  hsize_t dims[3] = {0, 0, 0};
};

// Opens a dataset by name and checks it against `row`: -504 open, -505 dataspace,
// -506 rank outside 1..3 or unlike the row's, -507 extents unreadable or far beyond nominal.
int openChecked(hid_t file, const std::string& name, const LabelDef& row, CheckedDataset& out);

// Reads a root attribute by name into text, with the attribute error pair applied.
int readRootAttribute(hid_t file, const char* name, std::string& text, AttrErrorPair pair);

// "SCALE FACTOR" of a dataset (-520 missing, -522 unreadable).
int getScaleFactor(hid_t dataset, float& scale);

// The selected rows [first, after) on the scan axis for a scan range.
struct RowRange {
  hsize_t first = 0;
  hsize_t count = 0;
};
int selectRows(hid_t file, int begin, int end, hsize_t rows, bool applyOverlap, RowRange& range);

// Argument checks common to the typed reads.
int checkReadArguments(ProductHandle handle, int begin, int end, AccessLabel label);

}  // namespace kivo::io::detail
