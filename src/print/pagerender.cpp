#include "print/pagerender.h"

#include <QFontMetricsF>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QTextLayout>
#include <algorithm>
#include <cmath>

namespace {

// A size wider than high is given to the device as its portrait turned.
QPageLayout deviceLayout(const PaperSetup& p) {
  const bool wide = p.width > p.height;
  const QSizeF portrait = wide ? QSizeF(p.height, p.width) : QSizeF(p.width, p.height);
  QPageSize size = p.standard != QPageSize::Custom && !wide
                       ? QPageSize(p.standard)
                       : QPageSize(portrait, QPageSize::Inch, QString(), QPageSize::ExactMatch);
  const bool turned = p.landscape != wide;
  return QPageLayout(size, turned ? QPageLayout::Landscape : QPageLayout::Portrait,
                     QMarginsF(0, 0, 0, 0), QPageLayout::Inch);
}

}  // namespace

PageRenderer::PageRenderer(QPagedPaintDevice& device, const PaperSetup& paper)
    : device_(device), paper_(paper) {
  device_.setPageLayout(deviceLayout(paper_));
  dpi_ = device_.logicalDpiY();
  setFont(font_);
  x_ = paper_.left;
  y_ = paper_.top;
}

PageRenderer::~PageRenderer() { end(); }

bool PageRenderer::begin() {
  bulk_.emplace();
  if (!painter_.begin(&device_)) {
    bulk_.reset();
    return false;
  }
  dpi_ = device_.logicalDpiY();
  painter_.setRenderHint(QPainter::Antialiasing, false);
  QPen pen(Qt::black);
  pen.setWidthF(px(0.01));
  painter_.setPen(pen);
  setFont(font_);
  page_ = 1;
  return true;
}

void PageRenderer::end() {
  if (painter_.isActive()) painter_.end();
  bulk_.reset();
}

void PageRenderer::newPage() {
  device_.newPage();
  ++page_;
  y_ = paper_.top;
  x_ = paper_.left;
  tabIndex_ = 0;
}

double PageRenderer::pageWidth() const { return paper_.landscape ? paper_.height : paper_.width; }
double PageRenderer::pageHeight() const { return paper_.landscape ? paper_.width : paper_.height; }

QFont PageRenderer::qfont(const FontSpec& spec) const {
  QFont f(spec.name);
  f.setPointSizeF(spec.size > 0 ? spec.size : 10);
  f.setBold(spec.style & kBold);
  f.setItalic(spec.style & kItalic);
  f.setUnderline(spec.style & kUnderline);
  f.setStrikeOut(spec.style & kStrikeOut);
  return f;
}

void PageRenderer::setFont(const FontSpec& font) {
  font_ = font;
  auto [it, made] = fonts_.try_emplace({font.name, font.size, font.style});
  if (made) {
    it->second.font = qfont(font_);
    it->second.metrics = std::make_unique<QFontMetricsF>(it->second.font, &device_);
  }
  metrics_ = it->second.metrics.get();
  made_ = &it->second;
  // Texts are drawn from their glyphs, which carry their font: the painter
  // gets the font only when asked for.
}

QPainter& PageRenderer::painter() {
  if (painter_.isActive()) painter_.setFont(made_->font);
  return painter_;
}

double PageRenderer::lineHeight() const { return metrics_->lineSpacing() / dpi_; }

int PageRenderer::linesLeft() const {
  const double room = pageHeight() - paper_.bottom - y_;
  if (room <= 0) return 0;
  return static_cast<int>(std::floor(room / lineHeight() + 1e-6));
}

double PageRenderer::textWidth(const QString& text) const {
  return metrics_->horizontalAdvance(text) / dpi_;
}

const PageRenderer::Shaped& PageRenderer::shaped(const QString& text) {
  auto it = made_->shaped.find(text);
  if (it != made_->shaped.end()) return *it;
  if (made_->shaped.size() >= 4096) made_->shaped.clear();  // mostly one-off texts
  Shaped s;
  if (!text.isEmpty()) {
    // The layout keeps its shaped glyphs, so drawing it again shapes nothing.
    s.layout = std::make_shared<QTextLayout>(text, made_->font, &device_);
    s.layout->setCacheEnabled(true);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    s.layout->setTextOption(option);
    s.layout->beginLayout();
    QTextLine line = s.layout->createLine();
    s.layout->endLayout();
    s.width = line.isValid() ? line.horizontalAdvance() / dpi_ : 0;
  }
  return *made_->shaped.insert(text, std::move(s));
}

void PageRenderer::drawText(double x, const QString& text) {
  if (text.isEmpty() || !painter_.isActive()) return;
  if (const auto& layout = shaped(text).layout) layout->draw(&painter_, QPointF(px(x), px(y_)));
}

void PageRenderer::print(const QString& text) {
  qsizetype from = 0;
  for (bool first = true;; first = false) {
    const qsizetype to = text.indexOf(QLatin1Char('\t'), from);
    const QString part = text.mid(from, to < 0 ? -1 : to - from);
    const TabStop* t = first ? nullptr : nextTab();
    if (t) {
      cell(*t, part);
      ++tabIndex_;
      x_ = t->left + t->width;
    } else if (!part.isEmpty()) {
      drawText(x_, part);
      x_ += printedWidth(part);
    }
    if (to < 0) break;
    from = to + 1;
  }
}

void PageRenderer::printLine(const QString& text) {
  print(text);
  lineEnd();
}

void PageRenderer::lineEnd() {
  y_ += lineHeight();
  x_ = paper_.left;
  tabIndex_ = 0;
}

void PageRenderer::printCenter(const QString& text, double x) {
  drawText(x - printedWidth(text) / 2, text);
}
void PageRenderer::printLeft(const QString& text, double x) { drawText(x, text); }
void PageRenderer::printRight(const QString& text, double x) {
  drawText(x - printedWidth(text), text);
}

void PageRenderer::clearTabs() {
  tabs_.clear();
  tabIndex_ = 0;
}

void PageRenderer::setTab(double left, Justify justify, double width, uint8_t boxLines,
                          double margin) {
  if (left < 0) left = tabs_.empty() ? paper_.left : tabs_.back().left + tabs_.back().width;
  tabs_.push_back({left, width, justify, boxLines, margin});
}

void PageRenderer::restartTabs() { tabIndex_ = 0; }

const TabStop* PageRenderer::nextTab() const {
  return tabIndex_ < tabs_.size() ? &tabs_[tabIndex_] : nullptr;
}

void PageRenderer::tab() {
  const TabStop* t = nextTab();
  if (!t) return;
  cell(*t, {});
  ++tabIndex_;
  x_ = t->left + t->width;
}

void PageRenderer::cell(const TabStop& t, const QString& text) {
  const double top = y_, bottom = y_ + lineHeight();
  const double l = t.left, r = t.left + t.width;
  if (t.boxLines & kBoxLeft) painter_.drawLine(QPointF(px(l), px(top)), QPointF(px(l), px(bottom)));
  if (t.boxLines & kBoxRight)
    painter_.drawLine(QPointF(px(r), px(top)), QPointF(px(r), px(bottom)));
  if (t.boxLines & kBoxTop) painter_.drawLine(QPointF(px(l), px(top)), QPointF(px(r), px(top)));
  if (t.boxLines & kBoxBottom)
    painter_.drawLine(QPointF(px(l), px(bottom)), QPointF(px(r), px(bottom)));
  if (text.isEmpty()) return;
  switch (t.justify) {
    case Justify::Left:
      drawText(l + t.margin, text);
      break;
    case Justify::Right:
      drawText(r - t.margin - printedWidth(text), text);
      break;
    case Justify::Center:
      drawText(l + (t.width - printedWidth(text)) / 2, text);
      break;
  }
}

void PageRenderer::drawImage(const QImage& image, const QRectF& in) {
  painter_.drawImage(QRectF(px(in.left()), px(in.top()), px(in.width()), px(in.height())), image);
}

void PageRenderer::moveTo(double x, double y) { pen_ = QPointF(px(x), px(y)); }

void PageRenderer::lineTo(double x, double y) {
  const QPointF to(px(x), px(y));
  painter_.drawLine(pen_, to);
  pen_ = to;
}

// Memo buffer.

bool MemoBuffer::finished() const { return pos_ >= text_.size(); }

// No line holds more characters than twice the room in narrow letters, so a
// long paragraph is never measured whole.
int MemoBuffer::lineCap(const PageRenderer& r) const {
  const double narrow = std::max(r.textWidth(QStringLiteral("i")), 1e-3);
  return std::clamp(static_cast<int>(2 * (right_ - left_) / narrow) + 8, 8, kMaxLineChars);
}

QString MemoBuffer::wrapLine(const PageRenderer& r, int from, int* next) const {
  const int n = static_cast<int>(text_.size());
  const double room = right_ - left_;
  const int cap = from + lineCap(r);
  int end = from;
  while (end < n && end < cap && text_[end] != u'\r' && text_[end] != u'\n') ++end;
  const bool paragraphEnds = end >= n || text_[end] == u'\r' || text_[end] == u'\n';
  const auto fits = [&](int to) { return r.textWidth(text_.mid(from, to - from)) <= room; };
  int cut = end;
  if (!paragraphEnds || !fits(end)) {
    // The longest run of whole words that fits; a word wider than the room is split.
    int lastBreak = -1;
    for (int i = from; i < end;) {
      int w = i;
      while (w < end && text_[w] != u' ') ++w;
      if (!fits(w)) break;
      lastBreak = w;
      i = w + 1;
    }
    if (lastBreak > from) {
      cut = lastBreak;
    } else {
      int lo = from + 1, hi = end;  // at least one character, so the text moves on
      while (lo < hi) {
        const int mid = (lo + hi + 1) / 2;
        if (fits(mid))
          lo = mid;
        else
          hi = mid - 1;
      }
      cut = lo;
    }
  }
  QString line = text_.mid(from, cut - from);
  int after = cut;
  if (after < end || !paragraphEnds) {
    while (after < n && text_[after] == u' ') ++after;  // spaces at a wrap vanish
  } else if (after < n) {
    if (text_[after] == u'\r' && after + 1 < n && text_[after + 1] == u'\n') ++after;
    ++after;
  }
  *next = after;
  return line;
}

bool MemoBuffer::moreThan(const PageRenderer& r, int lines) const {
  if (text_.size() - pos_ > qsizetype(lines) * lineCap(r)) return true;  // cannot fit anyway
  int pos = pos_;
  for (int i = 0; i < lines && pos < text_.size(); ++i) wrapLine(r, pos, &pos);
  return pos < text_.size();
}

int MemoBuffer::printLines(PageRenderer& r, int lines, const TabStop* cell) {
  int printed = 0;
  while (!finished() && (lines < 0 || printed < lines)) {
    int next = pos_;
    const QString line = wrapLine(r, pos_, &next);
    pos_ = next;
    if (cell) {
      r.printCell(*cell, line);
    } else {
      r.printLeft(line, left_);
    }
    r.lineEnd();
    ++printed;
  }
  return printed;
}
