#include "ui/contentsentry.h"

#include <QPainter>
#include <algorithm>

int EntryColumn::share() const {
  const int low = percent & 0xFF;
  return (low >= 1 && low <= 100) ? low : 0;
}

bool EntryColumns::needsLayout() const {
  return std::any_of(columns.begin(), columns.end(),
                     [](const EntryColumn& c) { return c.pixelWidth == -1; });
}

void EntryColumns::distribute(int buttonWidth, int gap) {
  totalWidth = buttonWidth - static_cast<int>(columns.size()) * gap - 8;
  for (EntryColumn& c : columns) c.pixelWidth = c.share() * totalWidth / 100;
}

QString fitText(const QString& text, const QFontMetrics& metrics, int width) {
  QString out = text;
  while (!out.isEmpty() && metrics.horizontalAdvance(out) > width) out.chop(1);
  return out;
}

ContentsEntry::ContentsEntry(QWidget* parent) : ColorButton(parent) {}

void ContentsEntry::addColumn(const QString& text, int percent) {
  EntryColumn c;
  c.text = text.left(EntryColumn::kMaxText);
  c.percent = percent;
  cols_.columns.push_back(c);
  for (EntryColumn& col : cols_.columns) col.pixelWidth = -1;
  update();
}

void ContentsEntry::setText(int column, const QString& text) {
  if (column < 0 || column >= columnCount()) return;
  cols_.columns[static_cast<size_t>(column)].text = text.left(EntryColumn::kMaxText);
  update();
}

QString ContentsEntry::text(int column) const {
  if (column < 0 || column >= columnCount()) return {};
  return cols_.columns[static_cast<size_t>(column)].text;
}

void ContentsEntry::clearTexts() {
  for (EntryColumn& c : cols_.columns) c.text.clear();
  update();
}

void ContentsEntry::removeColumns() {
  cols_.columns.clear();
  cols_.totalWidth = 0;
  update();
}

void ContentsEntry::setGap(int pixels) {
  if (pixels == gap_) return;
  gap_ = pixels;
  for (EntryColumn& c : cols_.columns) c.pixelWidth = -1;
  update();
}

const EntryColumns& ContentsEntry::layoutColumns() {
  // The shares are of the button's width, so a new width redistributes.
  // (Checked here: a hidden widget gets its resize event only when shown.)
  if (width() != distributedFor_) {
    for (EntryColumn& c : cols_.columns) c.pixelWidth = -1;
  }
  if (cols_.needsLayout()) {
    cols_.distribute(width(), gap_);
    distributedFor_ = width();
  }
  return cols_;
}

void ContentsEntry::paintContent(QPainter& p, bool pressedLook) {
  layoutColumns();
  const QFontMetrics fm(font());
  const int rowHeight = std::min(fm.height(), height() - 6);  // the text height of "A"
  const int top = std::max((height() - rowHeight) / 2, 2);
  const int limit = width() - 6;
  int x = 6;
  p.save();
  p.setFont(font());
  p.setPen(effectiveTextColor());
  for (size_t i = 0; i < cols_.columns.size(); ++i) {
    const EntryColumn& c = cols_.columns[i];
    if (i > 0) x += gap_;
    QRect cell(x, top, std::min(x + c.pixelWidth, limit) - x, rowHeight);
    if (pressedLook) cell.translate(1, 1);
    if (cell.width() > 0 && cell.height() > 0 && !c.text.isEmpty()) {
      const QString shown = fitText(c.text, fm, cell.width());
      p.setClipRect(cell);
      p.drawText(QPoint(cell.left(), cell.top() + fm.ascent()), shown);
    }
    x += c.pixelWidth;
  }
  p.restore();
}
