#include "print/reportdef.h"

#include <QFile>

#include "core/settings.h"
#include "core/valuestream.h"

using valuestream::ValueReader;
using valuestream::ValueWriter;

void ReportRec::writeTo(ValueWriter& w) const {
  w.rawString(name);
  for (int32_t v : {fieldNamesOption, layout, gridOption, totalsOption}) w.rawInt32(v);
  w.rawString(maxWidth);
  w.rawString(fontName);
  w.rawByte(fontStyle);
  w.rawInt32(fontSize);
  for (const QString* s :
       {&leftMargin, &rightMargin, &topMargin, &bottomMargin, &pageHeight, &pageWidth})
    w.rawString(*s);
  w.rawInt32(pageSize);
  w.rawInt32(orientation);
  w.rawString(title);
  w.rawInt32(titleOption);
  w.rawInt32(pageNumberOption);
  w.listStart();
  for (int32_t c : columns) w.rawInt32(c + kColumnOffset);
  w.listEnd();
}

void ReportRec::readFrom(ValueReader& r) {
  name = r.rawString();
  for (int32_t* v : {&fieldNamesOption, &layout, &gridOption, &totalsOption}) *v = r.rawInt32();
  maxWidth = r.rawString();
  fontName = r.rawString();
  fontStyle = r.rawByte();
  fontSize = r.rawInt32();
  for (QString* s : {&leftMargin, &rightMargin, &topMargin, &bottomMargin, &pageHeight, &pageWidth})
    *s = r.rawString();
  pageSize = r.rawInt32();
  orientation = r.rawInt32();
  title = r.rawString();
  titleOption = r.rawInt32();
  pageNumberOption = r.rawInt32();
  columns.clear();
  r.listStart();
  while (!r.atListEnd()) columns.push_back(r.rawInt32() - kColumnOffset);
}

ReportRec& currentReport() {
  static ReportRec rec;
  return rec;
}

int ReportList::findName(const QString& name) const {
  for (int i = 0; i < count(); ++i)
    if (at(i).name == name) return i;
  return -1;
}

void ReportList::remove(int index) {
  if (index >= 0 && index < count()) items_.erase(items_.begin() + index);
}

QByteArray ReportList::encode() const {
  ValueWriter w;
  w.listStart();
  for (const ReportRec& rec : items_) rec.writeTo(w);
  w.listEnd();
  return w.data();
}

void ReportList::decode(const QByteArray& bytes, const QString& source) {
  items_.clear();
  try {
    ValueReader r(bytes, source);
    r.listStart();
    while (!r.atListEnd()) {
      ReportRec rec;
      rec.readFrom(r);
      items_.push_back(std::move(rec));
    }
  } catch (const valuestream::StreamError&) {
    items_.clear();
    throw;
  }
}

bool ReportList::load(const QString& path, QString* error) {
  items_.clear();
  const auto bytes = valuestream::readFileBounded(path);
  if (!bytes) {
    if (error) *error = QStringLiteral("Cannot open file %1").arg(path);
    return false;
  }
  try {
    decode(*bytes, path);
  } catch (const valuestream::StreamError& e) {
    // A list start missing where one belongs reads as a bad value; anything
    // else as the stream running out.
    if (error)
      *error = QString::fromStdString(e.reason()).startsWith(QStringLiteral("list start"))
                   ? QStringLiteral("Invalid property value")
                   : QStringLiteral("Stream read error");
    return false;
  }
  return true;
}

bool ReportList::save(const QString& path, QString* error) const {
  try {
    valuestream::writeFileOrThrow(path, encode());
  } catch (const dbase::Error&) {
    if (error) *error = QStringLiteral("Cannot create file %1").arg(path);
    return false;
  }
  return true;
}

QString reportFilePath() {
  return joinPath(appSettings().homeDir, QString::fromLatin1(kReportFileName));
}

QString reportReadPath() {
  const QString home = reportFilePath();
  if (QFile::exists(home)) return home;
  const QString shipped = joinPath(appSettings().programDir, QString::fromLatin1(kReportFileName));
  return QFile::exists(shipped) ? shipped : home;
}
