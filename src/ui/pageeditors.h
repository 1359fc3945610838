#pragma once

#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "store/pagevalues.h"

// The plain editors of a record page: a text edit and a memo (dates and
// amounts have a DateEdit and a CurrencyEdit, the picture a BmpControl). Each carries its
// 1-based field number as the "Tag" property.

class PageEdit : public QLineEdit {
  Q_OBJECT

 public:
  explicit PageEdit(QWidget* parent);
  int helpContext = 0;
};

class MemoEdit : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit MemoEdit(QWidget* parent);
  int helpContext = 101;
};

// Selects `length` characters of a memo from `start`, both as the editor
// counts (cut to its text), and scrolls the selection into view.
void selectMemoText(QPlainTextEdit* memo, int start, int length);

// Whether `focus` is a multi-line editor that takes this key for itself
// (Ctrl+End, Ctrl+Home, Ctrl+Delete ...): a window's own keys then wait.
bool multiLineEditorKey(QWidget* focus, const QKeyEvent& key);

// The line of a text editor: the edit itself, or the edit of an editable
// combo box (a lookup); nothing for other editors.
QLineEdit* lineEditOf(QWidget* editor);
const QLineEdit* lineEditOf(const QWidget* editor);

// Text of any page editor ("" for a picture control) and setting it. A date edit
// gives its date as the record pages write dates ("" when blank, its text as
// typed when that is no date); a currency edit the amount its text reads as.
// Text a date or currency edit cannot take (a table whose field holds
// something else) is shown read-only and read back as it was, so it is never
// written back changed.
QString editorText(const QWidget* editor);
void setEditorText(QWidget* editor, const QString& text);
void clearEditor(QWidget* editor);
// Base and text colour in every state; a currency edit keeps its sign colours
// (elements 21 and 22) unless it is in use.
void setEditorColors(QWidget* editor, const QColor& base, const QColor& text, bool inUse);
// The help context given to an editor at creation.
int editorHelpContext(const QWidget* editor);
