#include "labels.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

#include "prompt.h"
#include "settings.h"

QStringList& Labels() {
  static QStringList list;
  return list;
}

QStringList ReadLabelsFile(const QString& path, bool* ok) {
  QStringList result;
  if (ok) *ok = false;
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return result;
  if (f.size() > 1024 * 1024) return result;  // not a label file
  const QByteArray bytes = f.readAll();
  QStringDecoder utf8(QStringDecoder::Utf8);
  QString text = utf8.decode(bytes);
  if (utf8.hasError()) text = QString::fromLatin1(bytes);  // older files are 8-bit
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

bool WriteLabelsFile(const QString& path, const QStringList& labels) {
  QSaveFile f(path);
  if (!f.open(QIODevice::WriteOnly)) return false;
  QByteArray out;
  for (const QString& l : labels) out += l.toUtf8() + "\r\n";
  return f.write(out) == out.size() && f.commit();
}

void LoadLabels() {
  const TAppSettings& s = AppSettings();
  bool ok = false;
  Labels() = ReadLabelsFile(JoinPath(s.HomeDir, kLabelsFileName), &ok);
  if (!ok && !QFile::exists(JoinPath(s.HomeDir, kLabelsFileName)))
    Labels() = ReadLabelsFile(JoinPath(s.ProgramDir, kLabelsFileName));
}

bool SaveLabels() {
  if (WriteLabelsFile(JoinPath(AppSettings().HomeDir, kLabelsFileName), Labels())) return true;
  ShowMessage(MsgKind::Error, QStringLiteral("Could not Save Labels to a File!"));
  return false;
}

TRenameResult RenameLabel(QStringList& labels, int selected, const QString& newText) {
  if (newText.isEmpty()) return TRenameResult::EmptyLabel;
  if (selected < 0 || selected >= labels.size()) return TRenameResult::NoSelection;
  const QString old = labels[selected];
  labels[selected].clear();
  for (const QString& l : labels) {
    if (l.compare(newText, Qt::CaseInsensitive) == 0) {
      labels[selected] = old;
      return TRenameResult::Duplicate;
    }
  }
  labels[selected] = newText;
  return TRenameResult::Renamed;
}

QString RenameMessage(TRenameResult result) {
  switch (result) {
    case TRenameResult::EmptyLabel: return QStringLiteral("Empty Labels are not Allowed!");
    case TRenameResult::NoSelection: return QStringLiteral("Please select the Label first!");
    case TRenameResult::Duplicate: return QStringLiteral("Duplicate Labels are not Allowed!");
    case TRenameResult::Renamed: break;
  }
  return {};
}
