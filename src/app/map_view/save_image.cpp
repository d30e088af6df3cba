#include "app/map_view/map_view.h"

namespace kivo::app {

void ComPrdctMpDsp::ComSaveImage() {}
void ComPrdctMpDsp::ComSaveKml() {}
int ComPrdctMpDsp::ComBtchOutImg(const BtchImgRec&) { return 2; }

}  // namespace kivo::app
