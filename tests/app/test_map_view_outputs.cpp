// The map view's value outputs in the main window (offscreen): the refusals before any dialog,
// the save dialogs, the files they write, the history records, and the batch requests with
// their relative paths, selection and pacing event.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QTimer>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/batch/batch_history.h"
#include "app/commands.h"
#include "app/main_frame.h"
#include "app/map_view/map_view.h"
#include "app/messages.h"
#include "export/output_file.h"
#include "temp_dir.h"
#include "tiny_product.h"

namespace app = kivo::app;
namespace cmd = kivo::app::cmd;
namespace map = kivo::map;
namespace model = kivo::model;
using kivo::test::readBytes;
using kivo::test::Stored;
using kivo::test::TempDir;
using kivo::test::TinyProduct;

namespace {

class GuiEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    application_ = std::make_unique<QApplication>(argc_, argv_);
  }
  void TearDown() override { application_.reset(); }

 private:
  int argc_ = 1;
  char name_[20] = "test_app_outputs";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> application_;
};
const auto* const kGui = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

constexpr std::int32_t deg(double d) { return static_cast<std::int32_t>(d * 1000000.0); }
constexpr int k89AH = 20;
constexpr const char* kGranule = "GW1AM2_201207031905_234A_L1SGBTBR_2220220";
// 19..22 E, 12..9 N: 31 x 31 cells, all observed at 100 K.
const map::SelectedArea kSelection{{deg(19), deg(12)}, {deg(22), deg(9)}, true};
constexpr std::size_t kSelectionBinarySize = 512 + 2 * 31 * 31;

std::vector<app::MsgCode> codes(const app::RecordingMessagePresenter& r) {
  std::vector<app::MsgCode> out;
  for (const auto& e : r.entries()) out.push_back(e.code);
  return out;
}

// Answers the next file dialog: types `name` and accepts, or cancels when it is empty; keeps
// what the dialog showed.
class FileDialogAnswer {
 public:
  explicit FileDialogAnswer(QString name) : name_(std::move(name)) {
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (dialog == nullptr) return;
      timer_.stop();
      shown = true;
      filters = dialog->nameFilters();
      suffix = dialog->defaultSuffix();
      folder = dialog->directory().absolutePath().toStdString();
      const QStringList files = dialog->selectedFiles();
      proposed = files.isEmpty() ? QString() : QFileInfo(files.front()).fileName();
      if (name_.isEmpty()) {
        dialog->reject();
      } else {
        // Typed into the name field: selectFile() leaves a focused field as it is.
        auto* field = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(field, nullptr);
        field->setText(name_);
        static_cast<QDialog*>(dialog)->accept();  // QFileDialog checks the typed name
      }
    });
    timer_.start();
  }
  bool shown = false;
  QStringList filters;
  QString suffix;
  std::string folder;
  QString proposed;

 private:
  QString name_;
  QTimer timer_;
};

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (std::size_t at; (at = text.find("\r\n", start)) != std::string::npos; start = at + 2) {
    out.push_back(text.substr(start, at - start));
  }
  return out;
}

std::vector<std::string> fields(const std::string& line) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (std::size_t at; (at = line.find(',', start)) != std::string::npos; start = at + 1) out.push_back(line.substr(start, at - start));
  out.push_back(line.substr(start));
  return out;
}

int littleEndianAt(const std::string& bytes, std::size_t cell) {
  const std::size_t at = 512 + 2 * cell;
  return static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8;
}

class MapViewOutputs : public ::testing::Test {
 protected:
  void SetUp() override {
    app::MainFrameOptions options;
    options.programFolder = std::string(KIVO_BIN_DIR) + "/";
    options.settingsPath = dir.file("KIVOMeriview.ini");
    options.meshDelayMs = 0;
    frame = std::make_unique<app::CMainFrame>(options);
    frame->setBatchHistory(&history);
    frame->show();
    view = openView();
    view->settings().ComSetStr(app::kIdOutputDir, outputs);
    messages.clear();
  }
  void TearDown() override { frame.reset(); }

  // A Level 1B product observed at 100 K in every 0.1-degree cell of 19..22 E, 9..12 N.
  app::ComPrdctMpDsp* openView() {
    std::vector<float> lat, lon;
    std::vector<unsigned short> counts;
    for (int i = 0; i <= 30; ++i) {
      for (int j = 0; j <= 30; ++j) {
        lat.push_back(static_cast<float>(9.05 + 0.1 * i));
        lon.push_back(static_cast<float>(19.05 + 0.1 * j));
        counts.push_back(10000);
      }
    }
    const unsigned long long n = lat.size();
    TinyProduct p(dir.file(std::string(kGranule) + ".h5"));
    p.head("AMSR2-L1B", 0, kGranule);
    for (const char* band : {"89A", "89B"}) {
      p.data(std::string("Latitude of Observation Point for ") + band, Stored::F32, {1, n}, lat);
      p.data(std::string("Longitude of Observation Point for ") + band, Stored::F32, {1, n}, lon);
    }
    p.data("Brightness Temperature (89.0GHz-A,H)", Stored::U16, {1, n}, counts, 0.01f);
    model::ComPrdctMngmnt* object = frame->productObjects()[0];
    int slot = -1, projection = -1;
    bool known = false;
    std::string name;
    EXPECT_EQ(object->ComOpenPrdctFile(p.close(), slot, name, projection, known), 0);
    EXPECT_EQ(object->ComLoadChnl(slot, k89AH), 0);
    object->ComStartMesh();
    app::ComPrdctMpDsp* v = frame->openMapView("view", true);
    EXPECT_NE(v, nullptr);
    v->resize(800, 550);
    app::ComPrdctMpDsp::ViewProduct product;
    product.slots[0] = {slot};
    product.channels[0] = k89AH;
    EXPECT_EQ(v->ComSetViewPrdct(product), 0);
    return v;
  }

  TempDir dir;
  const std::string outputs = dir.file("out");
  app::RecordingBatchHistory history;
  app::RecordingMessagePresenter messages;
  app::ScopedMessagePresenter scope{messages};
  std::unique_ptr<app::CMainFrame> frame;
  app::ComPrdctMpDsp* view = nullptr;
};

TEST_F(MapViewOutputs, RefusalsComeBeforeAnyDialog) {
  FileDialogAnswer cancel{QString()};
  frame->runCommand(cmd::kProjNorth);
  frame->runCommand(cmd::kSaveCsvLatLon);
  frame->runCommand(cmd::kProjEqr);
  frame->runCommand(cmd::kSaveCsvLatLon);  // no selection
  EXPECT_EQ(codes(messages), (std::vector<app::MsgCode>{27, 13}));
  EXPECT_FALSE(cancel.shown);
  EXPECT_TRUE(history.csvs.empty());
}

TEST_F(MapViewOutputs, SaveDialogsWriteTheFilesAndRecordThem) {
  std::filesystem::create_directories(outputs);
  {
    // The whole globe without a selection: 1801 lines of 3600 values, the first at 90 N.
    FileDialogAnswer answer{"globe"};
    frame->runCommand(cmd::kSaveCsv);
    ASSERT_TRUE(answer.shown);
    EXPECT_EQ(answer.filters, QStringList{"CSV Files (*.csv)"});
    EXPECT_EQ(answer.suffix, "csv");
    EXPECT_EQ(answer.folder, outputs);
    EXPECT_EQ(answer.proposed.toStdString(), std::string(kGranule) + ".csv");
  }
  const std::vector<std::string> text = lines(readBytes(outputs + "/globe.csv"));
  ASSERT_EQ(text.size(), 2u + 1801u);
  EXPECT_EQ(fields(text[2]), std::vector<std::string>(3600, "65535.000"));
  EXPECT_EQ(fields(text[2 + 1800 - 1005])[2005], "100.000");  // 20.5 E, 10.5 N: grid row 1005, column 2005
  ASSERT_EQ(history.csvs.size(), 1u);
  EXPECT_FALSE(history.csvs[0].areaGiven);
  EXPECT_FALSE(history.csvs[0].withLatLon);
  EXPECT_EQ(history.csvs[0].path, outputs + "/globe.csv");

  view->setSelection(kSelection);
  {
    FileDialogAnswer answer{"cut"};
    frame->runCommand(cmd::kSaveBinary);
    EXPECT_EQ(answer.filters, QStringList{"Bin Files (*.bin)"});
    EXPECT_EQ(answer.suffix, "bin");
  }
  const std::string bytes = readBytes(outputs + "/cut.bin");
  ASSERT_EQ(bytes.size(), kSelectionBinarySize);
  EXPECT_EQ(littleEndianAt(bytes, 15 * 31 + 15), 10000);  // 100 K at 20.5 E, 10.5 N
  ASSERT_EQ(history.binaries.size(), 1u);
  EXPECT_TRUE(history.binaries[0].areaGiven);
  EXPECT_EQ(history.binaries[0].area.lon1, deg(19));
  EXPECT_EQ(history.binaries[0].area.lat2, deg(9));

  {
    FileDialogAnswer answer{"lonlat"};
    frame->runCommand(cmd::kSaveCsvLatLon);
  }
  const std::vector<std::string> lonLat = lines(readBytes(outputs + "/lonlat.csv"));
  ASSERT_EQ(lonLat.size(), 2u + 31u * 31u);
  EXPECT_EQ(lonLat[2], "19.000,12.000,100.000");
  ASSERT_EQ(history.csvs.size(), 2u);
  EXPECT_TRUE(history.csvs[1].withLatLon);

  {
    // GeoTIFF has no batch command: nothing is recorded.
    FileDialogAnswer answer{"grid"};
    frame->runCommand(cmd::kSaveGeoTiff);
    EXPECT_EQ(answer.filters, QStringList{"GeoTIFF Files (*.tif)"});
  }
  EXPECT_EQ(readBytes(outputs + "/grid.tif").substr(0, 4), std::string("II*\0", 4));
  {
    FileDialogAnswer cancel{QString()};
    frame->runCommand(cmd::kSaveBinary);
    EXPECT_TRUE(cancel.shown);
  }
  EXPECT_EQ(history.csvs.size() + history.binaries.size(), 3u);
  EXPECT_TRUE(messages.entries().empty());
}

TEST_F(MapViewOutputs, BatchRequestsUseTheOutputFolderAndSignal) {
  app::BtchEvt& event = frame->batchEvent();
  while (event.tryWait()) {
  }
  app::BtchCsvRec csv;
  csv.area = {deg(19), deg(12), deg(22), deg(9)};
  csv.areaGiven = true;
  csv.path = "run/one.csv";  // under the output folder, which does not exist yet
  ASSERT_EQ(view->ComBtchOutCsv(csv), 0);
  EXPECT_TRUE(event.tryWait());
  EXPECT_EQ(lines(readBytes(outputs + "/run/one.csv")).size(), 2u + 31u);
  EXPECT_EQ(view->viewState().mouseMode(), map::kMouseSelect);
  EXPECT_TRUE(view->viewState().selection().valid);
  EXPECT_EQ(view->viewState().selection().upperLeft.x, deg(19));
  ASSERT_EQ(history.csvs.size(), 1u);
  EXPECT_EQ(history.csvs[0].path, outputs + "/run/one.csv");

  // Without corners the view's selection is written, and the record names it.
  while (event.tryWait()) {
  }
  app::BtchBinRec bin;
  bin.path = outputs + "/two.bin";
  ASSERT_EQ(view->ComBtchOutBin(bin), 0);
  EXPECT_TRUE(event.tryWait());
  EXPECT_EQ(readBytes(bin.path).size(), kSelectionBinarySize);
  ASSERT_EQ(history.binaries.size(), 1u);
  EXPECT_TRUE(history.binaries[0].areaGiven);
  EXPECT_EQ(history.binaries[0].area.lon2, deg(22));

  // A failure says why, records nothing, shows nothing and still lets the runner go on.
  while (event.tryWait()) {
  }
  bin.path = "run";
  EXPECT_EQ(view->ComBtchOutBin(bin), kivo::out::kOutPathIsFolder);
  EXPECT_TRUE(event.tryWait());
  EXPECT_EQ(history.binaries.size(), 1u);
  EXPECT_TRUE(messages.entries().empty());
}

}  // namespace
