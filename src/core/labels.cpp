#include "core/labels.h"

#include <QFile>
#include <QSaveFile>

#include "core/filetext.h"
#include "core/prompt.h"
#include "core/settings.h"

QStringList& labels() {
  static QStringList list;
  return list;
}

QStringList readLabelsFile(const QString& path, bool* ok) {
  QStringList result;
  if (ok) *ok = false;
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return result;
  if (f.size() > 1024 * 1024) return result;  // not a label file
  const QByteArray bytes = f.readAll();
  const QString text = fromFileText(bytes);
  const QStringList lines = text.split(u'\n');
  for (qsizetype i = 0; i < lines.size(); ++i) {
    QString line = lines[i];
    if (line.endsWith(u'\r')) line.chop(1);
    if (i == lines.size() - 1 && line.isEmpty()) break;  // after the last CR LF
    result << line;
  }
  if (ok) *ok = true;
  return result;
}

bool writeLabelsFile(const QString& path, const QStringList& labels) {
  QSaveFile f(path);
  if (!f.open(QIODevice::WriteOnly)) return false;
  QByteArray out;
  for (const QString& l : labels) out += toFileText(l) + "\r\n";
  return f.write(out) == out.size() && f.commit();
}

void loadLabels() {
  const AppSettings& s = appSettings();
  bool ok = false;
  labels() = readLabelsFile(joinPath(s.homeDir, kLabelsFileName), &ok);
  if (!ok && !QFile::exists(joinPath(s.homeDir, kLabelsFileName)))
    labels() = readLabelsFile(joinPath(s.programDir, kLabelsFileName));
}

bool saveLabels() {
  if (writeLabelsFile(joinPath(appSettings().homeDir, kLabelsFileName), labels())) return true;
  showMessage(MsgKind::Error, QStringLiteral("Could not Save Labels to a File!"));
  return false;
}

RenameResult renameLabel(QStringList& labels, int selected, const QString& newText) {
  if (newText.isEmpty()) return RenameResult::EmptyLabel;
  if (selected < 0 || selected >= labels.size()) return RenameResult::NoSelection;
  if (!fitsFileText(newText)) return RenameResult::Unstorable;
  const QString old = labels[selected];
  labels[selected].clear();
  for (const QString& l : labels) {
    if (l.compare(newText, Qt::CaseInsensitive) == 0) {
      labels[selected] = old;
      return RenameResult::Duplicate;
    }
  }
  labels[selected] = newText;
  return RenameResult::Renamed;
}

QString renameMessage(RenameResult result, const QString& newText) {
  switch (result) {
    case RenameResult::Unstorable:
      return unstorableTextMessage(newText);
    case RenameResult::EmptyLabel:
      return QStringLiteral("Empty Labels are not Allowed!");
    case RenameResult::NoSelection:
      return QStringLiteral("Please select the Label first!");
    case RenameResult::Duplicate:
      return QStringLiteral("Duplicate Labels are not Allowed!");
    case RenameResult::Renamed:
      break;
  }
  return {};
}
