#pragma once

#include <QDir>
#include <QFile>
#include <string>

#include "labels.h"
#include "sortstate.h"
#include "tempdir.h"

// The settings of a running program whose program directory is the build's
// (with the shipped templates) and whose database and home lie in `box`.
inline void UseBuildProgramDir(SettingsSandbox& box) {
  TAppSettings& s = AppSettings();
  s.setEditionValues();
  s.ProgramDir = qEnvironmentVariable("TOMES_BIN");
  s.DataRootDir = box.path();
  s.DatabaseDir = box.file("home");
  s.HomeDir = s.DatabaseDir;
  QDir().mkpath(s.DatabaseDir);
  LoadLabels();
  SortState() = TIndex{};
}

inline std::string NativePath(const QString& p) { return QFile::encodeName(p).toStdString(); }
