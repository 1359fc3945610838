#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "core/settings.h"

// A fresh settings record with its program directory in a temporary folder,
// restored to defaults afterwards so tests don't see each other's state.
class SettingsSandbox {
 public:
  SettingsSandbox() {
    appSettings() = AppSettings{};
    appSettings().programDir = QDir::toNativeSeparators(dir_.path());
    appSettings().dataRootDir = appSettings().programDir;
    appSettings().databaseDir = joinPath(appSettings().dataRootDir, AppSettings::dataSubdir);
  }
  ~SettingsSandbox() {
    QDir::setCurrent(QDir::tempPath());
    appSettings() = AppSettings{};
  }
  SettingsSandbox(const SettingsSandbox&) = delete;
  SettingsSandbox& operator=(const SettingsSandbox&) = delete;

  QString path() const { return QDir::toNativeSeparators(dir_.path()); }
  QString file(const QString& name) const { return joinPath(path(), name); }

  static QByteArray read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  static bool write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
  }

 private:
  QTemporaryDir dir_;
};
