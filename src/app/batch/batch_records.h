#pragma once

// The records an interactive operation hands to the batch command history, which are also
// the requests the batch runner hands to the operations.

#include <string>

namespace kivo::app {

// VIEWHDF: one open of a product from a file open panel.
struct BtchOpnRec {
  std::string productWord;     // "AMSR2", or the AMSR/AMSR-E product word
  std::string levelWord;       // "Level 1B", "Level 2 Map", "Level 3", ...
  int composite = 0;           // 0 single channel, 1 red/green/blue
  std::string channels[3];     // display names (batch requests: channel codes); empty when unused
  std::string projectionName;  // a batch /M option; empty after an interactive Open
  bool tableGiven = false;     // a table other than "[Automatic]" was chosen
  std::string tableName;       // file name of the .clt or .lut table
  std::string fileListName;    // "KIVOFileList_MMDDhhmm.txt", or the /I path of a request
  std::string fileListText;    // every path followed by CR LF; empty in a request
  bool view = true;            // false: the map window opens off screen (/V OFF)
};

// CHANGEMAP: the state of a map view after a change of projection, magnification or centre.
struct BtchMapRec {
  double magnification = 1.0;
  int centreLon = 0;  // microdegrees
  int centreLat = 0;
  bool windowSizeGiven = false;
  int width = 0;
  int height = 0;
  std::string projectionName;  // "EQR", "PN", "PS", "PNS", "ORTHO", "MER"
};

// OUTMOV: an animation of the files of a file list.
struct BtchMovRec {
  std::string productWord;   // "AMSR2", or the AMSR/AMSR-E product word
  std::string levelWord;     // "Level 1B", "Level 3", ...
  int format = 0;            // 0 AVI, 1 KML, 2 KMZ
  int composite = 0;         // 0 single channel, 1 red/green/blue
  std::string channels[3];   // display names (batch requests: channel codes); empty when unused
  bool tableGiven = false;   // a table other than "[Automatic]" was chosen
  std::string tableName;     // file name of the .clt table
  std::string fileListName;  // "KIVOMovFileList_MMDDhhmm.txt", or the /I path of a request
  std::string fileListText;  // every path followed by CR LF; empty in a request
  std::string path;          // the output file's name and extension (a request: the /O path)
};

// The area of an output request or record: the two corners of the selection (microdegrees).
struct BtchArea {
  int lon1 = 0;  // first corner
  int lat1 = 0;
  int lon2 = 0;  // second corner
  int lat2 = 0;
};

// OUTIMG. The format counts 0 JPEG, 1 BMP, 2 TIFF, 3 PNG in history records filled by the image
// output, and 1 JPEG, 2 BMP, 3 TIFF, 4 PNG in the runner's requests.
struct BtchImgRec {
  BtchArea area;
  int format = 0;
  std::string path;
  bool areaGiven = false;
};

// OUTCSV.
struct BtchCsvRec {
  BtchArea area;
  bool withLatLon = false;
  std::string path;
  bool areaGiven = false;
};

// OUTBIN.
struct BtchBinRec {
  BtchArea area;
  std::string path;
  bool areaGiven = false;
};

// OUTHDF.
struct BtchHdfRec {
  BtchArea area;
  std::string path;
  bool areaGiven = false;
  BtchOpnRec open;  // the open of the view's product
};

}  // namespace kivo::app
