// The metadata list of a map view: one entry per shown file, the root attributes of the chosen
// file in file order, the one-file drawing while the list is open, and its argument checks.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QTableWidget>

#include <memory>
#include <string>
#include <vector>

#include "app/batch/batch_history.h"
#include "app/commands.h"
#include "app/main_frame.h"
#include "app/map_view/map_view.h"
#include "app/messages.h"
#include "app/metadata/metadata_dialog.h"
#include "app/open_panel/file_open_panel.h"
#include "temp_dir.h"
#include "tiny_product.h"

namespace app = kivo::app;
namespace cmd = kivo::app::cmd;
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
  char name_[24] = "test_metadata_list";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> application_;
};
const auto* const kGui = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

void flushDeletes() {
  QApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

class MetadataList : public ::testing::Test {
 protected:
  void SetUp() override {
    app::MainFrameOptions options;
    options.programFolder = KIVO_BIN_DIR "/";
    options.settingsPath = dir.file("KIVOMeriview.ini");
    options.meshDelayMs = 0;
    frame = std::make_unique<app::CMainFrame>(options);
    frame->setBatchHistory(&history);
    frame->show();
    messages.clear();
  }
  void TearDown() override {
    frame->setBatchHistory(nullptr);
    frame.reset();
  }

  // An AMSR2 Level 1B product whose 89 GHz A channels cover 3 x 3 degrees from (lat, lon).
  std::string swath(const std::string& name, float lat0, float lon0, const std::string& granule) {
    TinyProduct p(dir.file(name));
    p.head("AMSR2-L1B", 0, granule);
    std::vector<float> lat, lon;
    std::vector<unsigned short> counts;
    for (int i = 0; i <= 30; ++i) {
      for (int j = 0; j <= 30; ++j) {
        lat.push_back(lat0 + 0.1f * static_cast<float>(i));
        lon.push_back(lon0 + 0.1f * static_cast<float>(j));
        counts.push_back(static_cast<unsigned short>(10000 + 300 * i));
      }
    }
    const unsigned long long n = lat.size();
    for (const char* band : {"89A", "89B"}) {
      p.data(std::string("Latitude of Observation Point for ") + band, Stored::F32, {1, n}, lat);
      p.data(std::string("Longitude of Observation Point for ") + band, Stored::F32, {1, n}, lon);
    }
    p.data("Brightness Temperature (89.0GHz-A,V)", Stored::U16, {1, n}, counts, 0.01f);
    p.data("Brightness Temperature (89.0GHz-A,H)", Stored::U16, {1, n}, counts, 0.01f);
    return p.close();
  }
  // A map view of two files far apart.
  app::ComPrdctMpDsp* openView() {
    app::ComFlOpnView* panel = frame->ComOpnFlPanel(app::kFamilyAmsr2, false);
    const QStringList files = {QString::fromStdString(swath("north.h5", 40.0f, 10.0f, "GRANULE_NORTH")),
                               QString::fromStdString(swath("south.h5", -40.0f, -100.0f, "GRANULE_SOUTH"))};
    EXPECT_EQ(panel->addFiles(files), 2);
    auto* channels = panel->findChild<QComboBox*>(QStringLiteral("channelList"));
    channels->setCurrentIndex(channels->findText(QStringLiteral("89.0GHz-A-H")));
    EXPECT_EQ(panel->open(), 0);
    return panel->lastMapView();
  }
  static app::ComMetaDataDlg* listOf(app::ComPrdctMpDsp* view) {
    return view->findChild<app::ComMetaDataDlg*>(QString(), Qt::FindDirectChildrenOnly);
  }
  static std::vector<std::vector<std::string>> rows(app::ComMetaDataDlg* list) {
    auto* table = list->findChild<QTableWidget*>(QStringLiteral("attributeList"));
    std::vector<std::vector<std::string>> out;
    for (int r = 0; r < table->rowCount(); ++r) {
      std::vector<std::string> row;
      for (int c = 0; c < 3; ++c) row.push_back(table->item(r, c) != nullptr ? table->item(r, c)->text().toStdString() : "");
      out.push_back(row);
    }
    return out;
  }

  TempDir dir;
  app::RecordingMessagePresenter messages;
  app::ScopedMessagePresenter scoped{messages};
  app::RecordingBatchHistory history;
  std::unique_ptr<app::CMainFrame> frame;
};

TEST_F(MetadataList, ListsTheRootAttributesOfTheChosenFileAndDrawsItAlone) {
  app::ComPrdctMpDsp* view = openView();
  ASSERT_NE(view, nullptr);
  const QImage everything = view->picture().copy();
  ASSERT_TRUE(view->commandEnabled(cmd::kMetaData));
  frame->runCommand(cmd::kMetaData);
  app::ComMetaDataDlg* list = listOf(view);
  ASSERT_NE(list, nullptr);
  EXPECT_TRUE(list->isVisible());
  EXPECT_FALSE(list->isModal());
  EXPECT_EQ(list->windowTitle(), QStringLiteral("north.h5"));
  auto* files = list->findChild<QComboBox*>(QStringLiteral("fileCombo"));
  ASSERT_EQ(files->count(), 2);
  EXPECT_EQ(files->itemText(1), QStringLiteral("south.h5"));

  const std::vector<std::vector<std::string>> head = {{"1", "ProductName", "AMSR2-L1B"},
                                                      {"2", "GeophysicalName", "Brightness Temperature"},
                                                      {"3", "GranuleID", "GRANULE_NORTH"},
                                                      {"4", "OverlapScans", "0"}};
  EXPECT_EQ(rows(list), head);
  auto* table = list->findChild<QTableWidget*>(QStringLiteral("attributeList"));
  EXPECT_EQ(table->horizontalHeaderItem(1)->text(), QStringLiteral("項目"));
  EXPECT_EQ(table->horizontalHeaderItem(2)->text(), QStringLiteral("内容"));

  // While the list is open the view draws the chosen file alone.
  EXPECT_EQ(view->metadataFile(), 0);
  const QImage north = view->picture().copy();
  files->setCurrentIndex(1);
  list->chooseFile(1);
  EXPECT_EQ(rows(list)[2][2], "GRANULE_SOUTH");
  EXPECT_EQ(view->metadataFile(), 1);
  const QImage south = view->picture().copy();
  EXPECT_NE(north, everything);
  EXPECT_NE(south, everything);
  EXPECT_NE(north, south);

  // The same command again raises the open list.
  frame->runCommand(cmd::kMetaData);
  EXPECT_EQ(view->findChildren<app::ComMetaDataDlg*>().size(), 1);
  list->close();
  flushDeletes();
  EXPECT_EQ(listOf(view), nullptr);
  EXPECT_EQ(view->metadataFile(), -1);
  EXPECT_EQ(view->picture(), everything);
  EXPECT_TRUE(messages.entries().empty());
}

TEST_F(MetadataList, ArgumentsAreChecked) {
  app::ComPrdctMpDsp* view = openView();
  ASSERT_NE(view, nullptr);
  const int slots[10] = {view->product().slots[0][0], 1, 2, 3, 4, 5, 6, 7, 8, 9};
  app::ComMetaDataDlg list(view);
  ASSERT_EQ(list.ComSetIniVal(1, slots, view->productObject(), view), 0);
  struct Case {
    int count;
    bool object, owner;
    int result;
  };
  const Case cases[] = {{10, true, true, 2}, {0, true, true, 2}, {1, false, true, 1}, {1, true, false, 1}};
  for (const Case& c : cases) {
    EXPECT_EQ(list.ComSetIniVal(c.count, slots, c.object ? view->productObject() : nullptr, c.owner ? view : nullptr), c.result)
        << c.count;
  }
  // Nothing changed: the one file of the first call is listed.
  list.ComSetIniMetaData();
  EXPECT_EQ(list.findChild<QComboBox*>(QStringLiteral("fileCombo"))->count(), 1);
  EXPECT_EQ(rows(&list).size(), 4u);
  // A slot that holds no file lists nothing.
  list.ComSetMetaData(99);
  EXPECT_TRUE(rows(&list).empty());
  EXPECT_TRUE(messages.entries().empty());
}

}  // namespace
