// kivo-dump: prints what the product library reads from a product file, one item a line.

#include <bit>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/program_folder.h"
#include "product_io/access_labels.h"
#include "product_io/amsr2_io.h"
#include "product_io/geolocation.h"
#include "product_io/product_time.h"
#include "product_io/readers/reader_factory.h"
#include "product_model/catalogue.h"
#include "product_model/product_object.h"

namespace {

namespace io = kivo::io;
namespace cat = kivo::catalogue;

constexpr int kExitLibrary = 1;
constexpr int kExitUsage = 2;

int usage() {
  std::fprintf(stderr,
               "usage: kivo-dump FILE\n"
               "       kivo-dump FILE --label L [--scans B E] [--type int|byte|float|double]\n"
               "       kivo-dump FILE --grid L\n"
               "       kivo-dump FILE --quality [--scans B E]\n"
               "       kivo-dump FILE --latlon L [--scans B E]\n"
               "       kivo-dump FILE --time [--scans B E]\n"
               "       kivo-dump FILE --values LABEL_OR_CODE [--int]\n"
               "       kivo-dump FILE --channel C --grid-out OUT.bin [--points]\n");
  return kExitUsage;
}

int libraryError(int code) {
  std::printf("error=%d\n", code);
  return kExitLibrary;
}

bool parseInt(const char* text, int& value) {
  if (text == nullptr || *text == '\0') return false;
  char* end = nullptr;
  const long v = std::strtol(text, &end, 10);
  if (*end != '\0' || v < -2147483647L - 1 || v > 2147483647L) return false;
  value = static_cast<int>(v);
  return true;
}

// Closes the product when the dump ends, whichever way it ends.
struct OpenProduct {
  io::ProductHandle handle = 0;
  ~OpenProduct() {
    if (handle > 0) io::closeProduct(handle);
  }
};

// A reader of the file's format, opened; null (with the exit status in `status`) on failure.
std::unique_ptr<io::AMSR_data> openReader(const std::string& path, int format, int& status) {
  std::unique_ptr<io::AMSR_data> reader = io::makeReader(static_cast<io::FileFormat>(format), path);
  if (!reader) {
    status = kExitLibrary;
    return nullptr;
  }
  const int rc = reader->open();
  if (rc != 0) {
    status = libraryError(format == cat::kFormatHdf5 ? io::kErrOpen : -1);
    return nullptr;
  }
  return reader;
}

int readAttributes(const std::string& path, int format, cat::RootAttributes& attributes) {
  attributes.clear();
  if (format == cat::kFormatHdf5) {
    OpenProduct product;
    product.handle = io::openProduct(path.c_str());
    if (product.handle < 0) return libraryError(static_cast<int>(product.handle));
    const int count = io::getMetaDataCount(product.handle);
    for (int i = 1; i <= count; ++i) {
      cat::RootAttribute a;
      int rc = io::getMetaDataName(product.handle, i, a.name);
      if (rc < 0) return libraryError(rc);
      rc = io::getMetaData(product.handle, i, a.value);
      if (rc < 0) return libraryError(rc);
      attributes.push_back(std::move(a));
    }
    return 0;
  }
  int status = 0;
  const auto reader = openReader(path, format, status);
  if (!reader) return status;
  const int count = reader->attributeCount();
  for (int i = 0; i < count; ++i) {
    cat::RootAttribute a;
    int size = 0;
    if (reader->attributeName(i, a.name, size) != 0) return libraryError(-1);
    if (reader->attributeByIndex(i, a.value) < 0) return libraryError(-1);
    attributes.push_back(std::move(a));
  }
  return 0;
}

int dumpAttributes(const std::string& path) {
  const int format = cat::ComGetFileFormat(path);
  std::printf("format=%d\n", format);
  if (format == cat::kFormatNone) return kExitLibrary;
  cat::RootAttributes attributes;
  const int rc = readAttributes(path, format, attributes);
  if (rc != 0) return rc;
  const cat::ProductIdentifier id = cat::identifyProduct(attributes);
  std::printf("type=%d\n", kivo::io::indexOf(id.type()));
  std::printf("name=%s\n", id.displayName().c_str());
  for (std::size_t i = 0; i < attributes.size(); ++i) {
    std::printf("%zu\t%s\t%s\n", i + 1, attributes[i].name.c_str(), attributes[i].value.c_str());
  }
  return 0;
}

int dumpValues(const std::string& path, io::AccessLabel label, bool asInt) {
  const int format = cat::ComGetFileFormat(path);
  if (format == cat::kFormatNone) return libraryError(-1);
  cat::RootAttributes attributes;
  const int rc = readAttributes(path, format, attributes);
  if (rc != 0) return rc;
  const kivo::io::PrdctType type = cat::identifyProduct(attributes).type();
  int status = 0;
  const auto reader = openReader(path, format, status);
  if (!reader) return status;
  std::vector<io::LatLon> positions;
  std::vector<double> values;
  int count = 0;
  if (asInt) {
    std::vector<std::int32_t> v;
    count = reader->readIntWithPositions(label, v, positions, type);
    values.assign(v.begin(), v.end());
  } else {
    std::vector<float> v;
    count = reader->readFloatWithPositions(label, v, positions, type);
    values.assign(v.begin(), v.end());
  }
  if (count < 0) return libraryError(count);
  std::printf("count=%d\n", count);
  for (std::size_t i = 0; i < values.size(); ++i) {
    const io::LatLon p = i < positions.size() ? positions[i] : io::LatLon{};
    std::printf("%.9g %.6f %.6f\n", values[i], static_cast<double>(p.lat), static_cast<double>(p.lon));
  }
  return 0;
}

// Loads a channel into a product object, fills the gaps and writes the value grid.
int dumpGrid(const std::string& path, int chnl, const std::string& out, bool withPoints) {
  kivo::model::ComPrdctMngmnt object({kivo::app::dataFolder(), nullptr, 0});
  int slot = -1, projection = -1;
  bool known = false;
  std::string name;
  int rc = object.ComOpenPrdctFile(path, slot, name, projection, known);
  if (rc != 0) return libraryError(rc);
  rc = object.ComLoadChnl(slot, chnl);
  if (rc != 0) return libraryError(rc);
  object.ComStartMesh();
  object.ComWaitMesh();
  const float* grid = nullptr;
  const bool meshed = object.ComGetGridValues(slot, grid, chnl) == 0;
  if (meshed) {
    FILE* f = std::fopen(out.c_str(), "wb");
    static_assert(std::endian::native == std::endian::little, "the grid is written in native order");
    const bool written = f != nullptr && std::fwrite(grid, sizeof(float), kivo::model::kGridCells, f) == kivo::model::kGridCells;
    if (f != nullptr && std::fclose(f) != 0) return libraryError(-1);
    if (!written) {
      std::fprintf(stderr, "kivo-dump: cannot write %s\n", out.c_str());
      return libraryError(-1);
    }
  }
  std::printf("points=%d\n", object.ComGetPointCount(slot, chnl));
  std::printf("meshed=%d\n", meshed ? 1 : 0);
  if (withPoints) {
    const kivo::model::ObsPoint* points = nullptr;
    int count = 0;
    if (object.ComGetPointArray(slot, points, count, chnl) == 0) {
      for (int i = 0; i < count; ++i) {
        std::printf("%d %d %.9g\n", points[i].lon, points[i].lat, static_cast<double>(points[i].value));
      }
    }
  }
  return meshed ? 0 : kExitLibrary;
}

int dumpLatLon(io::ProductHandle handle, io::AccessLabel label, int begin, int end) {
  std::vector<io::LatLon> positions;
  const int count = io::getLatLon(handle, positions, begin, end, label);
  if (count < 0) return libraryError(count);
  std::printf("count=%d\n", count);
  for (const io::LatLon& p : positions) {
    std::printf("%.6f %.6f\n", static_cast<double>(p.lat), static_cast<double>(p.lon));
  }
  return 0;
}

int dumpTime(io::ProductHandle handle, int begin, int end) {
  std::vector<io::ScanTimeRecord> records;
  // The installation's leap-second table; AMSR2_LEAP_DATA, when set, names another file.
  const int count = io::getScanTime(handle, begin, end, records, kivo::app::dataFolder() + "leapsec.dat");
  if (count < 0) return libraryError(count);
  std::printf("count=%d\n", count);
  for (const io::ScanTimeRecord& r : records) {
    std::printf("%.3f %04d-%02d-%02dT%02d:%02d:%02d.%03d\n", r.seconds, r.year, r.month, r.day, r.hour, r.minute,
                r.second, r.millisecond);
  }
  return 0;
}

void printValues(const std::vector<float>& v) {
  for (float x : v) std::printf("%.9g\n", static_cast<double>(x));
}
void printValues(const std::vector<double>& v) {
  for (double x : v) std::printf("%.9g\n", x);
}
void printValues(const std::vector<std::int32_t>& v) {
  for (std::int32_t x : v) std::printf("%d\n", x);
}
void printValues(const std::vector<std::uint8_t>& v) {
  for (std::uint8_t x : v) std::printf("%d\n", x);
}

template <typename T>
int dumpLabel(io::ProductHandle handle, io::AccessLabel label, int begin, int end, bool grid) {
  io::DimSize dims;
  const int rank = io::getDimSize(handle, label, dims);
  if (rank < 0) return libraryError(rank);
  std::printf("rank=%d dims=%d,%d,%d\n", rank, dims.dims[0], dims.dims[1], dims.dims[2]);
  std::vector<T> values;
  int count = 0;
  if constexpr (std::is_same_v<T, float>) {
    count = grid ? io::getGridData(handle, values, label) : io::getData(handle, values, begin, end, label);
  } else {
    count = io::getData(handle, values, begin, end, label);
  }
  if (count < 0) return libraryError(count);
  std::printf("count=%d\n", count);
  printValues(values);
  return 0;
}

int dumpQuality(io::ProductHandle handle, int begin, int end) {
  std::vector<std::uint8_t> bytes;
  const int count = io::getScanQuality(handle, bytes, begin, end, io::kLabelScanDataQuality);
  if (count < 0) return libraryError(count);
  std::printf("count=%d\n", count);
  std::string line;
  for (int scan = 0; scan < count; ++scan) {
    line.clear();
    for (std::size_t i = 0; i < 512; ++i) {
      char hex[3];
      std::snprintf(hex, sizeof hex, "%02x", bytes[static_cast<std::size_t>(scan) * 512 + i]);
      line += hex;
    }
    std::printf("%s\n", line.c_str());
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return usage();
  const std::string path = argv[1];
  enum class Mode { Attributes, Label, Grid, Quality, LatLon, Time, Values } mode = Mode::Attributes;
  bool asInt = false;
  int chnl = -1;
  std::string gridOut;
  bool withPoints = false;
  int label = 0;
  int begin = io::kAllScans;
  int end = io::kAllScans;
  std::string type = "float";

  for (int i = 2; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if ((arg == "--label" || arg == "--grid" || arg == "--latlon" || arg == "--values") && i + 1 < argc) {
      if (mode != Mode::Attributes || !parseInt(argv[++i], label)) return usage();
      mode = arg == "--label" ? Mode::Label : arg == "--grid" ? Mode::Grid : arg == "--latlon" ? Mode::LatLon : Mode::Values;
    } else if (arg == "--quality" || arg == "--time") {
      if (mode != Mode::Attributes) return usage();
      mode = arg == "--quality" ? Mode::Quality : Mode::Time;
    } else if (arg == "--int") {
      asInt = true;
    } else if (arg == "--channel" && i + 1 < argc) {
      if (!parseInt(argv[++i], chnl) || chnl < 0) return usage();
    } else if (arg == "--grid-out" && i + 1 < argc) {
      gridOut = argv[++i];
    } else if (arg == "--points") {
      withPoints = true;
    } else if (arg == "--scans" && i + 2 < argc) {
      if (!parseInt(argv[i + 1], begin) || !parseInt(argv[i + 2], end)) return usage();
      i += 2;
    } else if (arg == "--type" && i + 1 < argc) {
      type = argv[++i];
      if (type != "int" && type != "byte" && type != "float" && type != "double") return usage();
    } else {
      return usage();
    }
  }

  if (asInt && mode != Mode::Values) return usage();
  io::AMSR_data::setDataDirectory(kivo::app::dataFolder());
  if (chnl >= 0 || !gridOut.empty() || withPoints) {
    if (mode != Mode::Attributes || chnl < 0 || gridOut.empty()) return usage();
    return dumpGrid(path, chnl, gridOut, withPoints);
  }
  if (mode == Mode::Attributes) return dumpAttributes(path);
  if (mode == Mode::Values) return dumpValues(path, label, asInt);

  OpenProduct product;
  product.handle = io::openProduct(path.c_str());
  if (product.handle < 0) return libraryError(static_cast<int>(product.handle));
  switch (mode) {
    case Mode::Label:
      if (type == "int") return dumpLabel<std::int32_t>(product.handle, label, begin, end, false);
      if (type == "byte") return dumpLabel<std::uint8_t>(product.handle, label, begin, end, false);
      if (type == "double") return dumpLabel<double>(product.handle, label, begin, end, false);
      return dumpLabel<float>(product.handle, label, begin, end, false);
    case Mode::Grid:
      return dumpLabel<float>(product.handle, label, begin, end, true);
    case Mode::Quality:
      return dumpQuality(product.handle, begin, end);
    case Mode::LatLon:
      return dumpLatLon(product.handle, label, begin, end);
    case Mode::Time:
      return dumpTime(product.handle, begin, end);
    default:
      return usage();
  }
}
