#include "app/map_view/map_view.h"

namespace kivo::app {

void ComPrdctMpDsp::ComSaveCsv(bool) {}
void ComPrdctMpDsp::ComSaveBinary() {}
void ComPrdctMpDsp::ComSaveGeoTiff() {}
int ComPrdctMpDsp::ComBtchOutCsv(const BtchCsvRec&) { return 2; }
int ComPrdctMpDsp::ComBtchOutBin(const BtchBinRec&) { return 2; }

}  // namespace kivo::app
