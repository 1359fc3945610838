#include "print/reportjob.h"

#include <QDate>
#include <QLocale>
#include <algorithm>

#include "print/reportdef.h"
#include "store/recordtext.h"

namespace {

std::optional<double> readInches(const QString& text, QString* error) {
  bool ok = false;
  double v = QLocale::c().toDouble(text.trimmed(), &ok);
  if (!ok) v = QLocale().toDouble(text.trimmed(), &ok);
  if (!ok) {
    if (error) *error = QStringLiteral("'%1' is not a valid floating point value").arg(text);
    return std::nullopt;
  }
  return v;
}

const FontSpec kHeaderFont{QStringLiteral("Arial"), 8, 0};
const FontSpec kTitleFont{QStringLiteral("Arial"), 24, kUnderline};
const FontSpec kRecordFont{QStringLiteral("Arial"), 12, 0};
constexpr double kRowsPictureWidth = 2.2;
constexpr double kColumnsPictureWidth = 2.0;

}  // namespace

std::optional<PaperSetup> reportPaper(const ReportRec& rec, QString* error) {
  PaperSetup p;
  std::optional<double> m[4];
  const QString* texts[4] = {&rec.leftMargin, &rec.rightMargin, &rec.topMargin, &rec.bottomMargin};
  for (int i = 0; i < 4; ++i)
    if (!(m[i] = readInches(*texts[i], error))) return std::nullopt;
  p.left = *m[0], p.right = *m[1], p.top = *m[2], p.bottom = *m[3];
  switch (rec.pageSize) {
    case 0:
      p.width = 8.5, p.height = 11, p.standard = QPageSize::Letter;
      break;
    case 1:
      p.width = 8.5, p.height = 14, p.standard = QPageSize::Legal;
      break;
    case 2:
      p.width = 9.5, p.height = 4.125, p.standard = QPageSize::Envelope10;
      break;
    default: {
      const auto w = readInches(rec.pageWidth, error);
      if (!w) return std::nullopt;
      const auto h = readInches(rec.pageHeight, error);
      if (!h) return std::nullopt;
      p.width = *w, p.height = *h;
    }
  }
  p.landscape = rec.orientation == 1;
  return p;
}

QString paperProblem(const PaperSetup& p) {
  const double w = p.landscape ? p.height : p.width;
  const double h = p.landscape ? p.width : p.height;
  if (w - p.left - p.right < 1)
    return QStringLiteral("Left/Right Margins too large or Page Width too small!");
  if (h - p.top - p.bottom < 1)
    return QStringLiteral("Top/Bottom Margins too large or Page Heiht too small!");
  return {};
}

std::optional<ReportSettings> reportSettings(const ReportRec& rec, const ReportSource& source,
                                             QString* error) {
  ReportSettings s;
  const auto paper = reportPaper(rec, error);
  if (!paper) return std::nullopt;
  s.paper = *paper;
  bool ok = false;
  s.maxWidth = rec.maxWidth.trimmed().toInt(&ok);
  if (!ok) {
    if (error) *error = QStringLiteral("'%1' is not a valid integer value").arg(rec.maxWidth);
    return std::nullopt;
  }
  s.font = {rec.fontName, rec.fontSize, rec.fontStyle};
  s.fieldNames = rec.fieldNamesOption == 0;
  s.rowsLayout = rec.layout == 1;
  s.grid = rec.gridOption == 0;
  s.totals = rec.totalsOption == 0;
  s.title = rec.title.left(31);
  s.titleOption = rec.titleOption;
  s.pageNumberOption = rec.pageNumberOption;
  for (int32_t k : rec.columns)
    if (source.exists(k)) s.columns.push_back(k);
  return s;
}

PrintHooks& printHooks() {
  static PrintHooks hooks;
  return hooks;
}

ReportJob::ReportJob(ReportSource& source, ReportSettings settings, Mode mode)
    : src_(source), s_(std::move(settings)), mode_(mode) {
  if (mode_ == Mode::Record) {
    s_.columns.clear();
    for (int k = 0; k < source.captions().size(); ++k)
      if (source.exists(k)) s_.columns.push_back(k);
    s_.font = kRecordFont;
    s_.fieldNames = true;
    s_.totals = false;
    s_.title.clear();
    s_.pageNumberOption = 0;
  }
  for (int k : s_.columns) cols_.push_back({k, source.kind(k)});
}

void ReportJob::setStatus(const QString& line0) {
  if (status)
    status(QStringLiteral("Printing Page %1\r%2\r").arg(r_ ? r_->pageNumber() : 1).arg(line0));
}

bool ReportJob::run(PageRenderer& r) {
  r_ = &r;
  beforePrint();
  bool finished = true;
  for (;;) {
    ++pages_;
    header();
    const long before = progress_;
    bool more = mode_ == Mode::Record ? recordPage() : s_.rowsLayout ? rowsPage() : columnsPage();
    footer();
    // A page that printed nothing would be followed by the same page again.
    if (more && progress_ == before) more = false;
    if (!more) break;
    if (keepGoing && !keepGoing()) {
      finished = false;
      break;
    }
    r.newPage();
  }
  if (mode_ == Mode::List && printHooks().afterPrint) printHooks().afterPrint();
  return finished;
}

void ReportJob::beforePrint() {
  setStatus(QString());
  if (mode_ == Mode::List) {
    if (printHooks().beforePrint) printHooks().beforePrint();
    src_.first();
  }
  current_ = 0;
  bool numeric = false;
  for (Column& c : cols_) {
    c.total = 0;
    c.memoPos = -1;
    numeric = numeric || c.kind == FieldKind::Numeric;
  }
  if (!numeric) s_.totals = false;
  totalsPrinted_ = false;
  nextTotal_ = 0;
  picturesDrawn_ = false;
}

void ReportJob::header() {
  PageRenderer& r = *r_;
  if (mode_ == Mode::List && s_.pageNumberOption == 1) {
    r.setFont(kHeaderFont);
    r.setYPos(s_.paper.top - r.lineHeight());
    r.printLeft(QStringLiteral("Date ") + shortDateText(QDate::currentDate()), s_.paper.left);
    r.printRight(QStringLiteral("Page %1").arg(r.pageNumber()), r.pageWidth() - s_.paper.right);
  }
  r.setYPos(s_.paper.top);
  if (!s_.title.isEmpty() && (r.pageNumber() == 1 || s_.titleOption == 1)) {
    r.setFont(kTitleFont);
    r.printCenter(s_.title, r.pageWidth() / 2);
    r.lineEnd();  // the title's own line height, then one empty report line
    r.setFont(s_.font);
    r.lineEnd();
  } else {
    r.setFont(s_.font);
  }
  pageTop_ = r.yPos();
}

void ReportJob::footer() {
  PageRenderer& r = *r_;
  if (mode_ != Mode::List || s_.pageNumberOption != 2) return;
  r.setFont(kHeaderFont);
  r.setYPos(r.pageHeight() - s_.paper.bottom + r.lineHeight());
  r.printLeft(QStringLiteral("Date ") + shortDateText(QDate::currentDate()), s_.paper.left);
  r.printRight(QStringLiteral("Page %1").arg(r.pageNumber()), r.pageWidth() - s_.paper.right);
  r.setFont(s_.font);
}

void ReportJob::printLabel(const QString& caption) {
  PageRenderer& r = *r_;
  r.setFont({s_.font.name, s_.font.size, kItalic | kUnderline});
  r.print(caption);
  r.setFont(s_.font);
  r.clearTabs();
  const double at = s_.paper.left + labelWidth_;
  r.setTab(at, Justify::Left, std::max(0.0, r.pageWidth() - s_.paper.right - at));
}

QImage ReportJob::pictureOf(const Column& c) const {
  return QImage::fromData(src_.picture(c.field));
}

// A picture taller than the room of an empty page is shrunk to it.
double ReportJob::fitPicture(double height) const {
  const double room = r_->pageHeight() - s_.paper.bottom - pageTop_;
  return std::min(height, std::max(room, 0.0));
}

// One field of the current record in the rows layout; *full when the page
// has no room for the rest of it.
bool ReportJob::rowsField(Column& c, bool* full) {
  PageRenderer& r = *r_;
  *full = false;
  const QString caption = src_.captions().value(c.field);
  const double valueLeft = s_.paper.left + (s_.fieldNames ? labelWidth_ : 0);
  switch (c.kind) {
    case FieldKind::Memo: {
      const bool continues = c.memoPos >= 0;
      memo_.setText(src_.memo(c.field));
      memo_.setPosition(continues ? c.memoPos : 0);
      if (s_.fieldNames) printLabel(continues ? QString() : caption);
      memo_.setBounds(valueLeft, r.pageWidth() - s_.paper.right);
      if (memo_.finished()) {
        if (r.linesLeft() > 0) r.lineEnd();
      } else if (memo_.moreThan(r, r.linesLeft())) {
        memo_.printLines(r, r.linesLeft());
        c.memoPos = memo_.position();
        *full = true;
      } else {
        memo_.printLines(r, -1);
        c.memoPos = -1;
      }
      break;
    }
    case FieldKind::Picture: {
      const QImage image = pictureOf(c);
      const double ratio = image.isNull() ? 0 : double(image.height()) / image.width();
      double w = kRowsPictureWidth, h = fitPicture(kRowsPictureWidth * ratio);
      if (ratio > 0) w = h / ratio;
      if (h > r.lineHeight() * r.linesLeft() && r.yPos() > pageTop_ + 1e-6) {
        r.setYPos(r.pageHeight());
        *full = true;
        return false;
      }
      if (s_.fieldNames) printLabel(caption);
      if (!image.isNull()) r.drawImage(image, QRectF(valueLeft, r.yPos(), w, h));
      r.setYPos(r.yPos() + h);
      r.lineEnd();
      break;
    }
    default: {
      if (c.kind == FieldKind::Numeric && s_.totals) c.total += src_.number(c.field);
      const QString text = c.kind == FieldKind::Numeric ? reportNumberText(src_.number(c.field))
                                                        : src_.text(c.field);
      if (s_.fieldNames) {
        printLabel(caption);
        r.print(QStringLiteral("\t") + text);
      } else {
        r.print(text);
      }
      r.lineEnd();
    }
  }
  ++progress_;
  return true;
}

bool ReportJob::rowsPage() {
  PageRenderer& r = *r_;
  setStatus(QStringLiteral("Printing Report Page"));
  if (cols_.empty()) return false;
  if (r.pageNumber() == 1) {
    labelWidth_ = 0;
    for (const Column& c : cols_)
      labelWidth_ = std::max(labelWidth_, r.textWidth(src_.captions().value(c.field)));
    labelWidth_ += 0.1;
  }
  if (!totalsPrinted_) {
    while (r.linesLeft() > 0 && !src_.atEnd()) {
      for (; current_ < cols_.size(); ++current_) {
        const bool last = current_ + 1 == cols_.size();
        if (r.linesLeft() == 0 || (r.linesLeft() == 1 && !last)) return true;
        bool full = false;
        rowsField(cols_[current_], &full);
        if (full) return true;
      }
      src_.next();
      current_ = 0;
      if (r.linesLeft() > 0 && !src_.atEnd()) r.lineEnd();
    }
    if (!src_.atEnd()) return true;
    if (!s_.totals) return false;
    totalsPrinted_ = true;
    if (r.linesLeft() > 4) {
      r.lineEnd();
      r.setFont({s_.font.name, s_.font.size, kBold | kUnderline});
      r.printLine(QStringLiteral("Totals:"));
      r.setFont(s_.font);
      r.lineEnd();
    }
  }
  return rowsTotals();
}

// The totals of the rows layout; those that find no line go on at the next
// page with the next numeric column.
bool ReportJob::rowsTotals() {
  PageRenderer& r = *r_;
  for (; nextTotal_ < cols_.size(); ++nextTotal_) {
    Column& c = cols_[nextTotal_];
    if (c.kind != FieldKind::Numeric) continue;
    if (r.linesLeft() == 0) return true;
    printLabel(src_.captions().value(c.field));
    r.print(QStringLiteral("\t") + reportNumberText(c.total));
    r.lineEnd();
    ++progress_;
  }
  s_.totals = false;
  return false;
}

void ReportJob::columnWidths() {
  PageRenderer& r = *r_;
  const double zero = r.textWidth(QStringLiteral("0"));
  double sum = 0;
  for (Column& c : cols_) {
    int chars = 10;
    switch (c.kind) {
      case FieldKind::Text:
        chars = src_.textSize(c.field);
        if (s_.maxWidth > 0 && s_.maxWidth < chars) chars = s_.maxWidth;
        break;
      case FieldKind::Numeric:
        chars = 20;
        break;
      case FieldKind::Memo:
        chars = 30;
        break;
      default:
        break;
    }
    c.width = c.kind == FieldKind::Picture ? kRowsPictureWidth : chars * zero;
    sum += c.width;
  }
  const double room = r.pageWidth() - s_.paper.left - s_.paper.right;
  while (!cols_.empty() && sum > room + 1e-9) {
    sum -= cols_.back().width;
    cols_.pop_back();
    s_.columns.pop_back();
  }
  hasPictures_ = hasMemos_ = false;
  for (const Column& c : cols_) {
    hasPictures_ = hasPictures_ || c.kind == FieldKind::Picture;
    hasMemos_ = hasMemos_ || c.kind == FieldKind::Memo;
  }
  if (!std::any_of(cols_.begin(), cols_.end(),
                   [](const Column& c) { return c.kind == FieldKind::Numeric; }))
    s_.totals = false;
}

void ReportJob::headerRow() {
  PageRenderer& r = *r_;
  if (s_.fieldNames) {
    r.clearTabs();
    for (const Column& c : cols_)
      r.setTab(-1, s_.grid ? Justify::Center : Justify::Left, c.width, s_.grid ? kBoxAll : 0);
    r.setFont({s_.font.name, s_.font.size, uint8_t(s_.grid ? kBold : kBold | kUnderline)});
    // A caption wider than its column is shortened rather than run into the next.
    for (const Column& c : cols_) {
      QString caption = src_.captions().value(c.field);
      while (caption.size() > 1 && r.textWidth(caption) > c.width) caption.chop(1);
      r.print(QStringLiteral("\t") + caption);
    }
    r.lineEnd();
    r.setFont(s_.font);
  } else if (s_.grid && !cols_.empty()) {
    const double left = s_.paper.left;
    double x = left;
    for (const Column& c : cols_) x += c.width;
    r.moveTo(left, r.yPos());
    r.lineTo(x, r.yPos());
  }
}

void ReportJob::dataTabs() {
  PageRenderer& r = *r_;
  r.clearTabs();
  for (const Column& c : cols_)
    r.setTab(-1, c.kind == FieldKind::Numeric ? Justify::Right : Justify::Left, c.width,
             s_.grid ? kBoxLeft | kBoxRight : 0, s_.grid ? 0.04 : 0);
}

void ReportJob::textCell(Column& c) {
  PageRenderer& r = *r_;
  if (c.kind == FieldKind::Numeric && s_.totals) c.total += src_.number(c.field);
  QString text =
      c.kind == FieldKind::Numeric ? reportNumberText(src_.number(c.field)) : src_.text(c.field);
  if (c.kind == FieldKind::Text) {
    int chars = src_.textSize(c.field);
    if (s_.maxWidth > 0 && s_.maxWidth < chars) chars = s_.maxWidth;
    text = text.left(chars);
    const TabStop* t = r.nextTab();
    const double room = t ? t->width - 2 * t->margin : 0;
    while (!text.isEmpty() && r.printedWidth(text) > room) text.chop(1);
  }
  r.print(QStringLiteral("\t") + text);
}

// One record's row; false when the page is full before the row is done.
bool ReportJob::columnsRow() {
  PageRenderer& r = *r_;
  const double rowTop = r.yPos();
  double rowBottom = rowTop;
  const bool continuing =
      std::any_of(cols_.begin(), cols_.end(), [](const Column& c) { return c.memoPos >= 0; });
  if (!continuing && hasPictures_ && !picturesDrawn_) {
    double tallest = 0;
    for (const Column& c : cols_) {
      if (c.kind != FieldKind::Picture) continue;
      const QImage image = pictureOf(c);
      if (!image.isNull())
        tallest =
            std::max(tallest, fitPicture(kColumnsPictureWidth * image.height() / image.width()));
    }
    if (tallest > r.pageHeight() - s_.paper.bottom - rowTop && rowTop > pageTop_ + 1e-6) {
      r.setYPos(r.pageHeight());
      return false;
    }
  }
  if (!continuing) {
    r.restartTabs();
    for (Column& c : cols_) {
      if (c.kind == FieldKind::Memo || c.kind == FieldKind::Picture)
        r.tab();
      else
        textCell(c);
    }
    rowBottom = rowTop + r.lineHeight();
  }
  bool unfinished = false;
  for (size_t i = 0; i < cols_.size(); ++i) {
    Column& c = cols_[i];
    if (c.kind != FieldKind::Memo || (continuing && c.memoPos < 0)) continue;
    const TabStop tab = r.tabs()[i];
    memo_.setText(src_.memo(c.field));
    memo_.setPosition(continuing ? c.memoPos : 0);
    memo_.setBounds(tab.left + tab.margin, tab.left + tab.width - tab.margin);
    r.setYPos(rowTop);
    const int room = r.linesLeft();
    if (memo_.moreThan(r, room)) {
      memo_.printLines(r, room, &tab);
      c.memoPos = memo_.position();
      unfinished = true;
    } else {
      memo_.printLines(r, -1, &tab);
      c.memoPos = -1;
    }
    rowBottom = std::max(rowBottom, r.yPos());
  }
  if (!continuing && hasPictures_ && !picturesDrawn_) {
    for (size_t i = 0; i < cols_.size(); ++i) {
      const Column& c = cols_[i];
      if (c.kind != FieldKind::Picture) continue;
      const QImage image = pictureOf(c);
      if (image.isNull()) continue;
      const double h = fitPicture(kColumnsPictureWidth * image.height() / image.width());
      const double w = h * image.width() / image.height();
      r.drawImage(image, QRectF(r.tabs()[i].left + 0.1, rowTop, w, h));
      rowBottom = std::max(rowBottom, rowTop + h);
    }
    picturesDrawn_ = true;
  }
  if (s_.grid) {
    for (const TabStop& t : r.tabs()) {
      for (double x : {t.left, t.left + t.width}) {
        r.moveTo(x, rowTop);
        r.lineTo(x, rowBottom);
      }
    }
    if (!r.tabs().empty()) {
      r.moveTo(r.tabs().front().left, rowBottom);
      r.lineTo(r.tabs().back().left + r.tabs().back().width, rowBottom);
    }
  }
  r.setYPos(rowBottom);
  ++progress_;
  if (unfinished) return false;
  src_.next();
  picturesDrawn_ = false;
  return true;
}

bool ReportJob::columnsPage() {
  PageRenderer& r = *r_;
  setStatus(QStringLiteral("Printing Report Page"));
  if (r.pageNumber() == 1) columnWidths();
  if (cols_.empty()) return false;
  headerRow();
  pageTop_ = r.yPos();  // where the page's first row starts
  dataTabs();
  while (!totalsPrinted_ && r.linesLeft() > 0 && !src_.atEnd())
    if (!columnsRow()) return true;
  if (!src_.atEnd()) return true;
  if (!s_.totals) return false;
  if (r.linesLeft() == 0) return true;
  totalsPrinted_ = true;
  r.setFont({s_.font.name, s_.font.size, uint8_t(s_.font.style | kBold)});
  r.restartTabs();
  for (size_t i = 0; i < cols_.size(); ++i) {
    const Column& c = cols_[i];
    if (c.kind == FieldKind::Numeric)
      r.print(QStringLiteral("\t") + reportNumberText(c.total));
    else if (i == 0)
      r.print(QStringLiteral("\tTotals:"));
    else
      r.tab();
  }
  if (s_.grid && !r.tabs().empty()) {
    const double bottom = r.yPos() + r.lineHeight();
    r.moveTo(r.tabs().front().left, bottom);
    r.lineTo(r.tabs().back().left + r.tabs().back().width, bottom);
  }
  r.lineEnd();
  r.setFont(s_.font);
  ++progress_;
  s_.totals = false;
  return false;
}

bool ReportJob::recordPage() {
  PageRenderer& r = *r_;
  setStatus(QStringLiteral("Printing Report Page"));
  if (r.pageNumber() == 1) {
    labelWidth_ = 0;
    for (const QString& caption : src_.captions())
      labelWidth_ = std::max(labelWidth_, r.textWidth(caption));
    labelWidth_ += 0.1;
  }
  for (; current_ < cols_.size(); ++current_) {
    if (r.linesLeft() == 0) return true;
    bool full = false;
    rowsField(cols_[current_], &full);
    if (full) return true;
  }
  return false;
}
