// The table editors of a map view in the main window (offscreen): the count field and title
// rules with their messages, the order check of OK, sliders and choices reaching the view's
// table and its redraw, Cancel putting the table back, and table files loaded and saved.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/main_frame.h"
#include "app/map_view/map_view.h"
#include "app/messages.h"
#include "app/table_editors/table_editor.h"
#include "colour/colour_table.h"
#include "temp_dir.h"
#include "tiny_product.h"

namespace app = kivo::app;
namespace cmd = kivo::app::cmd;
namespace colour = kivo::colour;
namespace model = kivo::model;
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
  char name_[24] = "test_app_table_editors";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> application_;
};
const auto* const kGui = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

constexpr int k89AH = 20;
constexpr const char* kGranule = "GW1AM2_201207031905_234A_L1SGBTBR_2220220";

std::vector<app::MsgCode> codes(const app::RecordingMessagePresenter& r) {
  std::vector<app::MsgCode> out;
  for (const auto& e : r.entries()) out.push_back(e.code);
  return out;
}

// Everything a table holds.
struct TableContent {
  int points, graph, log;
  std::string name;
  std::vector<float> values;
  std::vector<int> intensities;
  bool operator==(const TableContent&) const = default;
};
TableContent contentOf(const colour::ComClrTblMng& t) {
  TableContent c{t.ComGetPntNum(), t.ComGetGrphType(), t.ComGetLogMode(), t.ComGetTblName(), {}, {}};
  for (int ch = 0; ch < 3; ++ch) {
    for (int k = 0; k < 9; ++k) {
      float v = 0;
      std::uint8_t i = 0;
      t.ComGetCntVal(ch, k, &v);
      t.ComGetClrPrm(ch, k, &i);
      c.values.push_back(v);
      c.intensities.push_back(i);
    }
  }
  return c;
}

float valueAt(const colour::ComClrTblMng& t, int c, int k) {
  float v = 0;
  t.ComGetCntVal(c, k, &v);
  return v;
}
int intensityAt(const colour::ComClrTblMng& t, int c, int k) {
  std::uint8_t i = 0;
  t.ComGetClrPrm(c, k, &i);
  return i;
}

// The user leaves a field with the tab key; its check runs once the focus has moved.
void leave(QLineEdit* field) {
  QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
  QCoreApplication::sendEvent(field, &out);
  QCoreApplication::processEvents();
}

// Answers the next file dialog with `path` (typed into its name field).
class FileDialogAnswer {
 public:
  explicit FileDialogAnswer(QString path) : path_(std::move(path)) {
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (dialog == nullptr) return;
      timer_.stop();
      filters = dialog->nameFilters();
      folder = dialog->directory().absolutePath().toStdString();
      auto* field = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      ASSERT_NE(field, nullptr);
      field->setText(path_);
      static_cast<QDialog*>(dialog)->accept();
    });
    timer_.start();
  }
  QStringList filters;
  std::string folder;

 private:
  QString path_;
  QTimer timer_;
};

class TableEditors : public ::testing::Test {
 protected:
  void SetUp() override {
    app::MainFrameOptions options;
    options.programFolder = std::string(KIVO_BIN_DIR) + "/";
    options.settingsPath = dir.file("KIVOMeriview.ini");
    options.meshDelayMs = 0;
    frame = std::make_unique<app::CMainFrame>(options);
    frame->show();
    QObject::connect(frame.get(), &app::CMainFrame::preview, [this] { ++previews; });
    messages.clear();
  }
  void TearDown() override { frame.reset(); }

  // A Level 1B product of 100 K to 130 K over 19..22 E, 9..12 N, shown alone or as a
  // composite of itself.
  app::ComPrdctMpDsp* openView(bool composite) {
    std::vector<float> lat, lon;
    std::vector<unsigned short> counts;
    for (int i = 0; i <= 30; ++i) {
      for (int j = 0; j <= 30; ++j) {
        lat.push_back(static_cast<float>(9.05 + 0.1 * i));
        lon.push_back(static_cast<float>(19.05 + 0.1 * j));
        counts.push_back(static_cast<unsigned short>(10000 + 100 * j));
      }
    }
    const unsigned long long n = lat.size();
    // Each view's product is a file of its own: an open file cannot be written again.
    const std::string folder = dir.file("product" + std::to_string(++products));
    std::filesystem::create_directories(folder);
    TinyProduct p(folder + "/" + kGranule + ".h5");
    p.head("AMSR2-L1B", 0, kGranule);
    for (const char* band : {"89A", "89B"}) {
      p.data(std::string("Latitude of Observation Point for ") + band, Stored::F32, {1, n}, lat);
      p.data(std::string("Longitude of Observation Point for ") + band, Stored::F32, {1, n}, lon);
    }
    p.data("Brightness Temperature (89.0GHz-A,H)", Stored::U16, {1, n}, counts, 0.01f);
    const std::string path = p.close();
    app::ComPrdctMpDsp::ViewProduct product;
    product.composite = composite;
    for (int c = 0; c < (composite ? 3 : 1); ++c) {
      model::ComPrdctMngmnt* object = frame->productObjects()[static_cast<std::size_t>(c)];
      int slot = -1, projection = -1;
      bool known = false;
      std::string name;
      EXPECT_EQ(object->ComOpenPrdctFile(path, slot, name, projection, known), 0);
      EXPECT_EQ(object->ComLoadChnl(slot, k89AH), 0);
      object->ComStartMesh();
      product.slots[static_cast<std::size_t>(c)] = {slot};
      product.channels[static_cast<std::size_t>(c)] = k89AH;
    }
    app::ComPrdctMpDsp* v = frame->openMapView("view", true);
    EXPECT_NE(v, nullptr);
    v->resize(800, 550);
    EXPECT_EQ(v->ComSetViewPrdct(product), 0);
    EXPECT_EQ(frame->activeMapView(), v);
    return v;
  }

  // Runs a menu command and `act` on the editor it opens; an editor still open afterwards is
  // cancelled. False when no editor opened.
  bool withEditor(int command, const std::function<void(app::ComTblEditor&)>& act) {
    bool opened = false;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, [&] {
      auto* editor = qobject_cast<app::ComTblEditor*>(QApplication::activeModalWidget());
      if (editor == nullptr) return;
      opened = true;
      act(*editor);
      if (editor->isVisible()) editor->reject();
    });
    timer.start(0);
    frame->runCommand(command);
    return opened;
  }

  TempDir dir;
  app::RecordingMessagePresenter messages;
  app::ScopedMessagePresenter scope{messages};
  std::unique_ptr<app::CMainFrame> frame;
  int previews = 0;
  int products = 0;
};

TEST_F(TableEditors, EachViewOffersItsOwnEditor) {
  app::ComPrdctMpDsp* single = openView(false);
  EXPECT_TRUE(single->commandEnabled(cmd::kEditColourTable));
  EXPECT_FALSE(single->commandEnabled(cmd::kEditLookupTable));
  bool lookup = true;
  EXPECT_TRUE(withEditor(cmd::kEditColourTable, [&](app::ComTblEditor& e) { lookup = e.lookup(); }));
  EXPECT_FALSE(lookup);
  app::ComPrdctMpDsp* composite = openView(true);
  EXPECT_FALSE(composite->commandEnabled(cmd::kEditColourTable));
  EXPECT_TRUE(withEditor(cmd::kEditLookupTable, [&](app::ComTblEditor& e) { lookup = e.lookup(); }));
  EXPECT_TRUE(lookup);
}

TEST_F(TableEditors, CountFieldsTakeNumbersFromMinus9999To10000) {
  struct Case {
    std::string text;
    app::MsgCode message;
    float value;
  };
  const std::vector<Case> cases = {
      {"12.5", 0, 12.5f},         {"-9999", 0, -9999.0f},     {"10000", 0, 10000.0f},     {"-.5", 0, -0.5f},
      {"7.", 0, 7.0f},            {std::string(260, '0'), 0, 0.0f},
      {"10000.001", 30, 0},       {"-9999.5", 30, 0},         {"abc", 30, 0},             {"1e3", 30, 0},
      {"1.2.3", 30, 0},           {"--1", 30, 0},             {"+5", 30, 0},              {" 5", 30, 0},
      {"", 30, 0},                {std::string(261, '0'), 30, 0},
  };
  app::ComPrdctMpDsp* view = openView(false);
  ASSERT_TRUE(withEditor(cmd::kEditColourTable, [&](app::ComTblEditor& editor) {
    QLineEdit* field = editor.countField(0, 4);
    for (const Case& c : cases) {
      // A valid field that the focus has left.
      field->setText(QStringLiteral("1"));
      editor.countField(0, 0)->setFocus();
      QCoreApplication::processEvents();
      messages.clear();
      const float before = valueAt(view->colourTable(), 0, 4);
      field->setText(QString::fromStdString(c.text));
      leave(field);
      EXPECT_EQ(codes(messages), (c.message == 0 ? std::vector<app::MsgCode>{} : std::vector<app::MsgCode>{c.message}))
          << "'" << c.text << "'";
      if (c.message == 0) {
        // The value reaches all three channels of the colour table.
        for (int ch = 0; ch < 3; ++ch) EXPECT_EQ(valueAt(view->colourTable(), ch, 4), c.value) << c.text;
      } else {
        EXPECT_EQ(valueAt(view->colourTable(), 0, 4), before) << c.text;
        EXPECT_EQ(editor.focusWidget(), field) << c.text;
        EXPECT_EQ(field->selectedText(), field->text()) << c.text;
      }
    }
  }));
}

TEST_F(TableEditors, OkWantsRisingOrFallingCountValues) {
  struct Case {
    std::vector<std::string> counts;  // slots 0, 2, 4, 6, 8 of five points
    std::vector<app::MsgCode> messages;
    bool closes;
  };
  const std::vector<Case> cases = {
      {{"0", "10", "10", "20", "30"}, {}, true},
      {{"30", "20", "20", "10", "0"}, {}, true},
      {{"5", "5", "5", "5", "5"}, {}, true},
      {{"0", "10", "5", "20", "30"}, {35}, false},
      {{"0", "10", "x", "20", "30"}, {30}, false},
  };
  app::ComPrdctMpDsp* view = openView(false);
  for (const Case& c : cases) {
    messages.clear();
    bool closed = false;
    int focused = -1;
    ASSERT_TRUE(withEditor(cmd::kEditColourTable, [&](app::ComTblEditor& editor) {
      editor.pointChoice()->setCurrentIndex(2);  // 5 points: slots 0, 2, 4, 6, 8
      for (int i = 0; i < 5; ++i) editor.countField(0, 2 * i)->setText(QString::fromStdString(c.counts[i]));
      editor.accept();
      closed = !editor.isVisible();
      for (int k = 0; k < 9; ++k) {
        if (editor.focusWidget() == editor.countField(0, k)) focused = k;
      }
    }));
    EXPECT_EQ(codes(messages), c.messages) << c.counts[2];
    EXPECT_EQ(closed, c.closes) << c.counts[2];
    if (c.messages == std::vector<app::MsgCode>{30}) {
      EXPECT_EQ(focused, 4);
    }
  }
  // The look-up table editor checks each channel on its own.
  messages.clear();
  openView(true);
  ASSERT_TRUE(withEditor(cmd::kEditLookupTable, [&](app::ComTblEditor& editor) {
    editor.pointChoice()->setCurrentIndex(1);  // 3 points: slots 0, 4, 8
    const char* rows[3][3] = {{"0", "1", "2"}, {"9", "3", "1"}, {"0", "5", "2"}};
    for (int row = 0; row < 3; ++row) {
      for (int i = 0; i < 3; ++i) editor.countField(row, 4 * i)->setText(QString::fromUtf8(rows[row][i]));
    }
    editor.accept();
    EXPECT_TRUE(editor.isVisible());
  }));
  EXPECT_EQ(codes(messages), std::vector<app::MsgCode>{35});
  (void)view;
}

TEST_F(TableEditors, TitleOfMoreThan250HalfWidthCharactersGivesWayToTheImageTitle) {
  struct Case {
    QString title;
    std::vector<app::MsgCode> messages;
  };
  const std::vector<Case> cases = {
      {QString(250, QLatin1Char('a')), {}},
      {QString(251, QLatin1Char('a')), {29}},
      {QString(125, QChar(0x3042)), {}},  // 125 full-width characters count 250
      {QString(126, QChar(0x3042)), {29}},
  };
  app::ComPrdctMpDsp* view = openView(false);
  view->settings().ComSetStr(app::kIdImgTitle, "Image title");
  for (const Case& c : cases) {
    messages.clear();
    ASSERT_TRUE(withEditor(cmd::kEditColourTable, [&](app::ComTblEditor& editor) {
      editor.title()->setText(c.title);
      EXPECT_EQ(editor.title()->text(), c.messages.empty() ? c.title : QStringLiteral("Image title"));
      editor.accept();
    }));
    EXPECT_EQ(codes(messages), c.messages);
    // OK makes the title the view's colour bar caption.
    EXPECT_EQ(QString::fromStdString(view->paintRequest().colourBar.caption),
              c.messages.empty() ? c.title : QStringLiteral("Image title"));
  }
}

TEST_F(TableEditors, SlidersAndChoicesChangeTheViewsTableAndRedrawIt) {
  app::ComPrdctMpDsp* view = openView(false);
  colour::ComClrTblMng& table = view->colourTable();
  ASSERT_TRUE(withEditor(cmd::kEditColourTable, [&](app::ComTblEditor& editor) {
    const QImage initial = editor.preview(0)->pixmap().toImage();
    struct Move {
      int channel, slot;
      QAbstractSlider::SliderAction action;
      int intensity;
    };
    // Each moves away from the automatic table's intensity.
    for (const Move& m : {Move{0, 0, QAbstractSlider::SliderToMaximum, 255}, Move{1, 3, QAbstractSlider::SliderToMinimum, 0},
                          Move{2, 0, QAbstractSlider::SliderToMinimum, 0}}) {
      QCoreApplication::processEvents();
      const int before = previews;
      editor.sliderBar(m.channel)->slider(m.slot)->triggerAction(m.action);
      EXPECT_EQ(intensityAt(table, m.channel, m.slot), m.intensity);
      QCoreApplication::processEvents();
      EXPECT_GT(previews, before);  // "KIVO_PREVIEW" reached the view
    }
    EXPECT_NE(editor.preview(0)->pixmap().toImage(), initial);

    editor.pointChoice()->setCurrentIndex(0);  // 2 points: slots 0 and 8
    EXPECT_EQ(table.ComGetPntNum(), 2);
    for (int k = 0; k < 9; ++k) {
      const bool used = k == 0 || k == 8;
      EXPECT_EQ(editor.countField(0, k)->isVisibleTo(&editor), used) << k;
      EXPECT_EQ(editor.sliderBar(1)->slider(k)->isVisibleTo(&editor), used) << k;
    }
    editor.graphType()->setCurrentIndex(1);
    EXPECT_EQ(table.ComGetGrphType(), colour::kBarGraph);
    editor.settingBar()->findChild<QRadioButton*>(QStringLiteral("log"))->setChecked(true);
    editor.accept();
  }));
  EXPECT_EQ(table.ComGetLogMode(), 1);  // taken on OK
  EXPECT_TRUE(messages.entries().empty());

  // The look-up table editor moves one channel at a time.
  app::ComPrdctMpDsp* composite = openView(true);
  ASSERT_TRUE(withEditor(cmd::kEditLookupTable, [&](app::ComTblEditor& editor) {
    editor.sliderBar(2)->slider(5)->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(intensityAt(composite->colourTable(), 2, 5), 255);
    EXPECT_EQ(intensityAt(composite->colourTable(), 0, 5), colour::kAutomaticRamp[0][5]);
    editor.countField(1, 4)->setText(QStringLiteral("-3.25"));
    leave(editor.countField(1, 4));
    EXPECT_EQ(valueAt(composite->colourTable(), 1, 4), -3.25f);
    EXPECT_NE(valueAt(composite->colourTable(), 0, 4), -3.25f);
  }));
}

TEST_F(TableEditors, ComputationsRefillTheFields) {
  app::ComPrdctMpDsp* view = openView(false);
  ASSERT_TRUE(withEditor(cmd::kEditColourTable, [&](app::ComTblEditor& editor) {
    editor.countField(0, 0)->setText(QStringLiteral("0"));
    editor.countField(0, 8)->setText(QStringLiteral("1"));
    leave(editor.countField(0, 0));
    leave(editor.countField(0, 8));
    editor.settingBar()->findChild<QPushButton*>(QStringLiteral("maxMin"))->click();
    EXPECT_EQ(editor.countField(0, 0)->text(), QStringLiteral("100.000"));
    EXPECT_EQ(editor.countField(0, 8)->text(), QStringLiteral("130.000"));
    editor.settingBar()->findChild<QPushButton*>(QStringLiteral("interpolation"))->click();
    EXPECT_EQ(editor.countField(0, 4)->text(), QStringLiteral("115.000"));
    EXPECT_EQ(valueAt(view->colourTable(), 2, 2), 107.5f);
    editor.settingBar()->findChild<QPushButton*>(QStringLiteral("sigma"))->click();
    EXPECT_LT(editor.countField(0, 0)->text().toDouble(), 100.0);
    EXPECT_GT(editor.countField(0, 8)->text().toDouble(), 130.0);
  }));
  EXPECT_TRUE(messages.entries().empty());
}

// A colour table file as the program writes it: three points, steps, log mode, flipped bar.
const std::string kClt =
    "// KIVO-S1 Meriview COLOR TABLE DEFINE\r\nN = 3\r\nGRAPH_MODE = 1\r\nLOG_MODE = ON\r\nREVERS_MODE = ON\r\n"
    "TITLE_NAME = Tb [K]\r\nVAL = 150.000\tCOLOR =  10, 20, 30\r\nVAL = 200.500\tCOLOR = 100,110,120\r\n"
    "VAL = 300.000\tCOLOR = 255,  0,  5\r\n";
const std::string kLut =
    "// KIVO-S1 Meriview LOOKUP DEFINE\r\nN = 2\r\nGRAPH_MODE = 0\r\nLOG_MODE = OFF\r\n"
    "VAL_R = 1.000\tCOLOR_R =   0\r\nVAL_R = 2.000\tCOLOR_R = 255\r\n"
    "VAL_G = 3.000\tCOLOR_G =  10\r\nVAL_G = 4.000\tCOLOR_G = 200\r\n"
    "VAL_B = -5.000\tCOLOR_B =  20\r\nVAL_B = 5.000\tCOLOR_B = 100\r\n";

TEST_F(TableEditors, FilesLoadIntoTheEditorAndSaveAsRead) {
  app::ComPrdctMpDsp* view = openView(false);
  writeBytes(dir.file("in.clt"), kClt);
  ASSERT_TRUE(withEditor(cmd::kEditColourTable, [&](app::ComTblEditor& editor) {
    {
      FileDialogAnswer answer(QString::fromStdString(dir.file("in.clt")));
      editor.settingBar()->findChild<QPushButton*>(QStringLiteral("reference"))->click();
      EXPECT_EQ(answer.filters.front(), QStringLiteral("Color Table Files (*.clt)"));
      EXPECT_EQ(answer.folder, std::string(KIVO_BIN_DIR) + "/Sample_Table/Color_Table/AMSR2");
    }
    EXPECT_EQ(editor.settingBar()->fileName()->text().toStdString(), dir.file("in.clt"));
    EXPECT_EQ(editor.pointChoice()->currentIndex(), 1);
    EXPECT_EQ(editor.graphType()->currentIndex(), 1);
    EXPECT_TRUE(editor.settingBar()->findChild<QRadioButton*>(QStringLiteral("log"))->isChecked());
    EXPECT_EQ(editor.title()->text(), QStringLiteral("Tb [K]"));
    EXPECT_EQ(editor.countField(0, 4)->text(), QStringLiteral("200.500"));
    EXPECT_FALSE(editor.countField(0, 2)->isVisibleTo(&editor));
    EXPECT_EQ(editor.sliderBar(2)->slider(8)->value(), 5);
    EXPECT_EQ(valueAt(view->colourTable(), 1, 5), 200.5f);
    EXPECT_EQ(editor.settingBar()->saveFile(dir.file("out.clt")), 0);
    editor.accept();
  }));
  EXPECT_EQ(readBytes(dir.file("out.clt")), kClt);
  bool reversed = false;
  view->settings().ComGetFlg(app::kIdExpIndiRevFlg, &reversed);
  EXPECT_TRUE(reversed);
  EXPECT_EQ(view->paintRequest().colourBar.caption, "Tb [K]");

  app::ComPrdctMpDsp* composite = openView(true);
  writeBytes(dir.file("in.lut"), kLut);
  ASSERT_TRUE(withEditor(cmd::kEditLookupTable, [&](app::ComTblEditor& editor) {
    EXPECT_EQ(editor.settingBar()->loadFile(dir.file("in.lut")), 0);
    EXPECT_EQ(editor.countField(2, 0)->text(), QStringLiteral("-5.000"));
    EXPECT_EQ(editor.pointChoice()->currentIndex(), 0);
    FileDialogAnswer answer(QString::fromStdString(dir.file("out.lut")));
    editor.settingBar()->findChild<QPushButton*>(QStringLiteral("save"))->click();
    EXPECT_EQ(answer.filters, QStringList{QStringLiteral("Look Up Table Files (*.lut)")});
    editor.accept();
  }));
  EXPECT_EQ(readBytes(dir.file("out.lut")), kLut);
  EXPECT_EQ(valueAt(composite->colourTable(), 1, 8), 4.0f);
  EXPECT_TRUE(messages.entries().empty());
}

TEST_F(TableEditors, CancelPutsTheTableBackAsItWas) {
  app::ComPrdctMpDsp* view = openView(false);
  writeBytes(dir.file("in.clt"), kClt);
  const TableContent before = contentOf(view->colourTable());
  const std::string caption = view->paintRequest().colourBar.caption;
  bool reversedBefore = true;
  view->settings().ComGetFlg(app::kIdExpIndiRevFlg, &reversedBefore);
  EXPECT_FALSE(reversedBefore);  // the file turns it round
  ASSERT_TRUE(withEditor(cmd::kEditColourTable, [&](app::ComTblEditor& editor) {
    editor.sliderBar(0)->slider(2)->triggerAction(QAbstractSlider::SliderToMaximum);
    editor.countField(0, 6)->setText(QStringLiteral("42"));
    leave(editor.countField(0, 6));
    editor.settingBar()->loadFile(dir.file("in.clt"));
    editor.settingBar()->findChild<QPushButton*>(QStringLiteral("maxMin"))->click();
    editor.graphType()->setCurrentIndex(0);
    editor.sliderBar(1)->slider(8)->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_NE(contentOf(view->colourTable()), before);
    const int sent = previews;
    editor.reject();
    QCoreApplication::processEvents();
    EXPECT_GT(previews, sent);
  }));
  EXPECT_EQ(contentOf(view->colourTable()), before);
  bool reversed = true;
  view->settings().ComGetFlg(app::kIdExpIndiRevFlg, &reversed);
  EXPECT_EQ(reversed, reversedBefore);
  EXPECT_EQ(view->paintRequest().colourBar.caption, caption);
  EXPECT_TRUE(messages.entries().empty());
}

}  // namespace
