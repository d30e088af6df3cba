#include "app/map_view/map_view.h"

namespace kivo::app {

void ComPrdctMpDsp::ComSaveHdf() {}
int ComPrdctMpDsp::ComBtchOutHdf(const BtchHdfRec&) { return 2; }

}  // namespace kivo::app
