#pragma once

#include <QFontMetrics>
#include <QString>
#include <vector>

#include "ui/colorbutton.h"

// One text column of a formatted button.
struct EntryColumn {
  static constexpr int kMaxText = 128;

  QString text;         // at most kMaxText characters
  int percent = 0;      // share of the width; only the low 8 bits count, 1..100 valid
  int reserved = 0;     // kept with the column, always 0 here
  int pixelWidth = -1;  // -1 until distributed

  // The share in effect: 0 for a value outside 1..100.
  int share() const;
};

// The columns plus the total pixel width they were last distributed over.
struct EntryColumns {
  std::vector<EntryColumn> columns;
  int totalWidth = 0;

  bool needsLayout() const;
  // total = button width − columns × gap − 8; each column gets share × total div 100.
  void distribute(int buttonWidth, int gap);
};

// The leading characters of text that fit in width pixels; no ellipsis.
QString fitText(const QString& text, const QFontMetrics& metrics, int width);

// A colour button that paints text columns instead of its caption (the
// table-of-contents entries).
class ContentsEntry : public ColorButton {
  Q_OBJECT

 public:
  explicit ContentsEntry(QWidget* parent = nullptr);

  void addColumn(const QString& text, int percent);
  // Ignored for a column that does not exist; the text is cut to 128 characters.
  void setText(int column, const QString& text);
  void clearTexts();
  void removeColumns();
  void setGap(int pixels);

  int gap() const { return gap_; }
  int columnCount() const { return static_cast<int>(cols_.columns.size()); }
  QString text(int column) const;
  // Distributes the columns when they are not yet and returns them.
  const EntryColumns& layoutColumns();

 protected:
  void paintContent(QPainter& painter, bool pressedLook) override;

 private:
  EntryColumns cols_;
  int gap_ = 4;
  int distributedFor_ = -1;  // button width the columns were distributed over
};
