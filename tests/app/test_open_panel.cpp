// The file open panel: the checks of new files and the messages that refuse them, the limits
// of the list, the channel lists per product kind, Open with its map views and records,
// Cancel, the sample tables of the two modes and the start with command-line files.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QUrl>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>

#include "app/batch/batch_history.h"
#include "app/commands.h"
#include "app/main_frame.h"
#include "app/map_view/map_view.h"
#include "app/messages.h"
#include "app/open_panel/file_list.h"
#include "app/open_panel/file_open_panel.h"
#include "app/table_chooser_bar.h"
#include "hdf4_gen.h"
#include "product_model/catalogue.h"
#include "temp_dir.h"
#include "tiny_product.h"

namespace app = kivo::app;
namespace cmd = kivo::app::cmd;
namespace model = kivo::model;
using kivo::test::Stored;
using kivo::test::TempDir;
using kivo::test::TinyProduct;

namespace {

constexpr int k89AV = 19;
constexpr int k89AH = 20;

// Tiny products of every kind the checks tell apart, in one folder.
class Products {
 public:
  explicit Products(const TempDir& dir) : dir_(dir) {}

  // An AMSR2 swath product whose 89 GHz A channels hold one observation.
  std::string swath(const std::string& name, const std::string& productName = "AMSR2-L1B",
                    const std::string& granule = "") {
    TinyProduct p(dir_.file(name));
    p.head(productName, 0, granule);
    p.data("Latitude of Observation Point for 89A", Stored::F32, {1, 1}, std::vector<float>{10.0f});
    p.data("Longitude of Observation Point for 89A", Stored::F32, {1, 1}, std::vector<float>{20.0f});
    p.data("Brightness Temperature (89.0GHz-A,V)", Stored::U16, {1, 1}, std::vector<unsigned short>{24000}, 0.01f);
    p.data("Brightness Temperature (89.0GHz-A,H)", Stored::U16, {1, 1}, std::vector<unsigned short>{25000}, 0.01f);
    return p.close();
  }
  // An AMSR2 Level 2 product without a resolution mark, holding one observation.
  std::string level2(const std::string& name) {
    TinyProduct p(dir_.file(name));
    p.attr("ProductName", "AMSR2-L2").attr("GeophysicalName", "Sea Surface Temperature").attr("GranuleID", "X");
    p.attr("OverlapScans", "0");
    p.data("Latitude of Observation Point", Stored::F32, {1, 1}, std::vector<float>{-5.0f});
    p.data("Longitude of Observation Point", Stored::F32, {1, 1}, std::vector<float>{30.0f});
    p.data("Geophysical Data", Stored::I16, {1, 1, 3}, std::vector<short>{2500, 0, 0}, 0.01f);
    return p.close();
  }
  // An AMSR2 Level 3 product (attributes only) of a quantity and a projection.
  std::string level3(const std::string& name, const std::string& quantity, const std::string& projection) {
    TinyProduct p(dir_.file(name));
    p.attr("ProductName", "AMSR2-L3").attr("GeophysicalName", quantity);
    p.attr("GranuleID", "GW1AM2_20120703_01D_EQMA_L3SGSSTLA2220220").attr("Projection", projection);
    return p.close();
  }
  std::string amsrE(const std::string& name) {
    kivo::gen::Hdf4Options options;
    options.level = kivo::gen::Hdf4Level::L1B;
    options.scans = 4;
    const std::string path = dir_.file(name);
    EXPECT_EQ(kivo::gen::writeHdf4Product(path, options), kivo::gen::kHdf4Ok);
    return path;
  }
  std::string text(const std::string& name) {
    kivo::test::writeBytes(dir_.file(name), "not a product\n");
    return dir_.file(name);
  }
  // The first 100 bytes of a product: the signature, but not its attributes.
  std::string truncated(const std::string& name) {
    const std::string whole = kivo::test::readBytes(swath(name + ".whole"));
    kivo::test::writeBytes(dir_.file(name), whole.substr(0, 100));
    return dir_.file(name);
  }

 private:
  const TempDir& dir_;
};

std::vector<std::string> channelNames(std::initializer_list<int> channels) {
  std::vector<std::string> names;
  for (int c : channels) names.emplace_back(kivo::catalogue::channelName(c));
  return names;
}

// --- the list without widgets ------------------------------------------------------------------

class FileList : public ::testing::Test {
 protected:
  FileList() : settings(dir.file(""), dir.file("KIVOMeriview.ini")), files(dir) {
    settings.ComReadCnf();
    for (auto& object : owned) object = std::make_unique<model::ComPrdctMngmnt>(model::ProductObjectSettings{dir.file(""), nullptr, 0});
  }
  std::array<model::ComPrdctMngmnt*, 3> objects() { return {owned[0].get(), owned[1].get(), owned[2].get()}; }
  // Slots in use summed over the three product objects.
  int slotsInUse() const {
    int n = 0;
    for (const auto& object : owned) n += object->ComGetSlotCount();
    return n;
  }
  std::vector<app::MsgCode> codes() const {
    std::vector<app::MsgCode> out;
    for (const auto& e : messages.entries()) out.push_back(e.code);
    return out;
  }
  std::string imageTitle() const {
    std::string title;
    settings.ComGetStr(app::kIdImgTitle, &title);
    return title;
  }

  TempDir dir;
  app::ComPrpCnfInfo settings;
  Products files;
  std::array<std::unique_ptr<model::ComPrdctMngmnt>, 3> owned;
  app::RecordingMessagePresenter messages;
  app::ScopedMessagePresenter scoped{messages};
};

TEST_F(FileList, RefusedFilesShowTheirMessageAndLeaveTheListAsItWas) {
  const std::string l1b = files.swath("a_l1b.h5");
  const std::string l1r = files.swath("r_l1r.h5", "AMSR2-L1R");
  const std::string l1a = files.swath("c_l1a.h5", "AMSR2-L1A");
  const std::string sstEqr = files.level3("sst_eq.h5", "Sea Surface Temperature", "EQR");
  const std::string sstPn = files.level3("sst_pn.h5", "Sea Surface Temperature", "PS-N");
  const std::string tbEqr = files.level3("tb_eq.h5", "Brightness Temperature", "EQR");
  const std::string amsre = files.amsrE("AMSR-E_L1B.00");
  const std::string text = files.text("notes.h5");
  const std::string truncated = files.truncated("cut.h5");

  // What registration makes of the truncated file decides its message.
  model::ComPrdctMngmnt probe({dir.file(""), nullptr, 0});
  int slot = -1, projection = -1;
  bool known = false;
  std::string name;
  const int truncatedRc = probe.ComOpenPrdctFile(truncated, slot, name, projection, known);
  ASSERT_NE(truncatedRc, 0);
  const app::MsgCode truncatedCode = truncatedRc == -2 ? 2 : 23;

  struct Case {
    const char* what;
    int family;
    bool hdfOutput;
    std::vector<std::string> before;
    std::string added;
    app::MsgCode code;
    bool withPath;
  };
  const Case cases[] = {
      {"AMSR2 file in an AMSR/AMSR-E list", 1, false, {}, l1b, 4, true},
      {"AMSR-E file in an AMSR2 list", 0, false, {l1b}, amsre, 4, true},
      {"Level 1R after Level 1B", 0, false, {l1b}, l1r, 3, true},
      {"Level 3 of another projection", 0, false, {sstEqr}, sstPn, 39, false},
      {"temperature Level 3 after geophysical Level 3", 0, false, {sstEqr}, tbEqr, 3, true},
      {"HDF output of Level 1A", 0, true, {}, l1a, 36, false},
      {"HDF output of Level 3", 0, true, {}, sstEqr, 36, false},
      {"not an HDF file", 0, false, {l1b}, text, 2, true},
      {"truncated product", 0, false, {}, truncated, truncatedCode, truncatedCode == 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    app::OpenFileList list(settings, objects());
    ASSERT_EQ(list.init(c.family, c.hdfOutput), 0);
    ASSERT_EQ(list.add(c.before), static_cast<int>(c.before.size()));
    const std::string levelBefore = list.productName();
    messages.clear();

    EXPECT_EQ(list.add({c.added}), 0);
    ASSERT_EQ(messages.entries().size(), 1u);
    EXPECT_EQ(messages.entries()[0].code, c.code);
    if (c.withPath) {
      EXPECT_EQ(messages.entries()[0].text.rfind(c.added + "\n", 0), 0u) << messages.entries()[0].text;
    }
    EXPECT_EQ(list.paths(), c.before);
    EXPECT_EQ(list.productName(), levelBefore);
    EXPECT_EQ(slotsInUse(), 3 * static_cast<int>(c.before.size())) << "the refused file keeps no slot";
    list.releaseAll();
    EXPECT_EQ(slotsInUse(), 0);
    messages.clear();
  }
}

TEST_F(FileList, TheListKeepsNumReadFilesAndSaysSoOnce) {
  settings.ComSetVal(app::kIdNumReadFiles, 10);
  std::vector<std::string> paths;
  for (int i = 0; i < 40; ++i) paths.push_back(files.swath("f" + std::to_string(100 + i) + ".h5"));

  struct Case {
    const char* what;
    int before;
    int added;
  };
  for (const Case& c : {Case{"8 listed, 5 chosen", 8, 5}, Case{"40 chosen at once", 0, 40}}) {
    SCOPED_TRACE(c.what);
    app::OpenFileList list(settings, objects());
    ASSERT_EQ(list.init(0, false), 0);
    list.add({paths.begin(), paths.begin() + c.before});
    messages.clear();
    list.add({paths.begin() + c.before, paths.begin() + c.before + c.added});
    EXPECT_EQ(codes(), std::vector<app::MsgCode>{32});
    EXPECT_EQ(list.paths(), std::vector<std::string>(paths.begin(), paths.begin() + 10));
    EXPECT_EQ(slotsInUse(), 30) << "files beyond the limit are let go";
    EXPECT_TRUE(list.full());
    list.releaseAll();
    messages.clear();
  }
}

TEST_F(FileList, ChannelListsFollowTheProductKind) {
  struct Case {
    const char* what;
    std::vector<std::string> paths;
    app::ChannelListKind kind;
    std::vector<std::string> items;
  };
  const Case cases[] = {
      {"Level 1B: its channels in index order",
       {files.swath("a.h5"), files.swath("b.h5")},
       app::ChannelListKind::kChannels,
       channelNames({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 19, 20, 21, 22})},
      {"Level 2 marked L",
       {files.swath("l2.h5", "AMSR2-L2", "GW1AM2_201207031905_234A_L2SGSSTLA2220220")},
       app::ChannelListKind::kChannels,
       channelNames({67, 68})},
      {"Level 2 without a resolution mark: nothing to choose",
       {files.level2("l2x.h5")},
       app::ChannelListKind::kChannels,
       {}},
      {"geophysical Level 3: one item per file",
       {files.level3("g1.h5", "Sea Surface Temperature", "EQR"), files.level3("g2.h5", "Sea Surface Temperature", "EQR")},
       app::ChannelListKind::kFiles,
       {"g1.h5", "g2.h5"}},
      {"temperature Level 3: channel at file",
       {files.level3("t1.h5", "Brightness Temperature", "EQR"), files.level3("t2.h5", "Brightness Temperature", "EQR")},
       app::ChannelListKind::kChannelAtFile,
       {"Brightness Temperature(V)@t1.h5", "Brightness Temperature(H)@t1.h5", "Brightness Temperature(V)@t2.h5",
        "Brightness Temperature(H)@t2.h5"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    app::OpenFileList list(settings, objects());
    ASSERT_EQ(list.init(0, false), 0);
    ASSERT_EQ(list.add(c.paths), static_cast<int>(c.paths.size()));
    EXPECT_EQ(list.channelListKind(), c.kind);
    EXPECT_EQ(list.channelItems(), c.items);
  }
  EXPECT_TRUE(messages.entries().empty());
}

TEST_F(FileList, TitleLevelAndSlotsFollowRemoval) {
  const std::string a = files.swath("a.h5");
  const std::string b = files.swath("b.h5");
  app::OpenFileList list(settings, objects());
  ASSERT_EQ(list.init(0, false), 0);
  ASSERT_EQ(list.add({a}), 1);
  EXPECT_EQ(imageTitle(), "a.h5");
  ASSERT_EQ(list.add({b}), 1);
  EXPECT_EQ(imageTitle(), "a.h5 etc");
  EXPECT_EQ(list.productWord(), "AMSR2");
  EXPECT_EQ(list.levelWord(), "Level 1B");

  EXPECT_EQ(list.remove(0), 0);
  EXPECT_EQ(list.paths(), std::vector<std::string>{b});
  EXPECT_EQ(imageTitle(), "b.h5");
  EXPECT_EQ(slotsInUse(), 3);
  EXPECT_EQ(list.remove(0), 0);
  EXPECT_EQ(list.count(), 0);
  EXPECT_EQ(list.productName(), "");
  EXPECT_EQ(list.channelListKind(), app::ChannelListKind::kEmpty);
  EXPECT_EQ(imageTitle(), "");
  EXPECT_EQ(slotsInUse(), 0);
  EXPECT_EQ(list.remove(0), 1);
}

TEST_F(FileList, AFileListedTwiceKeepsItsSlotUntilBothEntriesGo) {
  // A Level 3 file's projection is known, so its second registration reads nothing.
  const std::string l3 = files.level3("g.h5", "Sea Surface Temperature", "EQR");
  app::OpenFileList list(settings, objects());
  ASSERT_EQ(list.init(0, false), 0);
  ASSERT_EQ(list.add({l3, l3}), 2);
  const int slot = list.entry(1).slots[0];
  ASSERT_EQ(list.entry(0).slots[0], slot);
  ASSERT_EQ(list.remove(0), 0);
  std::string path;
  for (auto* object : objects()) EXPECT_EQ(object->ComGetFilePath(slot, path), 0);
  ASSERT_EQ(list.remove(0), 0);
  EXPECT_EQ(slotsInUse(), 0);
}

TEST_F(FileList, CommandLineFilesDecideTheFamilyAtTheFirstReadableFile) {
  const std::string text = files.text("readme.txt");
  const std::string l1b = files.swath("a.h5");
  app::OpenFileList list(settings, objects());
  ASSERT_EQ(list.init(1, false), 0);
  list.followFamilyOfFirstFile();
  EXPECT_EQ(list.add({text, l1b}), 1);
  EXPECT_EQ(list.family(), 0);
  EXPECT_EQ(codes(), std::vector<app::MsgCode>{2});
  // Later files are checked against that family.
  messages.clear();
  EXPECT_EQ(list.add({files.amsrE("AMSR-E_L1B.00")}), 0);
  EXPECT_EQ(codes(), std::vector<app::MsgCode>{4});
}

TEST_F(FileList, OpenLoadsTheChosenChannelsAndDescribesTheOpen) {
  const std::string a = files.swath("a.h5");
  const std::string b = files.swath("b.h5");
  app::OpenFileList list(settings, objects());
  ASSERT_EQ(list.init(0, false), 0);
  ASSERT_EQ(list.add({a, b}), 2);

  app::ChannelSelection single;
  single.texts[0] = "89.0GHz-A-H";
  single.tableText = "[Automatic]";
  app::OpenedProduct product;
  ASSERT_EQ(list.loadChannels(single, product), 0);
  EXPECT_EQ(product.slots[0], (std::vector<int>{list.entry(0).slots[0], list.entry(1).slots[0]}));
  EXPECT_TRUE(product.slots[1].empty());
  EXPECT_EQ(product.channels[0], k89AH);
  for (int slot : product.slots[0]) EXPECT_EQ(owned[0]->ComGetPointCount(slot, k89AH), 1);

  std::tm when{};
  when.tm_mon = 6;
  when.tm_mday = 3;
  when.tm_hour = 19;
  when.tm_min = 5;
  app::BtchOpnRec record = list.openRecord(single, when);
  EXPECT_EQ(record.productWord, "AMSR2");
  EXPECT_EQ(record.levelWord, "Level 1B");
  EXPECT_EQ(record.composite, 0);
  EXPECT_EQ(record.channels[0], "89.0GHz-A-H");
  EXPECT_EQ(record.channels[1], "");
  EXPECT_FALSE(record.tableGiven);
  EXPECT_EQ(record.fileListName, "KIVOFileList_07031905.txt");
  EXPECT_EQ(record.fileListText, a + "\r\n" + b + "\r\n");
  EXPECT_TRUE(record.view);
  single.tableText = "TB_Grey.clt";
  record = list.openRecord(single, when);
  EXPECT_TRUE(record.tableGiven);
  EXPECT_EQ(record.tableName, "TB_Grey.clt");

  // Green names a channel the files do not hold: 40, and red's grid of the first file,
  // loaded by this Open, is let go again while the earlier single channel stays.
  app::ChannelSelection rgb;
  rgb.composite = true;
  rgb.texts = {"89.0GHz-A-V", "6.9GHz-V", "89.0GHz-A-H"};
  messages.clear();
  EXPECT_EQ(list.loadChannels(rgb, product), 40);
  EXPECT_EQ(codes(), std::vector<app::MsgCode>{40});
  EXPECT_LT(owned[0]->ComGetPointCount(list.entry(0).slots[0], k89AV), 0);
  EXPECT_EQ(owned[0]->ComGetPointCount(list.entry(0).slots[0], k89AH), 1);
}

TEST_F(FileList, OpenRefusesTooManyFilesAndTooManyViews) {
  app::OpenFileList list(settings, objects());
  ASSERT_EQ(list.init(0, false), 0);
  ASSERT_EQ(list.add({files.swath("a.h5"), files.swath("b.h5")}), 2);
  EXPECT_EQ(list.checkOpen(9), 0);
  EXPECT_EQ(list.checkOpen(10), 31);
  settings.ComSetVal(app::kIdNumReadFiles, 1);
  EXPECT_EQ(list.checkOpen(0), 32);
  EXPECT_EQ(codes(), (std::vector<app::MsgCode>{31, 32}));
  // Open wrote the settings before reading them back.
  app::ComPrpCnfInfo reread(dir.file(""), dir.file("KIVOMeriview.ini"));
  reread.ComReadCnf();
  int limit = 0;
  reread.ComGetVal(app::kIdNumReadFiles, &limit);
  EXPECT_EQ(limit, 1);
}

// --- the panel in the main window --------------------------------------------------------------

template <typename Condition>
bool waitFor(Condition condition, int ms = 10000) {
  QElapsedTimer timer;
  timer.start();
  while (!condition() && timer.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
  return condition();
}

void flushDeletes() {
  QApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

class Panel : public ::testing::Test {
 protected:
  Panel() : files(dir) {}

  void makeFrame(QStringList arguments = {}) {
    app::MainFrameOptions options;
    options.programFolder = KIVO_BIN_DIR "/";
    options.settingsPath = dir.file("KIVOMeriview.ini");
    options.arguments = std::move(arguments);
    options.meshDelayMs = 0;
    frame = std::make_unique<app::CMainFrame>(options);
    frame->setBatchHistory(&history);
    frame->show();
    messages.clear();  // what the start-up reported is not the panel's
  }
  ~Panel() override {
    if (frame) frame->setBatchHistory(nullptr);
    frame.reset();
  }
  int slotsInUse() {
    int n = 0;
    for (auto* object : frame->productObjects()) n += object->ComGetSlotCount();
    return n;
  }
  std::vector<app::MsgCode> codes() const {
    std::vector<app::MsgCode> out;
    for (const auto& e : messages.entries()) out.push_back(e.code);
    return out;
  }
  static QComboBox* list(app::ComFlOpnView* panel, const char* name) { return panel->findChild<QComboBox*>(name); }
  static QPushButton* button(app::ComFlOpnView* panel, const char* name) { return panel->findChild<QPushButton*>(name); }
  void closeMapViews() {
    for (QMdiSubWindow* sub : frame->mdiArea()->subWindowList()) {
      if (qobject_cast<app::ComPrdctMpDsp*>(sub->widget()) != nullptr) sub->close();
    }
    flushDeletes();
  }

  TempDir dir;
  Products files;
  app::RecordingMessagePresenter messages;
  app::ScopedMessagePresenter scoped{messages};
  app::RecordingBatchHistory history;
  std::unique_ptr<app::CMainFrame> frame;
};

TEST_F(Panel, OpenShowsTheChosenChannelOnAMapViewAndRecordsIt) {
  makeFrame();
  app::ComFlOpnView* panel = frame->ComOpnFlPanel(app::kFamilyAmsr2, false);
  ASSERT_NE(panel, nullptr);
  EXPECT_FALSE(button(panel, "openButton")->isEnabled());
  const std::string a = files.swath("a.h5");
  ASSERT_EQ(panel->addFiles({QString::fromStdString(a), QString::fromStdString(files.swath("b.h5"))}), 2);
  EXPECT_TRUE(button(panel, "openButton")->isEnabled());
  QComboBox* channel = list(panel, "channelList");
  channel->setCurrentIndex(channel->findText(QStringLiteral("89.0GHz-A-H")));

  ASSERT_EQ(panel->open(), 0);
  EXPECT_TRUE(messages.entries().empty());
  EXPECT_EQ(frame->mapViewCount(), 1);
  app::ComPrdctMpDsp* view = panel->lastMapView();
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->windowTitle(), QStringLiteral("a.h5 etc"));
  ASSERT_EQ(history.opens.size(), 1u);
  EXPECT_EQ(history.opens[0].channels[0], "89.0GHz-A-H");
  EXPECT_EQ(history.opens[0].levelWord, "Level 1B");
  EXPECT_EQ(history.opens[0].fileListText.rfind(a + "\r\n", 0), 0u);
}

TEST_F(Panel, TheEleventhMapViewIsRefusedUntilOneCloses) {
  makeFrame();
  app::ComFlOpnView* panel = frame->ComOpnFlPanel(app::kFamilyAmsr2, false);
  ASSERT_EQ(panel->addFiles({QString::fromStdString(files.swath("a.h5"))}), 1);
  QComboBox* channel = list(panel, "channelList");
  channel->setCurrentIndex(channel->findText(QStringLiteral("89.0GHz-A-H")));
  for (int i = 0; i < app::kMaxMapViews; ++i) ASSERT_EQ(panel->open(), 0) << i;
  EXPECT_EQ(frame->mapViewCount(), 10);
  EXPECT_EQ(panel->open(), 31);
  EXPECT_EQ(codes(), std::vector<app::MsgCode>{31});
  EXPECT_EQ(frame->mapViewCount(), 10);

  QPointer<app::ComPrdctMpDsp> last = panel->lastMapView();
  ASSERT_TRUE(last);
  qobject_cast<QMdiSubWindow*>(last->parentWidget())->close();
  flushDeletes();
  EXPECT_EQ(frame->mapViewCount(), 9);
  EXPECT_EQ(panel->open(), 0);
}

TEST_F(Panel, CancelReleasesEverySlotAndClosesThePanel) {
  makeFrame();
  QPointer<app::ComFlOpnView> panel = frame->ComOpnFlPanel(app::kFamilyAmsr2, false);
  ASSERT_EQ(panel->addFiles({QString::fromStdString(files.swath("a.h5")), QString::fromStdString(files.swath("b.h5"))}), 2);
  panel->setComposite(true);
  for (const char* name : {"redList", "greenList", "blueList"}) {
    list(panel, name)->setCurrentIndex(list(panel, name)->findText(QStringLiteral("89.0GHz-A-H")));
  }
  ASSERT_EQ(panel->open(), 0);
  closeMapViews();
  EXPECT_EQ(slotsInUse(), 6);

  QPointer<QMdiSubWindow> sub = qobject_cast<QMdiSubWindow*>(panel->parentWidget());
  button(panel, "cancelButton")->click();
  flushDeletes();
  EXPECT_EQ(slotsInUse(), 0);
  EXPECT_FALSE(sub);
  EXPECT_FALSE(panel);
  int clrType = -1;
  app::ComPrpCnfInfo reread(KIVO_BIN_DIR "/", dir.file("KIVOMeriview.ini"));
  reread.ComReadCnf();
  reread.ComGetVal(app::kIdClrType, &clrType);
  EXPECT_EQ(clrType, 0);
}

TEST_F(Panel, ClosingThePanelAnyOtherWayReleasesItsFiles) {
  makeFrame();
  app::ComFlOpnView* panel = frame->ComOpnFlPanel(app::kFamilyAmsr2, false);
  ASSERT_EQ(panel->addFiles({QString::fromStdString(files.swath("a.h5"))}), 1);
  EXPECT_EQ(slotsInUse(), 3);
  qobject_cast<QMdiSubWindow*>(panel->parentWidget())->close();
  flushDeletes();
  EXPECT_EQ(slotsInUse(), 0);
}

TEST_F(Panel, HdfOutputTakesOneFileAtATime) {
  makeFrame();
  app::ComFlOpnView* panel = frame->ComOpnFlPanel(app::kFamilyAmsr2, true);
  const QString a = QString::fromStdString(files.swath("a.h5"));
  const QString b = QString::fromStdString(files.swath("b.h5"));
  const auto drop = [&](const QStringList& paths) {
    QMimeData mime;
    QList<QUrl> urls;
    for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
    mime.setUrls(urls);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(panel, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent event(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(panel, &event);
  };
  drop({a, b});
  EXPECT_EQ(panel->fileList().paths(), std::vector<std::string>{a.toStdString()});
  EXPECT_FALSE(button(panel, "addButton")->isEnabled());
  EXPECT_TRUE(button(panel, "openButton")->isDefault());
  drop({b});
  EXPECT_EQ(panel->fileList().paths(), std::vector<std::string>{a.toStdString()});
  // Removing the file offers "Add..." again.
  panel->findChild<QListWidget*>("fileList")->setCurrentRow(0);
  button(panel, "removeButton")->click();
  EXPECT_EQ(panel->fileList().count(), 0);
  EXPECT_TRUE(button(panel, "addButton")->isEnabled());
  EXPECT_FALSE(button(panel, "openButton")->isEnabled());
  EXPECT_TRUE(messages.entries().empty());
}

TEST_F(Panel, AddOffersTheFamilysFilesFromItsFolderAndRemembersTheFolder) {
  makeFrame();
  app::ComFlOpnView* panel = frame->ComOpnFlPanel(app::kFamilyAmsrE, false);
  const std::string amsre = files.amsrE("AMSR-E_L1B.00");
  std::string startFolder;
  frame->settings().ComGetStr(app::kIdInputDirAmsre, &startFolder);
  int calls = 0;
  QString shownFolder, shownFilters;
  bool several = false;
  panel->setFileChooser([&](QWidget*, const QString& folder, const QString& filters, bool many) {
    ++calls;
    shownFolder = folder;
    shownFilters = filters;
    several = many;
    return QStringList{QString::fromStdString(amsre)};
  });
  panel->addWithDialog();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(shownFolder.toStdString(), startFolder);
  EXPECT_EQ(shownFilters, QStringLiteral("AMSR/AMSR-E Files(*.00);;All Files(*)"));
  EXPECT_TRUE(several);
  EXPECT_EQ(panel->fileList().count(), 1);
  std::string remembered;
  frame->settings().ComGetStr(app::kIdInputDirAmsre, &remembered);
  EXPECT_EQ(remembered, std::filesystem::path(amsre).parent_path().string());
  app::ComPrpCnfInfo reread(KIVO_BIN_DIR "/", dir.file("KIVOMeriview.ini"));
  reread.ComReadCnf();
  int amsrType = -1;
  reread.ComGetVal(app::kIdAmsrType, &amsrType);
  EXPECT_EQ(amsrType, 1);

  // A full list says so instead of offering the dialog.
  frame->settings().ComSetVal(app::kIdNumReadFiles, 1);
  panel->addWithDialog();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(codes(), std::vector<app::MsgCode>{32});
}

TEST_F(Panel, EachModeListsTheSampleTablesOfTheFamily) {
  makeFrame();
  app::ComFlOpnView* panel = frame->ComOpnFlPanel(app::kFamilyAmsr2, false);
  std::string base;
  frame->settings().ComGetStr(app::kIdDefFile, &base);
  const auto expected = [&](const char* folder, const char* extension) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(base + "/Sample_Table/" + folder + "/AMSR2")) {
      if (entry.is_regular_file() && entry.path().extension() == extension) names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    names.insert(names.begin(), "[Automatic]");
    return names;
  };
  const auto shown = [&] {
    std::vector<std::string> items;
    QComboBox* table = list(panel, "tableList");
    for (int i = 0; i < table->count(); ++i) items.push_back(table->itemText(i).toStdString());
    EXPECT_EQ(table->currentIndex(), 0);
    return items;
  };
  EXPECT_EQ(shown(), expected("Color_Table", ".clt"));
  panel->setComposite(true);
  EXPECT_EQ(shown(), expected("Lookup_Table", ".lut"));
  EXPECT_FALSE(list(panel, "channelList")->isEnabled());
  EXPECT_TRUE(list(panel, "redList")->isEnabled());
  EXPECT_EQ(frame->tableChooser().logic().label(), "ルックアップテーブル");
  int clrType = -1;
  frame->settings().ComGetVal(app::kIdClrType, &clrType);
  EXPECT_EQ(clrType, 1);
}

TEST_F(Panel, CommandLineFilesSwitchTheFamilyAndOpenAtOnce) {
  // A Level 2 product without a resolution mark offers no channel: Open loads channel 0.
  const std::string l2 = files.level2("l2.h5");
  makeFrame({QString::fromStdString(l2)});
  app::ComFlOpnView* panel = frame->ComOpnFlPanel(app::kFamilyAmsrE, false);
  ASSERT_TRUE(waitFor([&] { return frame->mapViewCount() == 1; })) << ::testing::PrintToString(codes());
  EXPECT_EQ(panel->fileList().family(), app::kFamilyAmsr2);
  EXPECT_EQ(panel->parentWidget()->windowTitle(), QStringLiteral("AMSR2プロダクト読み込み"));
  EXPECT_FALSE(frame->hasCommandLineFiles());
  EXPECT_TRUE(messages.entries().empty());
  EXPECT_EQ(list(panel, "channelList")->count(), 0);
  EXPECT_EQ(frame->productObjects()[0]->ComGetPointCount(panel->fileList().entry(0).slots[0], 0), 1);
  // A second panel finds no arguments left.
  frame->ComOpnFlPanel(app::kFamilyAmsrE, false);
  QApplication::processEvents();
  EXPECT_EQ(frame->mapViewCount(), 1);
}

// One product of every generated kind (one day of each Level 3 kind: the month products
// differ only in their period), in name order.
std::vector<std::filesystem::path> generatedProducts() {
  std::vector<std::filesystem::path> paths;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(KIVO_SAMPLE_DIR, ec)) {
    if (entry.path().filename().string().find("_01M_") != std::string::npos) continue;
    if (entry.path().extension() == ".h5" || entry.path().extension() == ".00") paths.push_back(entry.path());
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

TEST_F(Panel, EveryGeneratedProductKindOpens) {
  const std::vector<std::filesystem::path> paths = generatedProducts();
  if (paths.empty()) GTEST_SKIP() << "no generated samples in " << KIVO_SAMPLE_DIR;
  makeFrame();
  for (const auto& path : paths) {
    SCOPED_TRACE(path.filename().string());
    const int family = path.extension() == ".h5" ? app::kFamilyAmsr2 : app::kFamilyAmsrE;
    QPointer<app::ComFlOpnView> panel = frame->ComOpnFlPanel(family, false);
    ASSERT_EQ(panel->addFiles({QString::fromStdString(path.string())}), 1);
    EXPECT_EQ(panel->open(), 0);
    EXPECT_EQ(frame->mapViewCount(), 1);
    EXPECT_TRUE(messages.entries().empty());
    messages.clear();
    closeMapViews();
    panel->cancel();
    flushDeletes();
    EXPECT_EQ(slotsInUse(), 0);
  }
}

// Every generated product kind started from the command line opens a view, which shows the
// coastline in every projection the product allows and the product in at least one.
TEST_F(Panel, EveryGeneratedProductKindShowsInEveryProjection) {
  const std::vector<std::filesystem::path> paths = generatedProducts();
  if (paths.empty()) GTEST_SKIP() << "no generated samples in " << KIVO_SAMPLE_DIR;
  const int projections[] = {cmd::kProjEqr, cmd::kProjNorth, cmd::kProjSouth, cmd::kProjBoth, cmd::kProjOrtho, cmd::kProjMercator};
  const QRgb white = qRgb(255, 255, 255);
  const QRgb background = qRgb(0, 0, 0xA9);
  for (const auto& path : paths) {
    SCOPED_TRACE(path.filename().string());
    makeFrame({QString::fromStdString(path.string())});
    frame->runCommand(cmd::kOpenAmsrE);
    app::ComPrdctMpDsp* view = nullptr;
    for (int i = 0; i < 200 && view == nullptr; ++i) {
      QApplication::processEvents(QEventLoop::AllEvents, 20);
      view = frame->activeMapView();
    }
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(messages.entries().empty());
    int shown = 0, withProduct = 0;
    for (int id : projections) {
      if (!view->commandEnabled(id)) continue;
      view->runCommand(id);
      const QImage picture = view->picture().convertToFormat(QImage::Format_RGB32);
      long coast = 0, product = 0;
      for (int y = 0; y < picture.height(); y += 2) {
        for (int x = 0; x < picture.width(); x += 2) {
          const QRgb c = picture.pixel(x, y);
          if (c == white) ++coast;
          const bool grey = qRed(c) == qGreen(c) && qGreen(c) == qBlue(c);
          if (c != background && !grey && qRed(c) + qGreen(c) + qBlue(c) > 0 && qRgb(qRed(c), qGreen(c), 0) != qRgb(255, 0, 0)) ++product;
        }
      }
      EXPECT_GT(coast, 50) << "projection command " << id;
      ++shown;
      withProduct += product > 100 ? 1 : 0;
    }
    EXPECT_GE(shown, 1);
    EXPECT_GE(withProduct, 1) << "the product is not shown in any projection";
    frame.reset();
  }
}

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
