#include "app/table_editors/table_editor.h"

#include <QApplication>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>

#include "app/table_editors/table_fields.h"
#include "colour/colour_bar.h"
#include "draw/surface.h"

namespace kivo::app {
namespace {

constexpr int kBarWidth = 511;
constexpr int kBarHeight = 71;
constexpr int kStripHeight = 46;  // strip, ticks and values of a bar without caption
constexpr int kCountWidth = 78;

const char* const kChannelNames[3] = {QT_TRANSLATE_NOOP("kivo::app::ComTblEditor", "Red"),
                                      QT_TRANSLATE_NOOP("kivo::app::ComTblEditor", "Green"),
                                      QT_TRANSLATE_NOOP("kivo::app::ComTblEditor", "Blue")};

// The colour bar of `table` as the view draws it, horizontal, on a white picture.
QImage colourBarImage(const colour::ComClrTblMng& table, bool reversed, const std::string& caption) {
  draw::Surface surface(kBarWidth, kBarHeight);
  surface.clear(colour::rgb(255, 255, 255));
  colour::ComDspClrBar bar;
  bar.ComSetClrBar(colour::ColourBarSettings{true, reversed}, &table);
  // The surface's origin is its centre: the upper-left corner of the bar is (-255, 35).
  bar.ComDrawClrBar(&surface, -(kBarWidth / 2), kBarHeight / 2, false, caption);
  surface.endPainting();
  return surface.image().copy();
}

// One channel of a look-up table as a bar of its own: its points and intensities alone.
colour::ComClrTblMng channelTable(const colour::ComClrTblMng& table, int channel) {
  colour::ComClrTblMng one;
  one.ComSetPntNum(table.ComGetPntNum());
  one.ComSetGrphType(table.ComGetGrphType());
  for (int k = 0; k < colour::kCapacity; ++k) {
    float v = 0;
    std::uint8_t intensity = 0;
    table.ComGetCntVal(channel, k, &v);
    table.ComGetClrPrm(channel, k, &intensity);
    for (int c = 0; c < colour::kChannels; ++c) {
      one.ComSetCntVal(c, k, v);
      one.ComSetClrPrm(c, k, c == channel ? intensity : 0);
    }
  }
  return one;
}

QLabel* previewLabel(QWidget* parent, int height) {
  auto* label = new QLabel(parent);
  label->setFixedSize(kBarWidth, height);
  label->setFrameShape(QFrame::NoFrame);
  return label;
}

}  // namespace

ComTblEditor::ComTblEditor(bool lookup, QWidget* parent) : QDialog(parent), lookup_(lookup) {
  log_.setName(lookup ? "ComLkupTblCnf" : "ComClrTblCnf");
  setWindowTitle(lookup ? tr("Edit Look Up Table") : tr("Edit Color Bar Table"));
  auto* main = new QVBoxLayout(this);

  points_ = new QComboBox(this);
  points_->addItems({tr("2 Point"), tr("3 Point"), tr("5 Point"), tr("9 Point")});
  graph_ = new QComboBox(this);
  graph_->addItems({tr("Line Graph"), tr("Bar Graph")});
  auto* choices = new QHBoxLayout;
  choices->addWidget(new QLabel(lookup ? tr("No of Points") : tr("No of Point"), this));
  choices->addWidget(points_);
  choices->addSpacing(24);
  choices->addWidget(new QLabel(tr("Graph Type"), this));
  choices->addWidget(graph_);
  choices->addStretch(1);
  main->addLayout(choices);

  for (int c = 0; c < 3; ++c) sliders_[static_cast<std::size_t>(c)] = new ComClrSldBar(this);
  if (!lookup) {
    title_ = new QLineEdit(this);
    auto* titleRow = new QHBoxLayout;
    titleRow->addWidget(new QLabel(tr("Color Bar Table Title / Unit"), this));
    titleRow->addWidget(title_, 1);
    main->addLayout(titleRow);
    // Red, green and blue sliders over one row of count values that all three share.
    auto* grid = new QGridLayout;
    for (int c = 0; c < 3; ++c) {
      grid->addWidget(new QLabel(tr(kChannelNames[c]), this), c, 0);
      grid->addWidget(sliders_[static_cast<std::size_t>(c)], c, 1);
    }
    grid->addWidget(new QLabel(tr("Count"), this), 3, 0);
    grid->addWidget(countRow(0), 3, 1);
    grid->setColumnStretch(1, 1);
    main->addLayout(grid);
    previews_[0] = previewLabel(this, kBarHeight);
    main->addWidget(previews_[0], 0, Qt::AlignHCenter);
  } else {
    // Per channel: its sliders, its count values and its own bar.
    for (int c = 0; c < 3; ++c) {
      auto* group = new QGroupBox(tr(kChannelNames[c]), this);
      auto* grid = new QGridLayout(group);
      grid->addWidget(sliders_[static_cast<std::size_t>(c)], 0, 1);
      grid->addWidget(new QLabel(tr("Count"), group), 1, 0);
      grid->addWidget(countRow(c), 1, 1);
      previews_[static_cast<std::size_t>(c)] = previewLabel(group, kStripHeight);
      grid->addWidget(previews_[static_cast<std::size_t>(c)], 2, 1, Qt::AlignHCenter);
      grid->setColumnStretch(1, 1);
      main->addWidget(group);
    }
  }

  config_ = new ComClrCnfg(this);
  main->addWidget(config_);
  buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  main->addWidget(buttons_);

  for (int c = 0; c < 3; ++c) {
    connect(sliders_[static_cast<std::size_t>(c)], &ComClrSldBar::intensityChanged, this, [this] { tableChanged(); });
  }
  connect(points_, &QComboBox::currentIndexChanged, this, &ComTblEditor::pointsChosen);
  connect(graph_, &QComboBox::currentIndexChanged, this, &ComTblEditor::graphChosen);
  if (title_ != nullptr) connect(title_, &QLineEdit::textChanged, this, &ComTblEditor::titleChanged);
  connect(config_, &ComClrCnfg::refreshRequested, this, &ComTblEditor::refresh);
  connect(config_, &ComClrCnfg::fileRead, this, &ComTblEditor::fileRead);
  connect(buttons_, &QDialogButtonBox::accepted, this, &ComTblEditor::accept);
  connect(buttons_, &QDialogButtonBox::rejected, this, &ComTblEditor::reject);
}

QWidget* ComTblEditor::countRow(int row) {
  auto* box = new QWidget(this);
  auto* layout = new QGridLayout(box);
  layout->setContentsMargins(0, 0, 0, 0);
  for (int k = 0; k < colour::kCapacity; ++k) {
    auto* field = new QLineEdit(box);
    field->setFixedWidth(kCountWidth);
    field->setObjectName(QStringLiteral("count%1_%2").arg(row).arg(k));
    QSizePolicy policy = field->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    field->setSizePolicy(policy);
    field->installEventFilter(this);
    layout->addWidget(field, 0, k, Qt::AlignHCenter);
    layout->setColumnStretch(k, 1);
    counts_[static_cast<std::size_t>(row)][static_cast<std::size_t>(k)] = field;
  }
  return box;
}

void ComTblEditor::ComSetIniVal(const TableEditorContext& context) {
  context_ = context;
  if (context_.table == nullptr || context_.settings == nullptr) return;
  colour::ComClrTblMng& table = *context_.table;
  copy_ = table;
  context_.settings->ComGetFlg(kIdExpIndiRevFlg, &reverseCopy_);
  {
    const QSignalBlocker quietPoints(points_);
    const QSignalBlocker quietGraph(graph_);
    graph_->setCurrentIndex(table.ComGetGrphType() - 1);
    points_->setCurrentIndex(pointChoiceOf(table.ComGetPntNum()));
  }
  for (int c = 0; c < 3; ++c) sliders_[static_cast<std::size_t>(c)]->ComSetIniVal(&table, c);
  ComClrCnfg::Source source;
  source.table = &table;
  source.statistics = context_.statistics;
  source.settings = context_.settings;
  source.family = context_.family;
  source.lookup = lookup_;
  source.pointChoice = [this] { return points_->currentIndex(); };
  source.title = [this] { return title_ != nullptr ? title_->text().toStdString() : std::string(); };
  config_->ComSetIniVal(std::move(source));
  for (int row = 0; row < countRows(); ++row) {
    for (int k = 0; k < colour::kCapacity; ++k) {
      float v = 0;
      table.ComGetCntVal(channelOfRow(row), k, &v);
      countField(row, k)->setText(QString::fromStdString(countText(v)));
    }
  }
  if (title_ != nullptr) {
    const QSignalBlocker quiet(title_);
    title_->setText(QString::fromStdString(context_.caption));
  }
  showUsedSlots();
  refresh();
}

// --- the table changes ---------------------------------------------------------------------

void ComTblEditor::refresh() {
  for (ComClrSldBar* bar : sliders_) bar->ComGetValSgm();
  fillCounts();
  tableChanged();
}

void ComTblEditor::fillCounts() {
  if (context_.table == nullptr) return;
  const int step = context_.table->step();
  for (int row = 0; row < countRows(); ++row) {
    for (int k = 0; k < colour::kCapacity; k += step) {
      float v = 0;
      context_.table->ComGetCntVal(channelOfRow(row), k, &v);
      countField(row, k)->setText(QString::fromStdString(countText(v)));
    }
  }
}

void ComTblEditor::showUsedSlots() {
  if (context_.table == nullptr) return;
  const int step = context_.table->step();
  for (int row = 0; row < countRows(); ++row) {
    for (int k = 0; k < colour::kCapacity; ++k) countField(row, k)->setVisible(k % step == 0);
  }
  for (ComClrSldBar* bar : sliders_) bar->ComGetValSgm();
}

void ComTblEditor::tableChanged() {
  drawPreviews();
  if (context_.preview) context_.preview();
}

void ComTblEditor::drawPreviews() {
  if (context_.table == nullptr) return;
  const colour::ComClrTblMng& table = *context_.table;
  if (!lookup_) {
    bool reversed = false;
    if (context_.settings != nullptr) context_.settings->ComGetFlg(kIdExpIndiRevFlg, &reversed);
    previews_[0]->setPixmap(QPixmap::fromImage(colourBarImage(table, reversed, title_->text().toStdString())));
    return;
  }
  for (int c = 0; c < 3; ++c) {
    const QImage bar = colourBarImage(channelTable(table, c), false, std::string());
    previews_[static_cast<std::size_t>(c)]->setPixmap(QPixmap::fromImage(bar.copy(0, 0, kBarWidth, kStripHeight)));
  }
}

void ComTblEditor::pointsChosen(int index) {
  if (context_.table == nullptr) return;
  context_.table->ComSetPntNum(pointsOfChoice(index));
  showUsedSlots();
  fillCounts();
  tableChanged();
}

void ComTblEditor::graphChosen(int index) {
  if (context_.table == nullptr) return;
  context_.table->ComSetGrphType(index + 1);
  for (ComClrSldBar* bar : sliders_) bar->update();
  tableChanged();
}

void ComTblEditor::titleChanged() {
  if (replacingTitle_ || title_ == nullptr) return;
  if (const MsgCode code = checkTitle(title_->text().toStdString()); code != 0) {
    ComOutMsgBox().ComDspMsg(code);
    // The title of saved images stands in for a title that is too long.
    std::string imageTitle;
    if (context_.settings != nullptr) context_.settings->ComGetStr(kIdImgTitle, &imageTitle);
    replacingTitle_ = true;
    title_->setText(QString::fromStdString(imageTitle));
    replacingTitle_ = false;
  }
  drawPreviews();
}

void ComTblEditor::fileRead(const colour::TableFileExtras& extras) {
  if (context_.table == nullptr) return;
  // The choices follow the file as if the user had made them.
  if (extras.pointChoice >= 0) {
    const QSignalBlocker quiet(points_);
    points_->setCurrentIndex(extras.pointChoice);
  }
  {
    const QSignalBlocker quiet(graph_);
    graph_->setCurrentIndex(context_.table->ComGetGrphType() - 1);
  }
  if (title_ != nullptr && extras.titleRead) title_->setText(QString::fromStdString(extras.title));
  if (extras.reverseRead && context_.settings != nullptr) context_.settings->ComSetFlg(kIdExpIndiRevFlg, extras.reverse);
  showUsedSlots();
}

// --- count fields --------------------------------------------------------------------------

MsgCode ComTblEditor::takeCountField(int row, int slot, bool& changed) {
  changed = false;
  float value = 0;
  const std::string text = countField(row, slot)->text().toStdString();
  if (const MsgCode code = checkCountText(text, value); code != 0) return code;
  colour::ComClrTblMng& table = *context_.table;
  const int channel = channelOfRow(row);
  float current = 0;
  table.ComGetCntVal(channel, slot, &current);
  // A field that still shows the table's value keeps the value's full precision.
  if (text == countText(current)) return 0;
  if (lookup_) {
    table.ComSetCntVal(channel, slot, value);
  } else {
    for (int c = 0; c < colour::kChannels; ++c) table.ComSetCntVal(c, slot, value);
  }
  changed = true;
  return 0;
}

void ComTblEditor::complain(MsgCode code, QLineEdit* field) {
  ComOutMsgBox().ComDspMsg(code);
  if (field == nullptr) return;
  field->setFocus(Qt::OtherFocusReason);
  field->selectAll();
}

void ComTblEditor::countFieldLeft(int row, int slot) {
  if (context_.table == nullptr) return;
  bool changed = false;
  if (const MsgCode code = takeCountField(row, slot, changed); code != 0) {
    complain(code, countField(row, slot));
    return;
  }
  if (changed) tableChanged();
}

bool ComTblEditor::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut) {
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    // Another window taking the focus (a message box, a menu) is not leaving the field, and
    // Cancel throws the field away.
    const bool leaves = reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
                        QApplication::focusWidget() != buttons_->button(QDialogButtonBox::Cancel);
    for (int row = 0; leaves && row < countRows(); ++row) {
      for (int k = 0; k < colour::kCapacity; ++k) {
        if (watched != countField(row, k)) continue;
        // Checked once the focus has arrived where it goes, so that the message box and the
        // focus put back do not run inside the focus change.
        const unsigned generation = generation_;
        QMetaObject::invokeMethod(
            this, [this, row, k, generation] {
              if (generation == generation_ && isVisible()) countFieldLeft(row, k);
            },
            Qt::QueuedConnection);
      }
    }
  }
  return QDialog::eventFilter(watched, event);
}

// --- OK and Cancel -------------------------------------------------------------------------

void ComTblEditor::accept() {
  if (context_.table == nullptr) {
    QDialog::accept();
    return;
  }
  ++generation_;
  colour::ComClrTblMng& table = *context_.table;
  const int step = table.step();
  bool anyChanged = false;
  for (int row = 0; row < countRows(); ++row) {
    for (int k = 0; k < colour::kCapacity; k += step) {
      bool changed = false;
      if (const MsgCode code = takeCountField(row, k, changed); code != 0) {
        if (anyChanged) tableChanged();
        complain(code, countField(row, k));
        return;
      }
      anyChanged = anyChanged || changed;
    }
  }
  if (anyChanged) tableChanged();
  for (int row = 0; row < countRows(); ++row) {
    if (!monotonic(usedCountValues(table, channelOfRow(row)))) {
      complain(kMsgCountOrder, nullptr);
      return;
    }
  }
  table.ComSetLogMode(config_->logarithmic() ? 1 : 0);
  if (title_ != nullptr) context_.caption = title_->text().toStdString();
  QDialog::accept();
}

void ComTblEditor::reject() {
  ++generation_;
  if (context_.table != nullptr) {
    *context_.table = copy_;
    // A colour table file read meanwhile may have turned the colour bar round.
    if (context_.settings != nullptr) context_.settings->ComSetFlg(kIdExpIndiRevFlg, reverseCopy_);
    if (context_.preview) context_.preview();
  }
  QDialog::reject();
}

ComClrTblCnf::ComClrTblCnf(QWidget* parent) : ComTblEditor(false, parent) {}
ComLkupTblCnf::ComLkupTblCnf(QWidget* parent) : ComTblEditor(true, parent) {}

int ComEditTable(bool lookup, TableEditorContext& context, QWidget* parent) {
  std::unique_ptr<ComTblEditor> editor;
  if (lookup) {
    editor = std::make_unique<ComLkupTblCnf>(parent);
  } else {
    editor = std::make_unique<ComClrTblCnf>(parent);
  }
  editor->ComSetIniVal(context);
  const int result = editor->exec();
  if (result == QDialog::Accepted) context.caption = editor->context().caption;
  return result;
}

}  // namespace kivo::app
