#pragma once

#include <QFont>
#include <QHash>
#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QString>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <tuple>
#include <vector>

#include "core/bulkmemory.h"

class QPagedPaintDevice;
class QTextLayout;

// Pages drawn with a text cursor, in inches from the paper's top left corner.
// Reports, the summary print and the label sheets all paint through it; the
// device is a printer, a PDF writer or a preview's printer.

// Font style bits, as report definitions store them.
enum FontStyleBit : uint8_t { kBold = 1, kItalic = 2, kUnderline = 4, kStrikeOut = 8 };

struct FontSpec {
  QString name = QStringLiteral("Arial");
  int size = 10;      // points
  uint8_t style = 0;  // FontStyleBit set
};

enum class Justify { Left, Center, Right };
enum BoxLine : uint8_t { kBoxLeft = 1, kBoxRight = 2, kBoxTop = 4, kBoxBottom = 8, kBoxAll = 15 };

struct PaperSetup {
  double width = 8.5;  // inches, as the paper is held in portrait
  double height = 11;
  bool landscape = false;
  // Whole-page margins, inches; the text area lies inside them.
  double left = 1, right = 1, top = 1, bottom = 1;
  // Standard paper when the size is one (printers pick their tray by it).
  QPageSize::PageSizeId standard = QPageSize::Custom;
};

// One tab stop: a cell of `width` inches at `left`.
struct TabStop {
  double left = 0;
  double width = 0;
  Justify justify = Justify::Left;
  uint8_t boxLines = 0;
  double margin = 0;  // inner margin, inches
};

class PageRenderer {
 public:
  // The device takes the paper of `paper` (no device margins: positions are
  // from the paper's corner). Paints nothing until begin().
  PageRenderer(QPagedPaintDevice& device, const PaperSetup& paper);
  ~PageRenderer();
  PageRenderer(const PageRenderer&) = delete;
  PageRenderer& operator=(const PageRenderer&) = delete;

  bool begin();  // false when the device cannot be painted on
  void end();
  void newPage();
  int pageNumber() const { return page_; }

  // Geometry, inches, with the orientation applied.
  double pageWidth() const;
  double pageHeight() const;
  const PaperSetup& paper() const { return paper_; }

  void setFont(const FontSpec& font);
  const FontSpec& font() const { return font_; }
  double lineHeight() const;
  // Whole lines below the cursor down to the bottom margin.
  int linesLeft() const;
  double yPos() const { return y_; }
  void setYPos(double y) { y_ = y; }
  double textWidth(const QString& text) const;
  // The same, kept with the text's shaped glyphs for drawing it: faster for
  // what is measured and then printed, or printed again and again.
  double printedWidth(const QString& text) { return shaped(text).width; }

  // Text at the cursor; tab characters move to the next tab cell. A line
  // end moves the cursor to the left margin of the next line.
  void print(const QString& text);
  void printLine(const QString& text = {});
  void lineEnd();
  void printCenter(const QString& text, double x);
  // One text on the cursor's line, left-aligned at x or right-aligned to x.
  void printLeft(const QString& text, double x);
  void printRight(const QString& text, double x);

  void clearTabs();
  // left < 0 places the tab right after the previous one (at the left margin
  // for the first).
  void setTab(double left, Justify justify, double width, uint8_t boxLines = 0, double margin = 0);
  void restartTabs();
  // An empty cell: draws its box lines and moves to the next tab.
  void tab();
  // One cell drawn on the cursor's line outside the tab sequence.
  void printCell(const TabStop& tab, const QString& text) { cell(tab, text); }
  const std::vector<TabStop>& tabs() const { return tabs_; }
  // The cell the next tab character fills; nullptr past the last.
  const TabStop* nextTab() const;

  void drawImage(const QImage& image, const QRectF& inches);
  void moveTo(double x, double y);
  void lineTo(double x, double y);

  // The painter, for drawing beyond these operations; it has the current font.
  QPainter& painter();
  double dpi() const { return dpi_; }

 private:
  double px(double inches) const { return inches * dpi_; }
  void cell(const TabStop& tab, const QString& text);
  void drawText(double x, const QString& text);
  QFont qfont(const FontSpec& spec) const;
  struct Shaped {
    std::shared_ptr<QTextLayout> layout;  // one line, from its top left; none for ""
    double width = 0;                     // inches
  };
  const Shaped& shaped(const QString& text);

  QPagedPaintDevice& device_;
  PaperSetup paper_;
  std::optional<BulkMemory> bulk_;  // while painting
  QPainter painter_;
  double dpi_ = 72;
  FontSpec font_;
  // Fonts made once per name, size and style: reports switch fonts for
  // every caption.
  struct Made {
    QFont font;
    std::unique_ptr<QFontMetricsF> metrics;
    // Texts shaped in this font; captions and repeated values are shaped
    // once rather than for every record.
    QHash<QString, Shaped> shaped;
  };
  std::map<std::tuple<QString, int, uint8_t>, Made> fonts_;
  const QFontMetricsF* metrics_ = nullptr;
  Made* made_ = nullptr;
  double y_ = 0;  // top of the cursor's line
  double x_ = 0;  // where plain text continues
  int page_ = 1;
  std::vector<TabStop> tabs_;
  size_t tabIndex_ = 0;
  QPointF pen_;
};

// Word-wrapped text between two bounds that can stop after some lines and go
// on from there later (on the next page). Positions are character offsets in
// the text; 0 is its start.
class MemoBuffer {
 public:
  static constexpr int kMaxLineChars = 2000;
  void setText(const QString& text) { text_ = text; }
  const QString& text() const { return text_; }
  void setBounds(double left, double right) { left_ = left, right_ = right; }
  int position() const { return pos_; }
  void setPosition(int pos) { pos_ = pos; }
  bool finished() const;
  // Whether the text from the position takes more than `lines` lines.
  bool moreThan(const PageRenderer& r, int lines) const;
  // Prints up to `lines` lines (all when negative) from the position and
  // moves it on; with `cell`, each line is drawn as that tab cell (its box
  // lines). Returns the lines printed.
  int printLines(PageRenderer& r, int lines, const TabStop* cell = nullptr);

 private:
  int lineCap(const PageRenderer& r) const;
  // The line starting at `from`, and where the next one starts.
  QString wrapLine(const PageRenderer& r, int from, int* next) const;

  QString text_;
  double left_ = 0, right_ = 0;
  int pos_ = 0;
};
