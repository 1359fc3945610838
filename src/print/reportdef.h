#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

#include "print/namedlist.h"

namespace valuestream {
class ValueReader;
class ValueWriter;
}  // namespace valuestream

// A list report's definition: the fields it shows and how its pages look.
// Numbers the user types (max width, margins, page size) are kept as typed.
struct ReportRec {
  QString name;
  std::vector<int32_t> columns;  // positions in the field labels, print order
  int32_t fieldNamesOption = 0;  // 0 print, 1 don't
  int32_t layout = 0;            // 0 fields in columns, 1 fields in rows
  int32_t gridOption = 0;        // 0 print, 1 don't
  int32_t totalsOption = 0;      // 0 total numeric fields, 1 don't
  QString maxWidth = QStringLiteral("20");
  QString fontName = QStringLiteral("Arial");
  uint8_t fontStyle = 0;  // bold 1, italic 2, underline 4, strikeout 8
  int32_t fontSize = 10;
  QString leftMargin = QStringLiteral("1");
  QString rightMargin = QStringLiteral("1");
  QString topMargin = QStringLiteral("1");
  QString bottomMargin = QStringLiteral("1");
  QString pageHeight = QStringLiteral("11");
  QString pageWidth = QStringLiteral("8.5");
  int32_t pageSize = 0;     // 0 Letter, 1 Legal, 2 Envelope #10, 3 Custom
  int32_t orientation = 0;  // 0 portrait, 1 landscape
  QString title;
  int32_t titleOption = 0;       // 0 first page only, 1 all pages
  int32_t pageNumberOption = 2;  // 0 none, 1 top, 2 bottom

  // Column values are stored as the position plus this.
  static constexpr int32_t kColumnOffset = 20;

  void writeTo(valuestream::ValueWriter& w) const;
  void readFrom(valuestream::ValueReader& r);

  friend bool operator==(const ReportRec&, const ReportRec&) = default;
};

// The definition the report dialog edits and reports print from, for the run.
ReportRec& currentReport();

inline constexpr char kReportFileName[] = "report.dat";

// The named report templates of report.dat.
using ReportList = NamedList<ReportRec>;

// HomeDir\report.dat, where templates are saved.
QString reportFilePath();
// Where they are read: the home's file, or the copy beside the program while
// the home has none.
QString reportReadPath();
