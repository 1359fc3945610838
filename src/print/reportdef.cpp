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

QString reportFilePath() {
  return joinPath(appSettings().homeDir, QString::fromLatin1(kReportFileName));
}

QString reportReadPath() {
  const QString home = reportFilePath();
  if (QFile::exists(home)) return home;
  const QString shipped = joinPath(appSettings().programDir, QString::fromLatin1(kReportFileName));
  return QFile::exists(shipped) ? shipped : home;
}
