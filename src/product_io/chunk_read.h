#pragma once

// Whole-row reads of compressed datasets without HDF5's per-chunk pipeline: the stored chunks
// are read as they are and inflated on up to two threads. Internal to the product I/O library.

#include <hdf5.h>

#include "product_io/io_internal.h"

namespace kivo::io::detail {

// Reads rows [first, first + count) of axis 0 (all of every other axis) of `ds` into `out`,
// row-major, as H5Dread with `memType` would. Done only for a chunked dataset with the
// deflate filter alone whose stored type is `memType` itself, and only when every chunk of
// the rows is stored and inflates to a whole chunk; otherwise it returns false, leaving `out`
// in an unspecified state, and the caller reads through H5Dread, which reports any fault.
bool readRowsDirect(const CheckedDataset& ds, hsize_t first, hsize_t count, hid_t memType, void* out);

}  // namespace kivo::io::detail
