#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

// build/bin without what a run leaves there.
bool copyProgram(const QString& from, const QString& to) {
  QDirIterator it(from, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
  while (it.hasNext()) {
    const QFileInfo fi(it.next());
    if (fi.fileName() == "DATA" || fi.fileName().endsWith(".dat") || fi.fileName() == "users.lst")
      continue;
    const QString target = QDir(to).filePath(fi.fileName());
    if (fi.isDir() ? !QDir().mkpath(target) || !copyProgram(fi.filePath(), target)
                   : !QFile::copy(fi.filePath(), target))
      return false;
  }
  return true;
}

}  // namespace

// The titles as an X server holds them: the toolkit appends nothing.
TEST(WindowTitles, AreTheCaptionsAloneAsTheWindowSystemShowsThem) {
  for (const char* tool : {"xvfb-run", "xwininfo"})
    if (QStandardPaths::findExecutable(tool).isEmpty()) GTEST_SKIP() << tool << " is missing";
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  ASSERT_TRUE(copyProgram(qEnvironmentVariable("TOMES_BIN"), dir.path()));
  // Start the program, wait for its main view, list the windows, stop it.
  const QString script = QStringLiteral(
      "QT_QPA_PLATFORM=xcb ./tomekeeper & pid=$!; "
      "for i in $(seq 150); do sleep 0.2; "
      "xwininfo -root -tree | grep -q 'Database: ' && break; done; "
      "sleep 0.5; xwininfo -root -tree; kill -9 $pid");
  QProcess run;
  run.setWorkingDirectory(dir.path());
  run.start("xvfb-run", {"-a", "sh", "-c", script});
  ASSERT_TRUE(run.waitForFinished(60000));
  const QString out = QString::fromUtf8(run.readAllStandardOutput());
  QStringList titles;
  const QRegularExpression named(QStringLiteral("0x[0-9a-f]+ \"([^\"]*)\": \\(\"tomekeeper\""));
  for (auto m = named.globalMatch(out); m.hasNext();) titles << m.next().captured(1);
  EXPECT_TRUE(titles.contains("Orvanta Tomekeeper - Database: My Books")) << out.toStdString();
  EXPECT_TRUE(titles.contains("Information")) << out.toStdString();  // the first reminder
  for (const QString& t : titles) EXPECT_FALSE(t.contains(u'\u2014')) << t.toStdString();
}
