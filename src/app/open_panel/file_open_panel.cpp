#include "app/open_panel/file_open_panel.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QUrl>
#include <QVBoxLayout>

#include <ctime>
#include <filesystem>
#include <fstream>

#include "app/batch/batch_language.h"

#include "app/main_frame.h"
#include "app/map_view/map_view.h"
#include "app/messages.h"
#include "app/table_chooser_bar.h"
#include "colour/table_chooser.h"

namespace kivo::app {
namespace {

// A file dialog filter of the form "Name (*.x)|*.x|...||" in Qt's form "Name (*.x);;...".
// "*.*" becomes "*", so that files without an extension are listed too.
QString qtFilters(const QString& filters) {
  const QStringList parts = filters.split(QLatin1Char('|'), Qt::SkipEmptyParts);
  QStringList names;
  for (int i = 0; i < parts.size(); i += 2) {
    QString name = parts[i];
    name.replace(QLatin1String("(*.*)"), QLatin1String("(*)"));
    names << name;
  }
  return names.join(QLatin1String(";;"));
}

QStringList dialogFiles(QWidget* parent, const QString& folder, const QString& filters, bool several) {
  QFileDialog dialog(parent, QString(), folder, filters);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(several ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.selectedFiles();
}

std::vector<std::string> toStd(const QStringList& list) {
  std::vector<std::string> out;
  out.reserve(static_cast<std::size_t>(list.size()));
  for (const QString& s : list) out.push_back(s.toStdString());
  return out;
}

QComboBox* channelList(QWidget* parent, const char* name) {
  auto* list = new QComboBox(parent);
  list->setObjectName(QLatin1String(name));
  // Room for "Geophysical Data for 89A 1stData" and "res06-6.9GHz-V@<file>" alike.
  list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  list->setMinimumContentsLength(32);
  return list;
}

}  // namespace

ComFlOpnView::ComFlOpnView(CMainFrame& frame, QWidget* parent)
    : QWidget(parent), frame_(frame), list_(frame.settings(), frame.productObjects()), chooseFiles_(dialogFiles) {
  buildControls();
  retranslate();
  refreshControls();
}

// The main window deletes its child windows while the product objects still exist; a panel
// that goes without being closed lets its files go here.
ComFlOpnView::~ComFlOpnView() { list_.releaseAll(); }

void ComFlOpnView::buildControls() {
  files_ = new QListWidget(this);
  files_->setObjectName(QStringLiteral("fileList"));
  files_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  files_->setSelectionMode(QAbstractItemView::SingleSelection);
  add_ = new QPushButton(this);
  add_->setObjectName(QStringLiteral("addButton"));
  remove_ = new QPushButton(this);
  remove_->setObjectName(QStringLiteral("removeButton"));

  auto* top = new QHBoxLayout;
  top->addWidget(files_, 1);
  auto* side = new QVBoxLayout;
  side->addWidget(add_);
  side->addWidget(remove_);
  side->addStretch(1);
  top->addLayout(side);

  levelLabel_ = new QLabel(this);
  level_ = new QLineEdit(this);
  level_->setObjectName(QStringLiteral("levelEdit"));
  level_->setReadOnly(true);
  single_ = new QRadioButton(this);
  single_->setObjectName(QStringLiteral("singleRadio"));
  rgb_ = new QRadioButton(this);
  rgb_->setObjectName(QStringLiteral("rgbRadio"));
  channelLabel_ = new QLabel(this);
  channel_ = channelList(this, "channelList");
  const char* rgbNames[] = {"redList", "greenList", "blueList"};
  for (const char* name : rgbNames) {
    rgbLabels_.push_back(new QLabel(this));
    rgbLists_.push_back(channelList(this, name));
  }
  tableLabel_ = new QLabel(this);
  table_ = new QComboBox(this);
  table_->setObjectName(QStringLiteral("tableList"));
  table_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  table_->setMinimumContentsLength(24);

  // Labels take the width their language needs; the lists take the rest.
  auto* grid = new QGridLayout;
  grid->setColumnStretch(2, 1);
  grid->addWidget(levelLabel_, 0, 0);
  grid->addWidget(level_, 0, 1, 1, 2);
  grid->addWidget(single_, 1, 0);
  grid->addWidget(channelLabel_, 1, 1);
  grid->addWidget(channel_, 1, 2);
  grid->addWidget(rgb_, 2, 0);
  for (int k = 0; k < 3; ++k) {
    grid->addWidget(rgbLabels_[static_cast<std::size_t>(k)], 2 + k, 1);
    grid->addWidget(rgbLists_[static_cast<std::size_t>(k)], 2 + k, 2);
  }
  grid->addWidget(tableLabel_, 5, 0, 1, 2);
  grid->addWidget(table_, 5, 2);

  open_ = new QPushButton(this);
  open_->setObjectName(QStringLiteral("openButton"));
  cancel_ = new QPushButton(this);
  cancel_->setObjectName(QStringLiteral("cancelButton"));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(open_);
  buttons->addWidget(cancel_);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top, 1);
  layout->addLayout(grid);
  layout->addLayout(buttons);

  single_->setChecked(true);
  setAcceptDrops(true);

  connect(add_, &QPushButton::clicked, this, &ComFlOpnView::addWithDialog);
  connect(remove_, &QPushButton::clicked, this, &ComFlOpnView::removeSelected);
  connect(single_, &QRadioButton::clicked, this, [this] { setComposite(false); });
  connect(rgb_, &QRadioButton::clicked, this, [this] { setComposite(true); });
  connect(open_, &QPushButton::clicked, this, [this] { open(); });
  connect(cancel_, &QPushButton::clicked, this, &ComFlOpnView::cancel);
}

void ComFlOpnView::retranslate() {
  add_->setText(tr("Add..."));
  remove_->setText(tr("Remove"));
  levelLabel_->setText(tr("Level"));
  single_->setText(tr("Single Channel"));
  rgb_->setText(tr("RGB Composite"));
  channelLabel_->setText(tr("Channel"));
  rgbLabels_[0]->setText(tr("R Channel"));
  rgbLabels_[1]->setText(tr("G Channel"));
  rgbLabels_[2]->setText(tr("B Channel"));
  // Once a mode is applied the label names the kind of table the list holds.
  if (!initialised_) tableLabel_->setText(tr("Color Table"));
  channel_->setToolTip(tr("The channel shown on the map"));
  rgbLists_[0]->setToolTip(tr("The channel shown in red"));
  rgbLists_[1]->setToolTip(tr("The channel shown in green"));
  rgbLists_[2]->setToolTip(tr("The channel shown in blue"));
  open_->setText(tr("Open"));
  cancel_->setText(tr("Cancel"));
}

void ComFlOpnView::changeEvent(QEvent* event) {
  if (event->type() == QEvent::LanguageChange) retranslate();
  QWidget::changeEvent(event);
}

int ComFlOpnView::ComInitPanel(int family, bool hdfOutput) {
  if (list_.init(family, hdfOutput) != 0) return 1;
  initialised_ = true;
  single_->setChecked(true);
  frame_.tableChooser().ComSetCnfInfo(frame_.settings(), family);
  applyMode();
  refreshControls();
  return 0;
}

void ComFlOpnView::activated() {
  if (!initialised_) return;
  frame_.tableChooser().ComSetCnfInfo(frame_.settings(), list_.family());
  frame_.tableChooser().ComFillTblList(composite() ? colour::kKindLookupTable : colour::kKindColourTable);
}

ComPrdctMpDsp* ComFlOpnView::lastMapView() const { return lastView_.data(); }

bool ComFlOpnView::composite() const { return rgb_->isChecked(); }

ChannelSelection ComFlOpnView::selection() const {
  ChannelSelection s;
  s.composite = composite();
  if (s.composite) {
    for (std::size_t k = 0; k < rgbLists_.size(); ++k) s.texts[k] = rgbLists_[k]->currentText().toStdString();
  } else {
    s.texts[0] = channel_->currentText().toStdString();
  }
  s.tableText = table_->currentText().toStdString();
  return s;
}

void ComFlOpnView::setPanelTitle(const QString& title) {
  setWindowTitle(title);
  if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) sub->setWindowTitle(title);
}

void ComFlOpnView::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (shownOnce_) return;
  shownOnce_ = true;
  table_->setCurrentIndex(0);
  single_->setChecked(true);
  if (frame_.hasCommandLineFiles()) {
    QMetaObject::invokeMethod(this, [this] { commandLineRequest(); }, Qt::QueuedConnection);
  }
}

void ComFlOpnView::commandLineRequest() {
  const QStringList files = frame_.takeCommandLineFiles();
  if (files.isEmpty()) return;
  list_.followFamilyOfFirstFile();
  if (addFiles(files) > 0) {
    setComposite(false);
    open();
  }
}

int ComFlOpnView::addFiles(const QStringList& paths) {
  const int familyBefore = list_.family();
  const int accepted = list_.add(toStd(paths));
  afterAdding(familyBefore);
  return accepted;
}

void ComFlOpnView::afterAdding(int familyBefore) {
  if (list_.family() != familyBefore) {
    setPanelTitle(QString::fromUtf8(list_.family() == 0 ? kPanelTitleAmsr2 : kPanelTitleAmsrE));
    frame_.tableChooser().ComSetCnfInfo(frame_.settings(), list_.family());
  }
  refreshControls();
  applyMode();
}

int ComFlOpnView::dropFiles(const QStringList& paths) {
  if (paths.isEmpty()) return 0;
  if (list_.hdfOutput()) {
    if (list_.count() > 0) return 0;
    return addFiles(QStringList{paths.first()});
  }
  return addFiles(paths);
}

void ComFlOpnView::dragEnterEvent(QDragEnterEvent* event) {
  const QMimeData* mime = event->mimeData();
  if (mime != nullptr && mime->hasUrls()) {
    for (const QUrl& url : mime->urls()) {
      if (url.isLocalFile()) {
        event->acceptProposedAction();
        return;
      }
    }
  }
  event->ignore();
}

void ComFlOpnView::dropEvent(QDropEvent* event) {
  QStringList paths;
  if (const QMimeData* mime = event->mimeData(); mime != nullptr) {
    for (const QUrl& url : mime->urls()) {
      if (url.isLocalFile()) paths << url.toLocalFile();
    }
  }
  if (paths.isEmpty()) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
  dropFiles(paths);
}

void ComFlOpnView::addWithDialog() {
  if (!initialised_) return;
  if (list_.full()) {
    ComOutMsgBox().ComDspMsg(kMsgListFull);
    return;
  }
  ComPrpCnfInfo& settings = frame_.settings();
  const int family = list_.family();
  settings.ComSetVal(kIdAmsrType, family);
  settings.ComWriteCnf();
  const int folderId = family == 0 ? kIdInputDir : kIdInputDirAmsre;
  std::string folder;
  settings.ComGetStr(folderId, &folder);
  const QString filters = family == 0 ? tr("AMSR2 Files(*.h5)|*.h5|All Files(*.*)|*.*||")
                                      : tr("AMSR/AMSR-E Files(*.00)|*.00|All Files(*.*)|*.*||");
  QStringList chosen = chooseFiles_(this, QString::fromStdString(folder), qtFilters(filters), !list_.hdfOutput());
  if (chosen.isEmpty()) return;
  // The folder of the chosen files is where the next dialog starts.
  settings.ComSetStr(folderId, QFileInfo(chosen.first()).absolutePath().toStdString());
  if (list_.hdfOutput()) chosen = QStringList{chosen.first()};
  addFiles(chosen);
}

void ComFlOpnView::removeSelected() {
  const int row = files_->currentRow();
  if (row < 0 || list_.remove(row) != 0) return;
  refreshControls();
}

void ComFlOpnView::refreshControls() {
  files_->clear();
  for (const std::string& path : list_.paths()) files_->addItem(QString::fromStdString(path));

  const bool any = list_.count() > 0;
  open_->setEnabled(any);
  if (list_.hdfOutput()) {
    open_->setDefault(any);
    add_->setEnabled(!any);
  } else {
    add_->setEnabled(true);
  }
  level_->setText(QString::fromStdString(list_.productName()));

  QStringList items;
  for (const std::string& item : list_.channelItems()) items << QString::fromStdString(item);
  channel_->clear();
  channel_->addItems(items);
  channel_->setCurrentIndex(items.isEmpty() ? -1 : 0);
  for (QComboBox* list : rgbLists_) {
    list->clear();
    list->addItems(items);
    list->setCurrentIndex(items.isEmpty() ? -1 : 0);
  }
  list_.updateImageTitle();
}

void ComFlOpnView::setComposite(bool on) {
  (on ? rgb_ : single_)->setChecked(true);
  applyMode();
}

void ComFlOpnView::applyMode() {
  if (!initialised_) return;
  const bool on = composite();
  ComPrpCnfInfo& settings = frame_.settings();
  settings.ComSetVal(kIdClrType, on ? 1 : 0);
  settings.ComWriteCnf();

  channelLabel_->setEnabled(!on);
  channel_->setEnabled(!on);
  for (std::size_t k = 0; k < rgbLists_.size(); ++k) {
    rgbLabels_[k]->setEnabled(on);
    rgbLists_[k]->setEnabled(on);
  }
  tableLabel_->setText(QString::fromUtf8(on ? colour::kLookupTableLabel : colour::kColourTableLabel));

  // The sample tables of the family, sorted by name, after "[Automatic]".
  std::string base;
  settings.ComGetStr(kIdDefFile, &base);
  colour::ComClrCmbBar tables;
  tables.ComSetCnfInfo(base, list_.family());
  tables.ComFillTblList(on ? colour::kKindLookupTable : colour::kKindColourTable);
  table_->clear();
  for (const std::string& entry : tables.entries()) table_->addItem(QString::fromStdString(entry));
  table_->setCurrentIndex(0);

  frame_.tableChooser().ComFillTblList(on ? colour::kKindLookupTable : colour::kKindColourTable);
}

int ComFlOpnView::open() {
  if (!initialised_ || list_.count() == 0) return 1;
  if (const int refusal = list_.checkOpen(frame_.mapViewCount()); refusal != 0) return refusal;

  const ChannelSelection chosen = selection();
  OpenedProduct loaded;
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  const int rc = list_.loadChannels(chosen, loaded);
  QGuiApplication::restoreOverrideCursor();
  if (rc != 0) return rc;
  list_.startMesh(chosen.composite);

  std::string title;
  frame_.settings().ComGetStr(kIdImgTitle, &title);
  ComPrdctMpDsp* view = frame_.openMapView(QString::fromStdString(title), list_.viewFlag());
  if (view == nullptr) {
    ComOutMsgBox().ComDspMsg(kMsgNoMapView);
    return static_cast<int>(kMsgNoMapView);
  }

  ComPrdctMpDsp::ViewProduct product;
  product.slots = loaded.slots;
  product.composite = loaded.composite;
  product.channels = loaded.channels;
  product.mapMode = loaded.mapMode;
  product.fixedProjection = loaded.level3;
  product.level3Bt = loaded.level3Bt;
  product.tableChoice = std::max(0, table_->currentIndex());
  product.hdfOutput = list_.hdfOutput() && !loaded.level3;

  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  const BtchOpnRec record = list_.openRecord(chosen, local);
  if (list_.hdfOutput()) product.openRecord = record;
  if (view->ComSetViewPrdct(product) != 0) {
    // A view that cannot take the product does not stay behind half made.
    if (auto* sub = qobject_cast<QMdiSubWindow*>(view->parentWidget())) sub->close();
    else view->close();
    ComOutMsgBox().ComDspMsg(kMsgNoMapView);
    return static_cast<int>(kMsgNoMapView);
  }
  lastView_ = view;

  if (!frame_.batchHdfMode()) frame_.batchHistory().addOpen(record);
  return 0;
}

int ComFlOpnView::ComBtchLoad(const BtchOpnRec& request, ComPrdctMpDsp** view) {
  if (view != nullptr) *view = nullptr;
  if (!initialised_) return kBtchNoProduct;
  std::string listPath = request.fileListName;
  if (listPath.empty() || listPath.front() != '/') listPath = frame_.programFolder() + "Batch/" + listPath;
  std::ifstream in(listPath, std::ios::binary);
  if (!in || std::filesystem::is_directory(listPath)) return kBtchNoProduct;

  std::string names[3] = {request.channels[0], request.channels[1], request.channels[2]};
  channelsToNames(names);

  // Each line cut at its first LF, then at its first CR; the list holds at most 30 files, so
  // a longer file list (or a file that is no list at all) is not read to its end.
  QStringList paths;
  std::string line;
  constexpr int kMaxListLines = 4 * kMaxFileEntries;
  for (int n = 0; n < kMaxListLines && std::getline(in, line); ++n) {
    if (line.size() > 4096) continue;
    const std::size_t cr = line.find('\r');
    if (cr != std::string::npos) line.resize(cr);
    if (!line.empty()) paths << QString::fromStdString(line);
  }
  addFiles(paths);

  if (!request.projectionName.empty()) {
    const int mode = projectionOfName(request.projectionName);
    if (mode >= 0) list_.setMapMode(mode);
  }

  const std::vector<std::string> items = list_.channelItems();
  auto positionOf = [&items](const std::string& name) {
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (!name.empty() && items[i] == name) return static_cast<int>(i);
    }
    return -1;
  };
  bool found = false;
  if (request.composite == 0) {
    const int at = positionOf(names[0]);
    if (at >= 0) {
      channel_->setCurrentIndex(at);
      found = true;
    }
  } else {
    const int at[3] = {positionOf(names[0]), positionOf(names[1]), positionOf(names[2])};
    if (at[0] >= 0 && at[1] >= 0 && at[2] >= 0) {
      for (int k = 0; k < 3; ++k) rgbLists_[static_cast<std::size_t>(k)]->setCurrentIndex(at[k]);
      found = true;
    }
  }
  if (!found && request.levelWord != "Level 2") return kBtchSyntax;

  setComposite(request.composite != 0);

  if (request.tableGiven) {
    const bool lookup = request.composite != 0;
    std::string base;
    frame_.settings().ComGetStr(kIdDefFile, &base);
    const int family = familyOfProductWord(request.productWord);
    colour::ComClrCmbBar tables;
    tables.ComSetCnfInfo(base, family);
    tables.ComFillTblList(lookup ? colour::kKindLookupTable : colour::kKindColourTable);
    if (tables.entries().size() <= 1) return kBtchNoTable;  // only "[Automatic]"
    const int at = table_->findText(QString::fromStdString(request.tableName), Qt::MatchExactly | Qt::MatchCaseSensitive);
    table_->setCurrentIndex(at >= 0 ? at : 0);
  }

  list_.setViewFlag(request.view);
  const int rc = open();
  // A refused Open is the line's failure: the runner must not take it for a shown product.
  if (rc != 0) return rc;
  if (view != nullptr) *view = lastView_.data();
  // A view off screen never draws, so it lets the runner go on at once.
  if (!request.view) frame_.batchEvent().signal();
  return kBtchDone;
}

void ComFlOpnView::cancel() {
  // Stopping the gap filling lets the files go at once; a worker that was busy starts again
  // afterwards for the files that other panels and views still show.
  std::array<bool, kProductObjectCount> wasRunning{};
  const auto products = frame_.productObjects();
  for (std::size_t k = 0; k < products.size(); ++k) {
    wasRunning[k] = products[k]->ComMeshRunning();
    products[k]->ComStopMesh();
  }
  list_.releaseAll();
  refreshControls();
  for (std::size_t k = 0; k < products.size(); ++k) {
    if (wasRunning[k] && products[k]->ComGetSlotCount() > 0) products[k]->ComStartMesh();
  }
  if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) sub->close();
  else close();
}

void ComFlOpnView::closeEvent(QCloseEvent* event) {
  list_.releaseAll();
  ComPrpCnfInfo& settings = frame_.settings();
  settings.ComSetVal(kIdClrType, 0);
  settings.ComWriteCnf();
  event->accept();
}

}  // namespace kivo::app
