#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

#include "print/namedlist.h"

namespace valuestream {
class ValueReader;
class ValueWriter;
}  // namespace valuestream

// One label design: the fields of the label body, the sheet (a stock or a
// custom grid), the header text and the logo. Inch values and counts are
// kept as the user typed them.
struct LabelRec {
  QString name;
  std::vector<int32_t> columns;  // positions in the field labels, print order
  int32_t labelType = 0;         // 0 stock sheet, 1 custom grid
  int32_t shape = 0;             // 0 round rect, 1 rectangle, 2 round
  QString stock = QStringLiteral("AV 12_294");
  QString labelWidth, labelHeight;
  QString gapAcross;  // between two labels side by side
  QString gapDown;    // between two labels one above the other
  QString leftMargin, topMargin;
  QString across, down;
  QString firstLabel = QStringLiteral("1");
  QString bodyLeft = QStringLiteral("0.5");
  QString bodyTop = QStringLiteral("0.5");
  QString bodyFontName = QStringLiteral("Arial");
  uint8_t bodyFontStyle = 1;  // bold
  int32_t bodyFontSize = 10;
  QStringList headerLines;
  QString headerLeft = QStringLiteral("0.2");
  QString headerTop = QStringLiteral("0.2");
  QString headerFontName = QStringLiteral("Arial");
  uint8_t headerFontStyle = 0;
  int32_t headerFontSize = 8;
  QString logoFile;
  QString logoLeft = QStringLiteral("2.0");
  QString logoTop = QStringLiteral("0.2");

  static constexpr int32_t kColumnOffset = 20;

  void writeTo(valuestream::ValueWriter& w) const;
  void readFrom(valuestream::ValueReader& r);

  friend bool operator==(const LabelRec&, const LabelRec&) = default;
};

// The definition the labels dialog edits, for the run.
LabelRec& currentLabel();

inline constexpr char kLabelFileName[] = "label.dat";

// The named label templates of label.dat.
using LabelList = NamedList<LabelRec>;

// HomeDir\label.dat.
QString labelFilePath();
