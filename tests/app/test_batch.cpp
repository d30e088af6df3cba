// Batch processing in the main window (offscreen): the history bar's lines, window, Save and
// Clear; the runner on bad and good command files; a saved history of interactive work run
// again giving the same files byte for byte; and unattended runs of kivo-meriview --batch.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMdiArea>
#include <QTimer>

#include <algorithm>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/batch/batch_language.h"
#include "app/batch/batch_runner.h"
#include "app/batch/history_bar.h"
#include "app/commands.h"
#include "app/main_frame.h"
#include "app/map_view/map_view.h"
#include "app/messages.h"
#include "app/open_panel/file_open_panel.h"
#include "product_model/catalogue.h"
#include "run_command.h"
#include "temp_dir.h"
#include "tiny_product.h"

namespace app = kivo::app;
namespace cmd = kivo::app::cmd;
namespace fs = std::filesystem;
using kivo::test::readBytes;
using kivo::test::Stored;
using kivo::test::TempDir;
using kivo::test::TinyProduct;
using kivo::test::writeBytes;

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
  char name_[20] = "test_app_batch";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> application_;
};
const auto* const kGui = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

constexpr int deg(double d) { return static_cast<int>(d * 1000000.0); }
const std::string kSample = std::string(KIVO_SAMPLE_DIR) + "/GW1AM2_201207031905_234A_L1SGBTBR_2220220.h5";

std::vector<std::string> split(const std::string& text, const std::string& separator) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (std::size_t at; (at = text.find(separator, start)) != std::string::npos; start = at + separator.size()) {
    out.push_back(text.substr(start, at - start));
  }
  out.push_back(text.substr(start));
  return out;
}

// What a shell command prints on standard output.
kivo::test::CommandResult shell(const std::string& command) {
  kivo::test::CommandResult result;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[4096];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
  const int raw = ::pclose(pipe);
  if (raw != -1 && WIFEXITED(raw)) result.status = WEXITSTATUS(raw);
  return result;
}

// A program folder of its own: the installed support folders of the build and an empty Batch/.
class ProgramFolder {
 public:
  explicit ProgramFolder(const TempDir& dir) : path_(dir.file("program") + "/") {
    fs::create_directories(path_ + "Batch");
    for (const char* sub : {"data", "Map", "Sample_Table", "Doc"}) {
      fs::create_directory_symlink(std::string(KIVO_BIN_DIR) + "/" + sub, path_ + sub);
    }
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// Answers the next file dialog by typing `name` and accepting.
class FileDialogAnswer {
 public:
  explicit FileDialogAnswer(QString name) : name_(std::move(name)) {
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (dialog == nullptr) return;
      timer_.stop();
      auto* field = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      ASSERT_NE(field, nullptr);
      field->setText(name_);
      static_cast<QDialog*>(dialog)->accept();
    });
    timer_.start();
  }

 private:
  QString name_;
  QTimer timer_;
};

class Batch : public ::testing::Test {
 protected:
  void SetUp() override {
    app::MainFrameOptions options;
    options.programFolder = program.path();
    options.settingsPath = dir.file("KIVOMeriview.ini");
    options.meshDelayMs = 0;
    frame = std::make_unique<app::CMainFrame>(options);
    frame->settings().ComSetStr(app::kIdOutputDir, dir.file("out"));
    frame->show();
  }
  void TearDown() override { frame.reset(); }

  // A Level 1B product observed at 100 K in every 0.1-degree cell of 19..22 E, 9..12 N.
  std::string product(const std::string& name, const std::string& productName = "AMSR2-L1B") {
    std::vector<float> lat, lon;
    std::vector<unsigned short> counts;
    for (int i = 0; i <= 30; ++i) {
      for (int j = 0; j <= 30; ++j) {
        lat.push_back(static_cast<float>(9.05 + 0.1 * i));
        lon.push_back(static_cast<float>(19.05 + 0.1 * j));
        counts.push_back(static_cast<unsigned short>(10000 + 10 * i));
      }
    }
    const unsigned long long n = lat.size();
    TinyProduct p(dir.file(name));
    p.head(productName, 0, "GW1AM2_201207031905_234A_L1SGBTBR_2220220");
    for (const char* band : {"89A", "89B"}) {
      p.data(std::string("Latitude of Observation Point for ") + band, Stored::F32, {1, n}, lat);
      p.data(std::string("Longitude of Observation Point for ") + band, Stored::F32, {1, n}, lon);
    }
    p.data("Brightness Temperature (89.0GHz-A,H)", Stored::U16, {1, n}, counts, 0.01f);
    p.data("Brightness Temperature (89.0GHz-A,V)", Stored::U16, {1, n}, counts, 0.01f);
    return p.close();
  }

  struct Line {
    std::string text;
    int result;
  };
  std::vector<Line> run(const std::string& commands) {
    const std::string path = dir.file("commands.out");
    writeBytes(path, commands);
    std::vector<Line> lines;
    lastRun = frame->ComRunBtch(path, [&lines](long, long, const std::string& line, int result) {
      lines.push_back({line, result});
      std::fprintf(stderr, "line %d: %.60s\n", result, line.c_str());
    });
    return lines;
  }
  int childWindows() const { return static_cast<int>(frame->mdiArea()->subWindowList().size()); }

  TempDir dir;
  ProgramFolder program{dir};
  app::RecordingMessagePresenter messages;
  app::ScopedMessagePresenter scope{messages};
  std::unique_ptr<app::CMainFrame> frame;
  int lastRun = -1;
};

// --- the history bar ---------------------------------------------------------------------------

TEST_F(Batch, HistoryKeepsTheLastFiftyLines) {
  app::ComCmdBatchBar& bar = frame->historyBar();
  for (int i = 0; i < 60; ++i) {
    app::BtchBinRec record;
    record.path = "/tmp/f" + std::to_string(i) + ".bin";
    frame->batchHistory().addBinary(record);
  }
  const std::vector<std::string> lines = split(bar.text(), "\r\n");
  ASSERT_EQ(lines.size(), 50u);
  EXPECT_EQ(lines.front(), "OUTBIN  /O /tmp/f10.bin");
  EXPECT_EQ(lines.back(), "OUTBIN  /O /tmp/f59.bin");
  bar.clear();
  EXPECT_EQ(bar.text(), "");
  frame->batchHistory().addError("X");
  EXPECT_EQ(bar.text(), "ERROR X");
}

TEST_F(Batch, SaveDropsErrorLinesAndWritesTheFileLists) {
  app::ComCmdBatchBar& bar = frame->historyBar();
  app::BtchOpnRec open;
  open.productWord = "AMSR2";
  open.levelWord = "Level 1B";
  open.channels[0] = kivo::catalogue::channelName(20);
  open.fileListName = "KIVOFileList_12111630.txt";
  open.fileListText = "/data/a.h5\r\n/data/b.h5\r\n";
  bar.addOpen(open);
  bar.addError("OUTIMG /F GIF /O x");
  app::BtchOpnRec other = open;  // same minute, other files: another list name
  other.fileListText = "/data/c.h5\r\n";
  bar.addOpen(other);
  // A path that merely contains the word stays.
  app::BtchCsvRec csv;
  csv.path = "/data/ERRORS/v.csv";
  bar.addCsv(csv);
  bar.addError("BOGUS");

  const std::string out = dir.file("history.out");
  ASSERT_EQ(bar.saveTo(out), 0);
  EXPECT_EQ(readBytes(out),
            "VIEWHDF /T AMSR2 /L L1B /S 89AH  /I KIVOFileList_12111630.txt /V ON\r\n"
            "VIEWHDF /T AMSR2 /L L1B /S 89AH  /I KIVOFileList_12111630_2.txt /V ON\r\n"
            "OUTCSV  /O /data/ERRORS/v.csv\r\n");
  EXPECT_EQ(readBytes(program.path() + "Batch/KIVOFileList_12111630.txt"), "/data/a.h5\r\r\n/data/b.h5\r\r\n");
  EXPECT_EQ(readBytes(program.path() + "Batch/KIVOFileList_12111630_2.txt"), "/data/c.h5\r\r\n");
  EXPECT_TRUE(bar.fileLists().empty());
  EXPECT_NE(bar.text(), "");  // the history itself stays

  // A list file that a saved command file already refers to is not replaced by another list.
  bar.addOpen(other);
  EXPECT_NE(bar.text().find("KIVOFileList_12111630_2.txt /V ON"), std::string::npos);
  bar.clear();
  bar.addOpen(open);
  EXPECT_EQ(bar.text(), "VIEWHDF /T AMSR2 /L L1B /S 89AH  /I KIVOFileList_12111630.txt /V ON");

  EXPECT_EQ(bar.saveTo(dir.file("no/such/folder/h.out")), 33);
  ASSERT_FALSE(messages.entries().empty());
  EXPECT_EQ(messages.entries().back().code, 33u);
}

// --- the runner ------------------------------------------------------------------------------

TEST_F(Batch, EveryLineGetsItsResultAndTheRunGoesOn) {
  const std::string a = product("a.h5");
  writeBytes(dir.file("lf.txt"), a + "\n");
  writeBytes(dir.file("missing.txt"), dir.file("nothing.h5") + "\r\r\n");
  writeBytes(program.path() + "Batch/relative.txt", a + "\r\n");
  const std::string out = dir.file("out");
  std::string commands;
  commands += "OUTIMG /F PNG /O " + out + "/early.png\r\n";  // no product shown yet
  commands += std::string("\x7f" "ELF\x02\x01\x01\0\0binary", 15) + "\n";
  commands += std::string(200000, 'A') + "\n";  // overlong line
  commands += "NOSPACESATALL\n";
  commands += "FROBNICATE /T AMSR2\n";
  commands += "VIEWHDF /T AMSR2 /T AMSR2 /L L1B /S 89AH /I " + dir.file("lf.txt") + "\n";
  commands += "VIEWHDF /T AMSR2 /L L1B /S 89AH /I " + dir.file("absent.txt") + "\n";
  commands += "VIEWHDF /T AMSR2 /L L1B /S 89AH /I " + dir.file("missing.txt") + "\n";
  commands += "VIEWHDF /T AMSR2 /L L1B /S 36V /I " + dir.file("lf.txt") + "\n";  // channel not offered
  commands += "VIEWHDF /T AMSR2 /L L1B /S 89AH /C no_such_table.clt /I relative.txt\n";
  commands += "OUTIMG /F PNG /O " + out + "/crlf.png\r\n";
  commands += "VIEWHDF /t amsr2 /l L1B /s 89av /i " + dir.file("lf.txt") + " /v on\n";
  commands += "OUTIMG /F PNG /O " + out + "/lf.png\n";
  commands += "CHANGEMAP /Z 2 /C 10.5 20.5 /W 400 300 /M PS\n";
  commands += "OUTCSV /R 12 19 9 22 /G /O " + out + "/v.csv\n";
  commands += "OUTBIN /O " + out + "/v\n";
  const std::vector<Line> lines = run(commands);

  const std::vector<int> expected = {1, 2, 2, 2, 2, 2, 1, 2, 40, 0, 0, 0, 0, 0, 0, 0};
  ASSERT_EQ(lines.size(), expected.size());
  for (std::size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(lines[i].result, expected[i]) << i << ": " << lines[i].text.substr(0, 80);
  EXPECT_EQ(lastRun, app::kRunLineFailed);
  for (const char* name : {"crlf.png", "lf.png", "v.csv"}) EXPECT_TRUE(fs::is_regular_file(out + "/" + name)) << name;
  EXPECT_TRUE(fs::is_regular_file(out + "/v") || fs::is_regular_file(out + "/v.bin"));
  EXPECT_FALSE(fs::exists(out + "/early.png"));

  // The history: the failures as read, then the successful lines as the operations record them.
  const std::vector<std::string> history = split(frame->historyBar().text(), "\r\n");
  int errors = 0;
  for (const std::string& h : history) errors += h.rfind("ERROR ", 0) == 0 ? 1 : 0;
  EXPECT_EQ(errors, 9);
  EXPECT_EQ(history.front(), "ERROR OUTIMG /F PNG /O " + out + "/early.png");
  auto recorded = [&history](const std::string& start) {
    return std::any_of(history.begin(), history.end(), [&start](const std::string& h) { return h.rfind(start, 0) == 0; });
  };
  EXPECT_TRUE(recorded("OUTCSV /R ")) << frame->historyBar().text();
  EXPECT_TRUE(recorded("CHANGEMAP /Z 2 /C 10.500 20.500 ")) << frame->historyBar().text();
  // The views of a run stay open with /V ON.
  EXPECT_GE(childWindows(), 1);
}

TEST_F(Batch, ViewsOffScreenCloseWhenTheRunEnds) {
  const std::string a = product("a.h5");
  writeBytes(dir.file("l.txt"), a + "\r\r\n");
  const std::string out = dir.file("out");
  const std::vector<Line> lines = run("VIEWHDF /T AMSR2 /L L1B /S 89AH /I " + dir.file("l.txt") + " /V OFF\r\n" +
                                      "OUTIMG /F BMP /O " + out + "/off\r\n");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].result, 0);
  EXPECT_EQ(lines[1].result, 0);
  EXPECT_EQ(lastRun, app::kRunAllDone);
  EXPECT_EQ(readBytes(out + "/off.bmp").substr(0, 2), "BM");
  EXPECT_EQ(childWindows(), 0);
  EXPECT_EQ(frame->mapViewCount(), 0);

  EXPECT_EQ(frame->ComRunBtch(dir.file("absent.out")), app::kRunUnreadable);
}

TEST_F(Batch, AHugeCommandFileRunsInBoundedMemory) {
  // Thirty thousand lines without a keyword: each fails on its own, the history keeps 50.
  std::string commands;
  for (int i = 0; i < 30000; ++i) {
    commands += 'X';
    commands += std::to_string(i);
    commands += '\n';
  }
  long count = 0;
  long total = 0;
  writeBytes(dir.file("huge.out"), commands);
  EXPECT_EQ(frame->ComRunBtch(dir.file("huge.out"),
                              [&](long, long all, const std::string&, int) {
                                ++count;
                                total = all;
                              }),
            app::kRunLineFailed);
  EXPECT_EQ(count, 30000);
  EXPECT_EQ(total, 30000);
  EXPECT_EQ(frame->historyBar().lineCount(), app::kHistoryLines);
}

TEST_F(Batch, MoviesOfFileLists) {
  const std::string a = product("a.h5");
  const std::string b = product("b.h5");
  const std::string r = product("r.h5", "AMSR2-L1R");
  writeBytes(dir.file("ab.txt"), a + "\r\r\n" + b + "\n");
  writeBytes(dir.file("ar.txt"), a + "\n" + r + "\n");
  const std::string out = dir.file("movies");
  frame->settings().ComSetStr(app::kIdOutputDirMovie, out);
  const std::vector<Line> lines =
      run("OUTMOV /T AMSR2 /L L1B /F AVI /S 89AH /I " + dir.file("ab.txt") + " /O ab.avi\r\n" +
          "OUTMOV /T AMSR2 /L L1B /F AVI /S 89AH /I " + dir.file("ar.txt") + " /O ar.avi\r\n" +   // a Level 1R file
          "OUTMOV /T AMSR2 /L L1B /F AVI /S V /I " + dir.file("ab.txt") + " /O c.avi\r\n" +       // no such channel
          "OUTMOV /T AMSR2 /L L1B /F AVI /S 89AH /I " + dir.file("none.txt") + " /O d.avi\r\n" +  // no list
          "OUTMOV /T AMSR2 /L L1B /F AVI /S 89AH /I " + dir.file("ab.txt") + " /O " + dir.file("ab.txt") + "/x.avi\r\n");
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0].result, 0);
  EXPECT_EQ(lines[1].result, 2);
  EXPECT_EQ(lines[2].result, 3);
  EXPECT_EQ(lines[3].result, 1);
  EXPECT_EQ(lines[4].result, 16);  // the folder of the movie is a file
  const std::vector<std::string> history = split(frame->historyBar().text(), "\r\n");
  ASSERT_FALSE(history.empty());
  EXPECT_EQ(history[0].rfind("OUTMOV /T AMSR2 /L L1B /F AVI /S 89AH   /I KIVOMovFileList_", 0), 0u) << history[0];
  EXPECT_EQ(history[0].substr(history[0].size() - 10), " /O ab.avi");
  ASSERT_GE(frame->historyBar().fileLists().size(), 1u);
  EXPECT_EQ(frame->historyBar().fileLists()[0].second, a + "\r\n" + b + "\r\n");

  // An independent reader: two files give at least their final frame each, 820 x 550.
  if (std::system("ffprobe -version >/dev/null 2>&1") != 0) GTEST_SKIP() << "no ffprobe";
  const kivo::test::CommandResult probe = shell(
      "ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=width,height,nb_read_frames -of csv=p=0 " +
      kivo::test::shellQuote(out + "/ab.avi"));
  const std::vector<std::string> fields = split(probe.lines().empty() ? "" : probe.lines()[0], ",");
  ASSERT_EQ(fields.size(), 3u) << probe.output;
  EXPECT_EQ(fields[0], "820");
  EXPECT_EQ(fields[1], "550");
  EXPECT_GE(std::stoi(fields[2]), 1);
}

// --- the menu command and a replay of interactive work ---------------------------------------

TEST_F(Batch, ASavedHistoryReplaysToTheSameFiles) {
  if (!fs::exists(kSample)) GTEST_SKIP() << "no sample product";
  const std::string out = dir.file("out");
  fs::create_directories(out);

  // Interactive work: open the sample, change projection and back, select, save every kind.
  app::ComFlOpnView* panel = frame->ComOpnFlPanel(app::kFamilyAmsr2, false);
  ASSERT_NE(panel, nullptr);
  ASSERT_EQ(panel->addFiles({QString::fromStdString(kSample)}), 1);
  ASSERT_EQ(panel->open(), 0);
  app::ComPrdctMpDsp* view = panel->lastMapView();
  ASSERT_NE(view, nullptr);
  frame->runCommand(cmd::kProjNorth);
  frame->runCommand(cmd::kProjEqr);
  view->runCommand(cmd::kModeSelect);
  view->setSelection(kivo::map::SelectedArea{{deg(-110), deg(20)}, {deg(-70), deg(-20)}, true});
  const std::pair<int, const char*> saves[] = {
      {cmd::kSaveImage, "picture.png"}, {cmd::kSaveCsv, "values.csv"}, {cmd::kSaveCsvLatLon, "lonlat.csv"},
      {cmd::kSaveBinary, "values.bin"}};
  for (const auto& [command, name] : saves) {
    FileDialogAnswer answer{QString::fromStdString(out + "/" + name)};
    frame->runCommand(command);
  }
  app::ComFlOpnView* hdfPanel = frame->ComOpnFlPanel(app::kFamilyAmsr2, true);
  ASSERT_EQ(hdfPanel->addFiles({QString::fromStdString(kSample)}), 1);
  ASSERT_EQ(hdfPanel->open(), 0);
  app::ComPrdctMpDsp* hdfView = hdfPanel->lastMapView();
  ASSERT_NE(hdfView, nullptr);
  hdfView->runCommand(cmd::kModeSelect);
  hdfView->setSelection(kivo::map::SelectedArea{{deg(-110), deg(20)}, {deg(-70), deg(-20)}, true});
  {
    FileDialogAnswer answer{QString::fromStdString(out + "/cut.h5")};
    ASSERT_EQ(frame->activeMapView(), hdfView);
    ASSERT_TRUE(hdfView->commandEnabled(cmd::kSaveHdf));
    frame->runCommand(cmd::kSaveHdf);
  }
  const std::vector<std::string> names = {"picture.png", "values.csv", "lonlat.csv", "values.bin", "cut.h5"};
  for (const std::string& name : names) ASSERT_TRUE(fs::is_regular_file(out + "/" + name)) << name;
  for (const auto& m : messages.entries()) ADD_FAILURE() << "message " << m.code;
  ASSERT_TRUE(messages.entries().empty());

  // Saved, the outputs moved aside, and run again from the menu.
  const std::string saved = dir.file("history.out");
  ASSERT_EQ(frame->historyBar().saveTo(saved), 0);
  const std::string text = readBytes(saved);
  EXPECT_EQ(text.rfind("VIEWHDF /T AMSR2 /L L1B /S 6V  /I KIVOFileList_", 0), 0u) << text;
  fs::create_directories(dir.file("first"));
  for (const std::string& name : names) fs::rename(out + "/" + name, dir.file("first/" + name));
  frame->closeChildWindows();
  frame->historyBar().clear();
  frame->setCommandFileChooser([&saved](QWidget*, const QString&) { return QString::fromStdString(saved); });
  frame->runCommand(cmd::kBatch);

  for (const std::string& name : names) {
    ASSERT_TRUE(fs::is_regular_file(out + "/" + name)) << name << "\n" << text;
    if (name == "cut.h5") continue;
    EXPECT_TRUE(readBytes(out + "/" + name) == readBytes(dir.file("first/" + name))) << name;
  }
  // A product records when it was made: h5dump shows both the same but for that time.
  auto dump = [](const std::string& path) {
    const kivo::test::CommandResult r = shell("h5dump " + kivo::test::shellQuote(path));
    std::vector<std::string> lines = r.lines();
    if (!lines.empty()) lines.erase(lines.begin());  // the file's name
    bool inTime = false;
    for (std::string& line : lines) {
      if (line.find("ATTRIBUTE \"ProductionDateTime\"") != std::string::npos) inTime = true;
      if (inTime && line.find("(0):") != std::string::npos) {
        line.clear();
        inTime = false;
      }
    }
    return lines;
  };
  const std::vector<std::string> second = dump(out + "/cut.h5");
  EXPECT_GT(second.size(), 100u);
  EXPECT_TRUE(second == dump(dir.file("first/cut.h5")));
  EXPECT_EQ(frame->historyBar().text().find("ERROR"), std::string::npos) << frame->historyBar().text();
  EXPECT_TRUE(frame->findChild<QWidget*>(QStringLiteral("batchHistoryBar"))->isVisible());
}

// --- unattended runs -----------------------------------------------------------------------

TEST(BatchProcess, ExitStatusTellsHowTheRunWent) {
  TempDir dir;
  ::setenv("KIVO_SETTINGS", dir.file("KIVOMeriview.ini").c_str(), 1);
  auto batch = [](const std::string& file) { return kivo::test::runProgram("kivo-meriview", {"--batch", file}); };
  writeBytes(dir.file("empty.out"), "");
  const kivo::test::CommandResult empty = batch(dir.file("empty.out"));
  EXPECT_EQ(empty.status, 0);
  EXPECT_EQ(empty.output, "");

  writeBytes(dir.file("bad.out"), "OUTIMG /F PNG /O x.png\r\nNOSPACE\r\n");
  const kivo::test::CommandResult bad = batch(dir.file("bad.out"));
  EXPECT_EQ(bad.status, 1);
  EXPECT_EQ(bad.lines(), (std::vector<std::string>{"1/2 error 1 OUTIMG /F PNG /O x.png", "2/2 error 2 NOSPACE"}));

  EXPECT_EQ(batch(dir.file("absent.out")).status, 2);
  EXPECT_EQ(batch(dir.file("")).status, 2);  // a folder

  if (fs::exists(kSample)) {
    writeBytes(dir.file("l.txt"), kSample + "\r\r\n");
    writeBytes(dir.file("good.out"), "VIEWHDF /T AMSR2 /L L1B /S 89AH /I " + dir.file("l.txt") + " /V OFF\r\nOUTIMG /F PNG /O " +
                                         dir.file("p.png") + "\r\n");
    const kivo::test::CommandResult good = batch(dir.file("good.out"));
    EXPECT_EQ(good.status, 0) << good.output;
    EXPECT_EQ(readBytes(dir.file("p.png")).substr(1, 3), "PNG");
  }
}

}  // namespace
