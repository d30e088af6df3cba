#include "product_io/readers/reader_factory.h"

#include "product_io/readers/amsr2_data.h"
#include "product_io/readers/amsr_e_data.h"

namespace kivo::io {

std::unique_ptr<AMSR_data> makeReader(FileFormat format, const std::string& path) {
  switch (format) {
    case kFormatHdf5: return std::make_unique<AMSR2_data>(path);
    case kFormatHdf4: return std::make_unique<AMSR_E_data>(path);
    default: return nullptr;
  }
}

}  // namespace kivo::io
