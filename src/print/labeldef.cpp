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

QString labelFilePath() {
  return joinPath(appSettings().homeDir, QString::fromLatin1(kLabelFileName));
}
