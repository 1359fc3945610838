#pragma once

// The column layout of the table-of-contents header, without any widget: the
// sections with their captions, widths and tag words, and every rule that
// decides what a press, a drop, a resize or a menu choice does to them.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <vector>

#include "core/settings.h"

inline constexpr uint16_t kNoField = 0xFFFF;  // a caption that matches no label
inline constexpr int kBorderSlop = 4;         // presses this close to a border resize
inline constexpr int kMinLeftWidth = 4;       // a resize never leaves the left neighbour narrower
inline constexpr int kMinSplitWidth = 20;     // narrowest column that making room may halve
inline constexpr int kNoCanvasWidth = 75;     // new section width when captions cannot be measured
inline constexpr int kCaptionPadding = 8;
// Sanity limits for reading damaged files.
inline constexpr int kMaxSections = 256;
inline constexpr int kMaxSectionWidth = 32767;

inline constexpr char kHeaderFileName[] = "header.dat";

// header.dat in HomeDir, which the views load when created and save when closed.
QString headerFilePath();

struct HeaderSection {
  QString caption;
  int width = 0;     // stored width; for the last section see THeaderLayout::width
  uint32_t tag = 0;  // low word: percent of the outer width; high word: label position

  uint16_t percent() const { return static_cast<uint16_t>(tag & 0xFFFF); }
  uint16_t field() const { return static_cast<uint16_t>(tag >> 16); }
  void setPercent(uint16_t p) { tag = (tag & 0xFFFF0000u) | p; }
  void setField(uint16_t f) { tag = (static_cast<uint32_t>(f) << 16) | (tag & 0xFFFFu); }
};

// What a left press at x starts.
struct HitResult {
  enum Kind { Nothing, Resize, Drag } kind = Nothing;
  int section = -1;
};

// The field items of the pop-up menu: labels that no column shows, labels that
// a column shows.
struct FieldMenu {
  struct Item {
    QString caption;
    int labelPos;
  };
  std::vector<Item> insert;
  std::vector<Item> remove;
  bool removeEnabled = false;
};

class HeaderLayout {
 public:
  using CaptionWidth = std::function<int(const QString&)>;

  HeaderLayout() = default;

  // Widths of the control: client (inside its frame) gives the last section's
  // remainder, outer is what percentages are taken of.
  void setClientWidth(int w) { clientWidth_ = w; }
  void setOuterWidth(int w) { outerWidth_ = w; }
  int clientWidth() const { return clientWidth_; }
  int outerWidth() const { return outerWidth_; }
  // Measures a caption in the control's font; unset, new sections get 75.
  void setCaptionWidth(CaptionWidth measure) { measure_ = std::move(measure); }

  int count() const { return static_cast<int>(sections_.size()); }
  const HeaderSection& section(int i) const { return sections_.at(static_cast<size_t>(i)); }
  QString caption(int i) const { return section(i).caption; }
  // The shown width: the stored one, or for the last section the client width
  // minus all others (negative when the others are wider than the control).
  int width(int i) const;
  // Right edge of section i, from the left of the client area.
  int rightEdge(int i) const;
  void setWidth(int i, int w) { sections_.at(static_cast<size_t>(i)).width = w; }

  void clear() { sections_.clear(); }
  // Appends a section whose width is its caption's width plus padding.
  void addSection(const QString& caption);
  void removeSection(int i);
  // Takes section `from` out and puts it back at index `to`; like a new
  // section it gets its caption width, but its tag word is kept.
  void moveSection(int from, int to);

  uint16_t columnPercent(int i);
  uint16_t columnField(int i) const;
  void setField(int i, uint16_t labelPos) {
    sections_.at(static_cast<size_t>(i)).setField(labelPos);
  }

  void recomputePercents();
  // Gives the last section, just inserted, some width when it has none.
  void makeRoom();

  // The user's gestures.
  HitResult hitTest(int x) const;
  // Section whose right edge is at or beyond x; -1 when none.
  int dropTarget(int x) const;
  // Moves `dragged` to the drop target; false when nothing changed.
  bool drop(int dragged, int x);
  // The width section s takes when a resize asks for `wanted`: at least 4,
  // and no more than leaves the last column 4 wide.
  int resizeWidth(int s, int wanted) const;
  void afterResize(int s);
  // False when the header is already overfull and nothing was inserted.
  bool insertField(const QString& label, int labelPos);
  // Removes the section with that caption (letter case ignored).
  bool removeField(const QString& caption);

  FieldMenu fieldMenu(const QStringList& labels, const FieldSet& memoFields,
                      const FieldSet& blobFields, int firstUserField) const;

  // Captions follow the labels at their stored positions; widths stay.
  void refreshCaptions(const QStringList& labels);
  // Sets every section's field position from its caption.
  void matchFields(const QStringList& labels);

  // File form: list start, caption and width per section, list end.
  QByteArray encode() const;
  // Clears, then reads as far as the bytes are sound; true when the whole list
  // was read. Does not add defaults or match fields.
  bool decode(const QByteArray& bytes, const QString& source = {});

  // Clears and reads a header file; adds the two default columns when nothing
  // was read, matches fields and recomputes percentages. True when the whole
  // list was read.
  bool loadFromFile(const QString& path, const QStringList& labels);
  // Throws dbase::Error when the file cannot be written.
  bool saveToFile(const QString& path) const;

 private:
  int newSectionWidth(const QString& caption) const;

  std::vector<HeaderSection> sections_;
  int clientWidth_ = 0;
  int outerWidth_ = 0;
  bool makingRoom_ = false;  // set only while the layout is recomputed after an insert
  CaptionWidth measure_;
};

// Index of a label, letter case ignored; -1 when none.
int findLabel(const QStringList& labels, const QString& caption);
