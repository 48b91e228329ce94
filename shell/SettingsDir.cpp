#include "shell/SettingsDir.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace velorix {

namespace {

bool hasSettings(const QString& dir) {
    const QDir d(dir);
    return QFileInfo::exists(d.filePath("Banco.ini")) || QFileInfo::exists(d.filePath("app.ini"));
}

}  // namespace

QString chooseSettingsDir(const QString& programDir, bool programDirWritable, const QString& userDir) {
    if (!programDirWritable) return userDir;
    if (!hasSettings(programDir) && hasSettings(userDir)) return userDir;
    return programDir;
}

QString userSettingsDir() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)).filePath("velorix");
}

}  // namespace velorix
