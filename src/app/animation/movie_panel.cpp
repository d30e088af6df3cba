#include "app/animation/movie_panel.h"

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
#include <QUrl>
#include <QVBoxLayout>

#include "app/main_frame.h"
#include "app/map_view/map_view.h"
#include "app/messages.h"
#include "app/settings_dialogs/movie_output_dialog.h"
#include "colour/table_chooser.h"

namespace kivo::app {
namespace {

constexpr MsgCode kMsgListFull = 32;

// A file dialog filter of the form "Name (*.x)|*.x|...||" as Qt's list of "Name (*.x)".
// "*.*" becomes "*", so that files without an extension are listed too.
QStringList qtFilters(const QString& filters) {
  const QStringList parts = filters.split(QLatin1Char('|'), Qt::SkipEmptyParts);
  QStringList names;
  for (int i = 0; i < parts.size(); i += 2) {
    QString name = parts[i];
    name.replace(QLatin1String("(*.*)"), QLatin1String("(*)"));
    names << name;
  }
  return names;
}

QStringList dialogFiles(QWidget* parent, const QString& folder, const QString& filters) {
  QFileDialog dialog(parent, QString(), folder, filters);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFiles);
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.selectedFiles();
}

QString dialogOutput(QWidget* parent, const QString& folder, const QString& name, const QStringList& filters,
                     int& filter) {
  QFileDialog dialog(parent, QString(), folder);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters(filters);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
  dialog.selectFile(name);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  filter = std::max(0, static_cast<int>(filters.indexOf(dialog.selectedNameFilter())));
  return dialog.selectedFiles().front();
}

std::vector<std::string> toStd(const QStringList& list) {
  std::vector<std::string> out;
  out.reserve(static_cast<std::size_t>(list.size()));
  for (const QString& s : list) out.push_back(s.toStdString());
  return out;
}

}  // namespace

ComMkMoveView::ComMkMoveView(CMainFrame& frame, QWidget* parent)
    : QWidget(parent), frame_(frame), list_(frame, kFamilyAmsr2), chooseFiles_(dialogFiles), chooseOutput_(dialogOutput) {
  buildControls();
  retranslate();
  emptied();
}

// The main window deletes its child windows while the product objects still exist; a panel
// that goes without being closed lets its files go here (the list's destructor).
ComMkMoveView::~ComMkMoveView() = default;

void ComMkMoveView::buildControls() {
  files_ = new QListWidget(this);
  files_->setObjectName(QStringLiteral("fileList"));
  files_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  files_->setSelectionMode(QAbstractItemView::SingleSelection);
  const auto button = [this](const char* name) {
    auto* b = new QPushButton(this);
    b->setObjectName(QLatin1String(name));
    return b;
  };
  add_ = button("addButton");
  remove_ = button("removeButton");
  up_ = button("upButton");
  down_ = button("downButton");

  auto* side = new QVBoxLayout;
  for (QPushButton* b : {add_, remove_, up_, down_}) side->addWidget(b);
  side->addStretch(1);
  auto* top = new QHBoxLayout;
  top->addWidget(files_, 1);
  top->addLayout(side);

  levelLabel_ = new QLabel(this);
  level_ = new QLineEdit(this);
  level_->setObjectName(QStringLiteral("levelEdit"));
  level_->setReadOnly(true);
  channelLabel_ = new QLabel(this);
  channel_ = new QComboBox(this);
  channel_->setObjectName(QStringLiteral("channelList"));
  channel_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  channel_->setMinimumContentsLength(32);
  tableLabel_ = new QLabel(this);
  table_ = new QComboBox(this);
  table_->setObjectName(QStringLiteral("tableList"));
  table_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  table_->setMinimumContentsLength(24);
  outputLabel_ = new QLabel(this);
  output_ = new QLineEdit(this);
  output_->setObjectName(QStringLiteral("outputEdit"));
  output_->setReadOnly(true);
  ref_ = button("refButton");
  configLabel_ = new QLabel(this);
  select_ = button("selectButton");

  // Labels take the width their language needs; the fields take the rest.
  auto* grid = new QGridLayout;
  grid->setColumnStretch(1, 1);
  grid->addWidget(levelLabel_, 0, 0);
  grid->addWidget(level_, 0, 1, 1, 2);
  grid->addWidget(channelLabel_, 1, 0);
  grid->addWidget(channel_, 1, 1, 1, 2);
  grid->addWidget(tableLabel_, 2, 0);
  grid->addWidget(table_, 2, 1, 1, 2);
  grid->addWidget(outputLabel_, 3, 0);
  grid->addWidget(output_, 3, 1);
  grid->addWidget(ref_, 3, 2);
  grid->addWidget(configLabel_, 4, 0);
  grid->addWidget(select_, 4, 2);

  make_ = button("makeButton");
  cancel_ = button("cancelButton");
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(make_);
  buttons->addWidget(cancel_);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top, 1);
  layout->addLayout(grid);
  layout->addLayout(buttons);
  setAcceptDrops(true);

  connect(add_, &QPushButton::clicked, this, &ComMkMoveView::addWithDialog);
  connect(remove_, &QPushButton::clicked, this, &ComMkMoveView::removeSelected);
  connect(up_, &QPushButton::clicked, this, &ComMkMoveView::moveUp);
  connect(down_, &QPushButton::clicked, this, &ComMkMoveView::moveDown);
  connect(ref_, &QPushButton::clicked, this, &ComMkMoveView::chooseOutput);
  connect(select_, &QPushButton::clicked, this, &ComMkMoveView::selectSettings);
  connect(make_, &QPushButton::clicked, this, [this] { make(); });
  connect(cancel_, &QPushButton::clicked, this, &ComMkMoveView::cancel);
}

void ComMkMoveView::retranslate() {
  add_->setText(tr("Add ..."));
  remove_->setText(tr("Remove"));
  up_->setText(QStringLiteral("▲"));
  up_->setToolTip(tr("Move the selected file up"));
  down_->setText(QStringLiteral("▼"));
  down_->setToolTip(tr("Move the selected file down"));
  levelLabel_->setText(tr("Level"));
  channelLabel_->setText(tr("Channel"));
  tableLabel_->setText(tr("Color Table"));
  outputLabel_->setText(tr("Animation File"));
  ref_->setText(tr("Ref"));
  configLabel_->setText(tr("Animation Config"));
  select_->setText(tr("Select"));
  make_->setText(tr("Make"));
  cancel_->setText(tr("Cancel"));
}

void ComMkMoveView::changeEvent(QEvent* event) {
  if (event->type() == QEvent::LanguageChange) retranslate();
  QWidget::changeEvent(event);
}

int ComMkMoveView::ComInitMovPanel(int family) {
  if (family != kFamilyAmsr2 && family != kFamilyAmsrE) return 1;
  list_.releaseAll();
  list_.setFamily(family);
  initialised_ = true;
  initialMaximum_ = list_.readMaxFileCount(true);
  ComPrpCnfInfo& settings = frame_.settings();
  settings.ComSetVal(kIdAmsrType, family);
  settings.ComWriteCnf();
  emptied();

  // "[Automatic]" and the colour tables of the family's sample folder, sorted by name.
  std::string base;
  settings.ComGetStr(kIdDefFile, &base);
  colour::ComClrCmbBar tables;
  tables.ComSetCnfInfo(base, family);
  tables.ComFillTblList(colour::kKindColourTable);
  table_->clear();
  for (const std::string& entry : tables.entries()) table_->addItem(QString::fromStdString(entry));
  if (table_->count() == 0) table_->addItem(QString::fromUtf8(colour::kAutomaticEntry));
  table_->setCurrentIndex(0);
  return table_->count() > 1 ? 0 : 1;
}

QString ComMkMoveView::outputPath() const { return output_->text(); }

void ComMkMoveView::emptied() {
  files_->clear();
  ref_->setEnabled(false);
  make_->setEnabled(false);
  level_->clear();
  channel_->clear();
  output_->clear();
}

void ComMkMoveView::refreshList(int selected) {
  files_->clear();
  for (const std::string& path : list_.paths()) files_->addItem(QString::fromStdString(path));
  if (selected >= 0 && selected < files_->count()) files_->setCurrentRow(selected);
}

void ComMkMoveView::refreshChannels() {
  QStringList items;
  for (const std::string& item : list_.channelItems()) items << QString::fromStdString(item);
  channel_->clear();
  channel_->addItems(items);
  channel_->setCurrentIndex(items.isEmpty() ? -1 : 0);
}

void ComMkMoveView::afterAdding(int added) {
  refreshList(files_->currentRow());
  if (added == 0) return;
  ref_->setEnabled(true);
  level_->setText(QString::fromStdString(list_.productName()));
  refreshChannels();
}

int ComMkMoveView::addFiles(const QStringList& paths) {
  if (!initialised_) return 0;
  const int added = list_.add(toStd(paths), list_.readMaxFileCount(false), true);
  afterAdding(added);
  return added;
}

int ComMkMoveView::dropFiles(const QStringList& paths) {
  if (!initialised_) return 0;
  const int added = list_.add(toStd(paths), initialMaximum_, false);
  afterAdding(added);
  return added;
}

void ComMkMoveView::addWithDialog() {
  if (!initialised_) return;
  if (list_.count() >= list_.readMaxFileCount(false)) {
    ComOutMsgBox().ComDspMsg(kMsgListFull);
    return;
  }
  ComPrpCnfInfo& settings = frame_.settings();
  const int folderId = list_.family() == kFamilyAmsr2 ? kIdInputDirMovie : kIdInputDirMovieAmsre;
  std::string folder;
  settings.ComGetStr(folderId, &folder);
  const QString filters = list_.family() == kFamilyAmsr2 ? tr("AMSR2 Files(*.h5)|*.h5|All Files(*.*)|*.*||")
                                                          : tr("AMSR/AMSR-E Files(*.00)|*.00|All Files(*.*)|*.*||");
  const QStringList chosen =
      chooseFiles_(this, QString::fromStdString(folder), qtFilters(filters).join(QLatin1String(";;")));
  if (chosen.isEmpty()) return;
  // The folder of the chosen files is where the next dialog starts.
  settings.ComSetStr(folderId, QFileInfo(chosen.first()).absolutePath().toStdString());
  addFiles(chosen);
}

void ComMkMoveView::removeSelected() {
  const int row = files_->currentRow();
  if (row < 0 || list_.remove(row) != 0) return;
  if (list_.count() == 0) {
    emptied();
    return;
  }
  refreshList(std::min(row, list_.count() - 1));
}

void ComMkMoveView::moveUp() { refreshList(list_.moveUp(files_->currentRow())); }

void ComMkMoveView::moveDown() { refreshList(list_.moveDown(files_->currentRow())); }

void ComMkMoveView::chooseOutput() {
  if (list_.count() == 0) return;
  const QString kinds = list_.offersKml()
                            ? tr("Movie (*.avi)|*.avi|Google Earth (*.kml)|*.kml|Google Earth (*.kmz)|*.kmz||")
                            : tr("Movie (*.avi)|*.avi||");
  ComPrpCnfInfo& settings = frame_.settings();
  std::string folder;
  settings.ComGetStr(kIdOutputDirMovie, &folder);
  if (folder.empty() || folder.front() != '/') folder = frame_.programFolder() + folder;
  int kind = kMovieAvi;
  const QString chosen = chooseOutput_(this, QString::fromStdString(folder),
                                       QString::fromStdString(list_.proposedOutputName()), qtFilters(kinds), kind);
  if (chosen.isEmpty()) return;
  const std::string path = chosen.toStdString();
  settings.ComSetStr(kIdOutputDirMovie, path.substr(0, path.rfind('/') + 1));
  output_->setText(QString::fromStdString(movieOutputPath(path, kind)));
  make_->setEnabled(true);
}

void ComMkMoveView::selectSettings() { runMovieOutputDialog(this, frame_.settings()); }

int ComMkMoveView::make() {
  if (!initialised_ || list_.count() == 0 || output_->text().isEmpty()) return 1;
  list_.setChannel(channel_->currentIndex() >= 0 ? channel_->currentText().toStdString() : std::string());
  const int table = std::max(0, table_->currentIndex());
  list_.setTable(table, table == 0 ? std::string() : table_->currentText().toStdString());
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  const int rc = list_.make(output_->text().toStdString());
  QGuiApplication::restoreOverrideCursor();
  if (rc == 0) lastView_ = list_.lastView();
  return rc;
}

void ComMkMoveView::stopWorkAndRelease() {
  // Stopping the gap filling lets the files go at once; a worker that was busy starts again
  // afterwards for the files that views and other panels still show.
  const auto products = frame_.productObjects();
  std::array<bool, 3> wasRunning{};
  for (std::size_t k = 0; k < products.size(); ++k) {
    wasRunning[k] = products[k]->ComMeshRunning();
    products[k]->ComStopMesh();
  }
  list_.releaseAll();
  frame_.settings().ComSetStr(kIdAnmTitle, std::string());
  for (std::size_t k = 0; k < products.size(); ++k) {
    if (wasRunning[k] && products[k]->ComGetSlotCount() > 0) products[k]->ComStartMesh();
  }
}

void ComMkMoveView::cancel() {
  stopWorkAndRelease();
  emptied();
  if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) sub->close();
  else close();
}

void ComMkMoveView::closeEvent(QCloseEvent* event) {
  if (list_.count() > 0) stopWorkAndRelease();
  event->accept();
}

void ComMkMoveView::dragEnterEvent(QDragEnterEvent* event) {
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

void ComMkMoveView::dropEvent(QDropEvent* event) {
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

}  // namespace kivo::app
