// The animation panel: its list (sorting by observation start, Up/Dn, Remove, the title), the
// refusals and their messages, the output kinds and names Ref offers, Make with the view that
// writes the movie and the OUTMOV record, and Cancel.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/animation/movie_list.h"
#include "app/animation/movie_panel.h"
#include "app/batch/batch_history.h"
#include "app/batch/batch_language.h"
#include "app/commands.h"
#include "app/main_frame.h"
#include "app/map_view/map_view.h"
#include "app/messages.h"
#include "hdf4_gen.h"
#include "temp_dir.h"
#include "tiny_product.h"

namespace app = kivo::app;
namespace cmd = kivo::app::cmd;
namespace fs = std::filesystem;
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
  char name_[24] = "test_animation_panel";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> application_;
};
const auto* const kGui = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

void flushDeletes() {
  QApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

class Panel : public ::testing::Test {
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

  // An AMSR2 Level 1B product observed from `start` (ObservationStartDateTime is the tenth
  // root attribute), with 89 GHz A observations of 100..130 K over 19..22 E, 9..12 N.
  std::string swath(const std::string& name, const std::string& start, const std::string& productName = "AMSR2-L1B") {
    TinyProduct p(dir.file(name));
    p.head(productName, 0, std::string("GRANULE_").append(name, 0, name.find('.')));
    for (const char* filler : {"NumberOfScans", "PlatformShortName", "SensorShortName", "StartOrbitNumber", "StopOrbitNumber"}) {
      p.attr(filler, "x");
    }
    p.attr("ObservationStartDateTime", "2012-07-03T" + start + ":00.000Z");
    std::vector<float> lat, lon;
    std::vector<unsigned short> counts;
    for (int i = 0; i <= 30; ++i) {
      for (int j = 0; j <= 30; ++j) {
        lat.push_back(static_cast<float>(9.05 + 0.1 * i));
        lon.push_back(static_cast<float>(19.05 + 0.1 * j));
        counts.push_back(static_cast<unsigned short>(10000 + 100 * i));
      }
    }
    const unsigned long long n = lat.size();
    for (const char* band : {"89A", "89B"}) {
      p.data(std::string("Latitude of Observation Point for ") + band, Stored::F32, {1, n}, lat);
      p.data(std::string("Longitude of Observation Point for ") + band, Stored::F32, {1, n}, lon);
    }
    p.data("Brightness Temperature (89.0GHz-A,H)", Stored::U16, {1, n}, counts, 0.01f);
    p.data("Brightness Temperature (89.0GHz-A,V)", Stored::U16, {1, n}, counts, 0.01f);
    return p.close();
  }
  // An AMSR2 Level 3 product (attributes only) in a projection ("EQR", "PS-N").
  std::string level3(const std::string& name, const std::string& projection) {
    TinyProduct p(dir.file(name));
    p.attr("ProductName", "AMSR2-L3").attr("GeophysicalName", "Sea Surface Temperature");
    p.attr("GranuleID", "GW1AM2_20120703_01D_EQMA_L3SGSSTLA2220220").attr("Projection", projection);
    return p.close();
  }
  std::string amsrE(const std::string& name) {
    kivo::gen::Hdf4Options options;
    options.level = kivo::gen::Hdf4Level::L1B;
    options.scans = 4;
    EXPECT_EQ(kivo::gen::writeHdf4Product(dir.file(name), options), kivo::gen::kHdf4Ok);
    return dir.file(name);
  }

  app::ComMkMoveView* openPanel(int family = app::kFamilyAmsr2) {
    app::ComMkMoveView* panel = frame->ComOpnMovPanel(family);
    EXPECT_NE(panel, nullptr);
    return panel;
  }
  static QStringList listed(app::ComMkMoveView* panel) {
    QStringList items;
    auto* list = panel->findChild<QListWidget*>(QStringLiteral("fileList"));
    for (int i = 0; i < list->count(); ++i) items << QFileInfo(list->item(i)->text()).fileName();
    return items;
  }
  static void select(app::ComMkMoveView* panel, int row) {
    panel->findChild<QListWidget*>(QStringLiteral("fileList"))->setCurrentRow(row);
  }
  static QPushButton* button(app::ComMkMoveView* panel, const char* name) {
    return panel->findChild<QPushButton*>(QLatin1String(name));
  }
  std::string title() const {
    std::string text;
    frame->settings().ComGetStr(app::kIdAnmTitle, &text);
    return text;
  }
  std::vector<app::MsgCode> codes() const {
    std::vector<app::MsgCode> out;
    for (const auto& e : messages.entries()) out.push_back(e.code);
    return out;
  }
  int slotsInUse() {
    int n = 0;
    for (auto* object : frame->productObjects()) n += object->ComGetSlotCount();
    return n;
  }
  // Ref answered with `chosen` and filter `kind`; the filters offered and the proposed name
  // are kept.
  void answerRef(app::ComMkMoveView* panel, const QString& chosen, int kind) {
    panel->setOutputChooser([this, chosen, kind](QWidget*, const QString&, const QString& name, const QStringList& filters,
                                                 int& filter) {
      offered = filters;
      proposed = name;
      filter = kind;
      return chosen;
    });
  }

  TempDir dir;
  app::RecordingMessagePresenter messages;
  app::ScopedMessagePresenter scoped{messages};
  app::RecordingBatchHistory history;
  std::unique_ptr<app::CMainFrame> frame;
  QStringList offered;
  QString proposed;
};

TEST_F(Panel, TheMenuCommandsOpenAPanelOfTheirFamily) {
  for (const auto& [command, title] : {std::pair{cmd::kAnimationAmsr2, "Create Animation AMSR2"},
                                      std::pair{cmd::kAnimationAmsrE, "Create Animation AMSR-E"}}) {
    ASSERT_TRUE(frame->action(command)->isEnabled());
    frame->runCommand(command);
    QMdiSubWindow* sub = frame->mdiArea()->subWindowList().back();
    ASSERT_NE(qobject_cast<app::ComMkMoveView*>(sub->widget()), nullptr);
    EXPECT_EQ(sub->windowTitle(), QString::fromUtf8(title));
    int family = -1;
    frame->settings().ComGetVal(app::kIdAmsrType, &family);
    EXPECT_EQ(family, command == cmd::kAnimationAmsr2 ? 0 : 1);
    // "[Automatic]" and the family's sample colour tables.
    auto* tables = sub->widget()->findChild<QComboBox*>(QStringLiteral("tableList"));
    ASSERT_GT(tables->count(), 1);
    EXPECT_EQ(tables->itemText(0), QStringLiteral("[Automatic]"));
    EXPECT_TRUE(tables->itemText(1).endsWith(QStringLiteral(".clt")));
  }
}

TEST_F(Panel, FilesAreSortedByObservationStartUntilMovedAndRemovingTheLastSortsAgain) {
  app::ComMkMoveView* panel = openPanel();
  EXPECT_FALSE(button(panel, "refButton")->isEnabled());
  for (const auto& [name, start] : {std::pair{"c.h5", "03:00"}, std::pair{"a.h5", "01:00"}, std::pair{"b.h5", "02:00"}}) {
    ASSERT_EQ(panel->addFiles({QString::fromStdString(swath(name, start))}), 1);
  }
  EXPECT_EQ(listed(panel), (QStringList{"a.h5", "b.h5", "c.h5"}));
  EXPECT_EQ(title(), "a.h5_etc");
  EXPECT_TRUE(button(panel, "refButton")->isEnabled());
  EXPECT_EQ(panel->findChild<QLineEdit*>(QStringLiteral("levelEdit"))->text(), QStringLiteral("AMSR2 Level 1B"));
  auto* channels = panel->findChild<QComboBox*>(QStringLiteral("channelList"));
  EXPECT_EQ(channels->itemText(0), QStringLiteral("6.9GHz-V"));
  EXPECT_GE(channels->findText(QStringLiteral("89.0GHz-A-H")), 0);

  select(panel, 2);
  button(panel, "upButton")->click();
  EXPECT_EQ(listed(panel), (QStringList{"a.h5", "c.h5", "b.h5"}));
  select(panel, 0);
  button(panel, "upButton")->click();  // the first cannot go up
  button(panel, "downButton")->click();
  EXPECT_EQ(listed(panel), (QStringList{"c.h5", "a.h5", "b.h5"}));
  EXPECT_EQ(title(), "c.h5_etc");
  // After a move, additions go to the end.
  ASSERT_EQ(panel->addFiles({QString::fromStdString(swath("d.h5", "00:00"))}), 1);
  EXPECT_EQ(listed(panel), (QStringList{"c.h5", "a.h5", "b.h5", "d.h5"}));

  for (int left = 4; left > 1; --left) {
    select(panel, 0);
    button(panel, "removeButton")->click();
  }
  EXPECT_EQ(listed(panel), QStringList{"d.h5"});
  EXPECT_EQ(title(), "d.h5");
  select(panel, 0);
  button(panel, "removeButton")->click();
  EXPECT_TRUE(listed(panel).isEmpty());
  EXPECT_EQ(title(), "");
  EXPECT_FALSE(button(panel, "refButton")->isEnabled());
  EXPECT_EQ(slotsInUse(), 0);
  // Emptied, the list sorts again.
  EXPECT_TRUE(panel->fileList().sorting());
  panel->addFiles({QString::fromStdString(dir.file("c.h5")), QString::fromStdString(dir.file("a.h5"))});
  EXPECT_EQ(listed(panel), (QStringList{"a.h5", "c.h5"}));
  EXPECT_TRUE(messages.entries().empty());
}

TEST_F(Panel, RefusedFilesShowTheirMessage) {
  const std::string l1b = swath("a.h5", "01:00");
  const std::string l1b2 = swath("b.h5", "02:00");
  const std::string l1r = swath("r.h5", "02:00", "AMSR2-L1R");
  const std::string eqr = level3("sst_eq.h5", "EQR");
  const std::string pn = level3("sst_pn.h5", "PS-N");
  const std::string amsre = amsrE("AMSR-E_L1B.00");
  const std::string text = dir.file("notes.h5");
  kivo::test::writeBytes(text, "not a product\n");
  struct Case {
    const char* what;
    int family;
    std::string first;
    std::vector<std::string> added;  // in one operation
    app::MsgCode code;
    bool withPath;
    QStringList after;
  };
  const Case cases[] = {
      {"AMSR-E file in an AMSR2 list", 0, l1b, {amsre, l1b2}, 4, true, {"a.h5"}},
      {"AMSR2 file in an AMSR/AMSR-E list", 1, "", {l1b}, 4, true, {}},
      {"Level 3 of another projection", 0, eqr, {pn}, 39, false, {"sst_eq.h5"}},
      {"Level 1R after Level 1B stops the operation", 0, l1b, {l1r, l1b2}, 3, true, {"a.h5"}},
      {"a file that is no product is skipped", 0, l1b, {text, l1b2}, 2, true, {"a.h5", "b.h5"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    app::ComMkMoveView* panel = openPanel(c.family);
    if (!c.first.empty()) {
      ASSERT_EQ(panel->addFiles({QString::fromStdString(c.first)}), 1);
    }
    messages.clear();
    QStringList added;
    for (const std::string& path : c.added) added << QString::fromStdString(path);
    panel->addFiles(added);
    ASSERT_EQ(messages.entries().size(), 1u);
    EXPECT_EQ(messages.entries()[0].code, c.code);
    if (c.withPath) {
      EXPECT_EQ(messages.entries()[0].text.rfind(c.added[0] + "\n", 0), 0u) << messages.entries()[0].text;
    }
    EXPECT_EQ(listed(panel), c.after);
    panel->cancel();
    flushDeletes();
    EXPECT_EQ(slotsInUse(), 0);
  }
}

TEST_F(Panel, TheListHoldsNoMoreThanNumReadFiles) {
  frame->settings().ComSetVal(app::kIdNumReadFiles, 10);
  app::ComMkMoveView* panel = openPanel();
  int dialogs = 0;
  panel->setFileChooser([&dialogs](QWidget*, const QString&, const QString&) {
    ++dialogs;
    return QStringList{};
  });
  QStringList paths;
  for (int i = 0; i < 11; ++i) {
    const std::string hour = std::to_string(10 + i);
    paths << QString::fromStdString(swath("f" + hour + ".h5", hour + ":00"));
  }
  EXPECT_EQ(panel->addFiles(paths), 10);
  EXPECT_EQ(codes(), std::vector<app::MsgCode>{32});  // once, for the eleventh
  messages.clear();
  panel->addWithDialog();
  EXPECT_EQ(codes(), std::vector<app::MsgCode>{32});
  EXPECT_EQ(dialogs, 0);
}

TEST_F(Panel, RefOffersTheKindsOfTheListAndAppendsTheExtensionOfTheChosenFilter) {
  struct Kinds {
    const char* what;
    std::vector<std::string> files;
    int filters;
    QString name;
  };
  const Kinds kinds[] = {
      {"Level 3 EQR", {level3("sst_eq.h5", "EQR")}, 3, "GW1AM2_20120703_01D_EQMA_L3SGSSTLA2220220"},
      {"Level 1B, two files", {swath("A.h5", "01:00"), swath("B.h5", "02:00")}, 1, "GRANULE_A_etc"},
  };
  for (const Kinds& k : kinds) {
    SCOPED_TRACE(k.what);
    app::ComMkMoveView* panel = openPanel();
    for (const std::string& f : k.files) ASSERT_EQ(panel->addFiles({QString::fromStdString(f)}), 1);
    answerRef(panel, QString::fromStdString(dir.file("out/x")), app::kMovieAvi);
    EXPECT_FALSE(button(panel, "makeButton")->isEnabled());
    button(panel, "refButton")->click();
    EXPECT_EQ(offered.size(), k.filters);
    EXPECT_EQ(offered.front(), QStringLiteral("Movie (*.avi)"));
    EXPECT_EQ(proposed, k.name);
    EXPECT_EQ(panel->outputPath(), QString::fromStdString(dir.file("out/x.avi")));
    EXPECT_TRUE(button(panel, "makeButton")->isEnabled());
    std::string folder;
    frame->settings().ComGetStr(app::kIdOutputDirMovie, &folder);
    EXPECT_EQ(folder, dir.file("out/"));
    panel->cancel();
  }

  struct Extension {
    int kind;
    std::string chosen, delivered;
  };
  const Extension extensions[] = {
      {app::kMovieKmz, "/m/x.kmz", "/m/x.kmz"}, {app::kMovieKmz, "/m/x.KMZ", "/m/x.KMZ.kmz"},
      {app::kMovieAvi, "/m/x.kmz", "/m/x.kmz.avi"}, {app::kMovieKml, "/m/a.kml.old", "/m/a.kml.old"},
      {app::kMovieAvi, "/m/x", "/m/x.avi"},
  };
  for (const Extension& e : extensions) EXPECT_EQ(app::movieOutputPath(e.chosen, e.kind), e.delivered) << e.chosen;
}

TEST_F(Panel, MakeOpensAViewThatWritesTheMovieAndRecordsOutmov) {
  app::ComMkMoveView* panel = openPanel();
  const std::string a = swath("a.h5", "01:00");
  const std::string b = swath("b.h5", "02:00");
  ASSERT_EQ(panel->addFiles({QString::fromStdString(b), QString::fromStdString(a)}), 2);
  auto* channels = panel->findChild<QComboBox*>(QStringLiteral("channelList"));
  channels->setCurrentIndex(channels->findText(QStringLiteral("89.0GHz-A-H")));
  const std::string movie = dir.file("movies/week.avi");
  fs::create_directories(dir.file("movies"));
  answerRef(panel, QString::fromStdString(dir.file("movies/week")), app::kMovieAvi);
  button(panel, "refButton")->click();
  ASSERT_EQ(panel->make(), 0);
  app::ComPrdctMpDsp* view = panel->lastMapView();
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->windowTitle(), QStringLiteral("a.h5_etc"));
  EXPECT_EQ(view->product().slots[0].size(), 2u);
  // The view's first paint runs the writer once it has returned.
  view->picture();
  QApplication::processEvents();
  EXPECT_FALSE(view->animationPending());
  ASSERT_TRUE(fs::is_regular_file(movie));

  ASSERT_EQ(history.movies.size(), 1u);
  const app::BtchMovRec& record = history.movies[0];
  EXPECT_EQ(record.fileListText, a + "\r\n" + b + "\r\n");
  EXPECT_EQ(record.path, "week.avi");
  EXPECT_EQ(record.fileListName.rfind("KIVOMovFileList_", 0), 0u);
  const std::string line = app::historyLine(record);
  EXPECT_EQ(line.rfind("OUTMOV /T AMSR2 /L L1B /F AVI /S 89AH", 0), 0u) << line;
  EXPECT_EQ(line.substr(line.size() - 12), " /O week.avi") << line;
  // The panel keeps its list.
  EXPECT_EQ(listed(panel), (QStringList{"a.h5", "b.h5"}));
  EXPECT_TRUE(messages.entries().empty());

  // An independent reader: the movie is 820 x 550.
  if (std::system("ffprobe -version >/dev/null 2>&1") != 0) GTEST_SKIP() << "no ffprobe";
  const std::string probe = "ffprobe -v error -select_streams v:0 -show_entries stream=width,height -of csv=p=0 '" + movie + "'";
  FILE* pipe = ::popen(probe.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  char buffer[64] = {};
  const std::size_t n = std::fread(buffer, 1, sizeof buffer - 1, pipe);
  ::pclose(pipe);
  EXPECT_EQ(std::string(buffer, n), "820,550\n");
}

TEST_F(Panel, CancelReleasesEveryFileButNotWhatAViewShows) {
  app::ComMkMoveView* panel = openPanel();
  ASSERT_EQ(panel->addFiles({QString::fromStdString(swath("a.h5", "01:00"))}), 1);
  EXPECT_EQ(slotsInUse(), 3);
  auto* channels = panel->findChild<QComboBox*>(QStringLiteral("channelList"));
  channels->setCurrentIndex(channels->findText(QStringLiteral("89.0GHz-A-H")));
  answerRef(panel, QString::fromStdString(dir.file("m.avi")), app::kMovieAvi);
  button(panel, "refButton")->click();
  ASSERT_EQ(panel->make(), 0);
  app::ComPrdctMpDsp* view = panel->lastMapView();
  ASSERT_NE(view, nullptr);
  button(panel, "cancelButton")->click();
  flushDeletes();
  EXPECT_EQ(frame->mdiArea()->subWindowList().size(), 1);  // the view stays
  EXPECT_EQ(slotsInUse(), 1);  // product object 0's slot, which the view holds
  view->parentWidget()->close();
  flushDeletes();
  EXPECT_EQ(slotsInUse(), 0);
}

}  // namespace
