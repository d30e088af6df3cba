#include "export/temp_folder.h"

#include <QDir>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

namespace kivo::out {

const std::string& privateTempFolder() {
  static const std::unique_ptr<QTemporaryDir> folder =
      std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/kivo-meriview-XXXXXX"));
  static const std::string path = folder->isValid() ? folder->path().toStdString() + "/" : std::string();
  return path;
}

TempFile::TempFile(const std::string& name) {
  if (!privateTempFolder().empty() && !name.empty()) path_ = privateTempFolder() + name;
}

TempFile::~TempFile() {
  if (!path_.empty()) std::remove(path_.c_str());
}

}  // namespace kivo::out
