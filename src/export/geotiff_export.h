#pragma once

// The values of a shown product as a georeferenced GeoTIFF: the same cells as the binary
// export, as float32 in EPSG:4326 (north up, 0.1-degree pixels), the invalid marker as
// nodata, one band per colour channel, the product's title and unit in the metadata.

#include "export/value_export.h"

namespace kivo::out {

// kOutOk or an OutputResult; a failure leaves no file under the request's path.
int writeValuesGeoTiff(const ValueExportRequest& request);

}  // namespace kivo::out
