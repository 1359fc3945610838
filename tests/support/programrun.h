#pragma once

// Running the built program as a user starts it: a copy of build/bin as its
// program directory, the offscreen platform, SIGTERM to end it.

#include <signal.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <functional>

// What a fresh installation holds: build/bin without anything a run left there.
inline bool copyProgramDir(const QString& from, const QString& to) {
  static const QStringList kRunFiles{"DATA", "options.dat", "remind.dat", "users.lst"};
  QDirIterator it(from, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
  while (it.hasNext()) {
    const QFileInfo fi(it.next());
    if (kRunFiles.contains(fi.fileName()) || fi.fileName().startsWith("data0")) continue;
    const QString target = QDir(to).filePath(fi.fileName());
    if (fi.isDir()) {
      if (!QDir().mkpath(target) || !copyProgramDir(fi.filePath(), target)) return false;
    } else if (!QFile::copy(fi.filePath(), target)) {
      return false;
    }
  }
  return true;
}

inline bool waitFor(const std::function<bool()>& ready, int ms) {
  for (int waited = 0; waited < ms; waited += 50) {
    if (ready()) return true;
    QThread::msleep(50);
  }
  return ready();
}

// The process sleeps and has used no processor time for `quietMs`: it waits
// for the user (a view or a box), neither working nor spinning.
inline bool settled(qint64 pid, int quietMs, int timeoutMs) {
  auto sample = [pid](char* state) -> long long {
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    const QByteArray stat = f.readAll();
    // Fields after the command name (which may hold spaces): state is the first.
    const QList<QByteArray> rest = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (rest.size() < 13) return -1;
    *state = rest[0].isEmpty() ? '?' : rest[0][0];
    return rest[11].toLongLong() + rest[12].toLongLong();  // utime + stime
  };
  long long last = -2;
  int quiet = 0;
  for (int waited = 0; waited < timeoutMs; waited += 50) {
    char state = '?';
    const long long ticks = sample(&state);
    if (ticks < 0) return false;  // gone
    quiet = ticks == last && state == 'S' ? quiet + 50 : 0;
    if (quiet >= quietMs) return true;
    last = ticks;
    QThread::msleep(50);
  }
  return false;
}
