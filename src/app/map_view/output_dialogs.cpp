#include "app/map_view/output_dialogs.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QStringList>

#include <filesystem>

namespace kivo::app {
namespace {

// The filters "Name (*.x)|*.y|...||" in Qt's form: each name shows the patterns of both of its
// parts ("Tiff Files (*.tif *.tiff)"), with the extension of its pattern.
struct QtFilters {
  QStringList names;
  QStringList suffixes;
};
QtFilters qtFilters(const char* filters) {
  const QString translated = QCoreApplication::translate("kivo::app::OutputDialogs", filters);
  const QStringList parts = translated.split(QLatin1Char('|'), Qt::SkipEmptyParts);
  QtFilters out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    const QString& shown = parts[i];
    const qsizetype open = shown.indexOf(QLatin1String(" ("));
    const QString name = open < 0 ? shown : shown.left(open);
    QStringList patterns;
    if (open >= 0) patterns = shown.mid(open + 2).chopped(1).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString& p : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
      if (!patterns.contains(p)) patterns << p;
    }
    out.names << name + QLatin1String(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    out.suffixes << parts[i + 1].section(QLatin1Char('.'), 1).section(QLatin1Char(';'), 0, 0);
  }
  return out;
}

}  // namespace

std::string outputFolder(const ComPrpCnfInfo& settings) {
  std::string folder;
  settings.ComGetStr(kIdOutputDir, &folder);
  if (folder.empty() || folder.front() != '/') folder = settings.programFolder() + folder;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

std::string chooseOutputFile(QWidget* parent, const ComPrpCnfInfo& settings, const std::string& name,
                             const SaveDialog& kind) {
  const QtFilters filters = qtFilters(kind.filter);
  QFileDialog dialog(parent, QString(), QString::fromStdString(outputFolder(settings)));
  dialog.setNameFilters(filters.names);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(QLatin1String(kind.suffix));
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, &filters](const QString& filter) {
    const qsizetype i = filters.names.indexOf(filter);
    if (i >= 0) dialog.setDefaultSuffix(filters.suffixes[i]);
  });
  if (!name.empty()) dialog.selectFile(QString::fromStdString(name));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().front().toStdString();
}

std::string batchOutputPath(const ComPrpCnfInfo& settings, const std::string& requested) {
  std::string path = requested;
  if (path.empty()) return path;
  if (path.front() != '/') path = outputFolder(settings) + "/" + path;
  std::error_code ec;
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  if (!folder.empty()) std::filesystem::create_directories(folder, ec);
  return path;
}

}  // namespace kivo::app
