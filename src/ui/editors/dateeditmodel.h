#pragma once

#include <QDate>
#include <QString>

// What a masked date edit holds and how keys change it, without a widget: the
// text always has the mask's length, "_" in each empty digit place and "/" at
// each separator; the caret counts characters from 0 (before the first).
class DateEditModel {
 public:
  // The format of the date format setting: 0 "mm/dd/yyyy", 1 "dd/mm/yyyy",
  // 2 "yyyy/mm/dd"; empty for any other value.
  static QString formatForSetting(int setting);
  // Digits and backspace; anything else is refused.
  static bool isValidChar(QChar c);

  DateEditModel() { clear(); }

  const QString& text() const { return text_; }
  const QString& format() const { return format_; }
  int caret() const { return caret_; }
  int maskLength() const { return static_cast<int>(format_.size()); }
  bool isBlank() const;
  bool isSeparator(int index) const;  // 0-based character index

  // The edit blanked: "_" everywhere but the separators.
  void clear();
  // Typing (caret rules included). Return whether the text changed.
  bool typeDigit(QChar digit);
  bool backspace();
  // Blanks the character right of the caret; the caret stays.
  bool blankRight();
  // Each character of a paste as if typed; other characters are dropped.
  bool typeText(const QString& text);

  void home() { caret_ = 0; }
  void end() { caret_ = maskLength(); }
  void left();
  void right();
  // The caret placed by the mouse at `position` (the end of the selection).
  void placeCaret(int position);

  // Leading "_" of each group that already holds a digit become "0"
  // (_5/_3/1997 gives 05/03/1997, 5_/03/1997 stays). Whether anything changed.
  bool zeroFillGroups();
  // Blank or a date once the groups are zero-filled (which may change the text).
  bool validate();

  // The date shown, read as leaving would (groups zero-filled); invalid when
  // blank or no date.
  QDate dateValue() const;
  void setDateValue(const QDate& date);
  // Writing the text: empty blanks the edit, text that is no date leaves the
  // previous text. Whether the new text was taken.
  bool setText(const QString& text);
  // The date re-expressed in `format` (one of the six edit formats).
  void setFormat(const QString& format);

  // The text parsed with `format` (groups of digits in its order); invalid when it is no date.
  static QDate parse(const QString& text, const QString& format);
  static QString formatDate(const QDate& date, const QString& format);

  // The undo copy: the text as it was on entry or before the last Clear.
  const QString& undoCopy() const { return undo_; }
  bool undoEnabled() const { return undoEnabled_; }
  void enter();  // caret 0, undo copy = text
  // Leaving: whether the text validates; "Undo" is enabled when it changed.
  bool leave();
  void noteTyped() { undoEnabled_ = undoEnabled_ || text_ != undo_; }
  // Menu items.
  void undo();
  void clearKeepingUndo();

 private:
  QString format_;
  QString text_;
  QString undo_;
  int caret_ = 0;
  bool undoEnabled_ = false;
};
