#pragma once

// The reader for a product file's format.

#include <memory>
#include <string>

#include "product_io/product_types.h"
#include "product_io/readers/amsr_data.h"

namespace kivo::io {

// A reader of `path` (not opened yet): AMSR2_data for HDF5, AMSR_E_data for HDF4; null for
// kFormatNone and any other value.
std::unique_ptr<AMSR_data> makeReader(FileFormat format, const std::string& path);

}  // namespace kivo::io
