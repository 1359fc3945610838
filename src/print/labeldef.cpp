#include "print/labeldef.h"

#include "core/settings.h"
#include "core/valuestream.h"

using valuestream::ValueReader;
using valuestream::ValueWriter;

void LabelRec::writeTo(ValueWriter& w) const {
  w.rawString(name);
  w.listStart();
  for (int32_t c : columns) w.rawInt32(c + kColumnOffset);
  w.listEnd();
  w.rawInt32(labelType);
  w.rawInt32(shape);
  for (const QString* s :
       {&stock, &labelWidth, &labelHeight, &gapAcross, &gapDown, &leftMargin, &topMargin, &across,
        &down, &firstLabel, &bodyLeft, &bodyTop, &bodyFontName})
    w.rawString(*s);
  w.rawByte(bodyFontStyle);
  w.rawInt32(bodyFontSize);
  // An empty text is the byte that ends the list: empty lines inside the
  // header are kept as one space, trailing ones are dropped.
  qsizetype lines = headerLines.size();
  while (lines > 0 && headerLines[lines - 1].isEmpty()) --lines;
  w.listStart();
  for (qsizetype i = 0; i < lines; ++i)
    w.rawString(headerLines[i].isEmpty() ? QStringLiteral(" ") : headerLines[i]);
  w.listEnd();
  for (const QString* s : {&headerLeft, &headerTop, &headerFontName}) w.rawString(*s);
  w.rawByte(headerFontStyle);
  w.rawInt32(headerFontSize);
  for (const QString* s : {&logoFile, &logoLeft, &logoTop}) w.rawString(*s);
}

void LabelRec::readFrom(ValueReader& r) {
  name = r.rawString();
  columns.clear();
  r.listStart();
  while (!r.atListEnd()) columns.push_back(r.rawInt32() - kColumnOffset);
  labelType = r.rawInt32();
  shape = r.rawInt32();
  for (QString* s : {&stock, &labelWidth, &labelHeight, &gapAcross, &gapDown, &leftMargin,
                     &topMargin, &across, &down, &firstLabel, &bodyLeft, &bodyTop, &bodyFontName})
    *s = r.rawString();
  bodyFontStyle = r.rawByte();
  bodyFontSize = r.rawInt32();
  headerLines.clear();
  r.listStart();
  while (!r.atListEnd()) headerLines.push_back(r.rawString());
  for (QString* s : {&headerLeft, &headerTop, &headerFontName}) *s = r.rawString();
  headerFontStyle = r.rawByte();
  headerFontSize = r.rawInt32();
  for (QString* s : {&logoFile, &logoLeft, &logoTop}) *s = r.rawString();
}

LabelRec& currentLabel() {
  static LabelRec rec;
  return rec;
}

int LabelList::findName(const QString& name) const {
  for (int i = 0; i < count(); ++i)
    if (at(i).name == name) return i;
  return -1;
}

void LabelList::remove(int index) {
  if (index >= 0 && index < count()) items_.erase(items_.begin() + index);
}

QByteArray LabelList::encode() const {
  ValueWriter w;
  w.listStart();
  for (const LabelRec& rec : items_) rec.writeTo(w);
  w.listEnd();
  return w.data();
}

void LabelList::decode(const QByteArray& bytes, const QString& source) {
  items_.clear();
  try {
    ValueReader r(bytes, source);
    r.listStart();
    while (!r.atListEnd()) {
      LabelRec rec;
      rec.readFrom(r);
      items_.push_back(std::move(rec));
    }
  } catch (const valuestream::StreamError&) {
    items_.clear();
    throw;
  }
}

bool LabelList::load(const QString& path, QString* error) {
  items_.clear();
  const auto bytes = valuestream::readFileBounded(path);
  if (!bytes) {
    if (error) *error = QStringLiteral("Cannot open file %1").arg(path);
    return false;
  }
  try {
    decode(*bytes, path);
  } catch (const valuestream::StreamError& e) {
    if (error)
      *error = QString::fromStdString(e.reason()).startsWith(QStringLiteral("list start"))
                   ? QStringLiteral("Invalid property value")
                   : QStringLiteral("Stream read error");
    return false;
  }
  return true;
}

bool LabelList::save(const QString& path, QString* error) const {
  try {
    valuestream::writeFileOrThrow(path, encode());
  } catch (const dbase::Error&) {
    if (error) *error = QStringLiteral("Cannot create file %1").arg(path);
    return false;
  }
  return true;
}

QString labelFilePath() {
  return joinPath(appSettings().homeDir, QString::fromLatin1(kLabelFileName));
}
