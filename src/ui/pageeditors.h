#pragma once

#include <QByteArray>
#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "store/pagevalues.h"

// The editors of a record page until the date, currency, lookup and picture
// controls have their own: a line edit that knows its field kind, a memo and
// a picture box. Each carries its 1-based field number as the "Tag" property.

class PageEdit : public QLineEdit {
  Q_OBJECT

 public:
  PageEdit(EditorKind kind, QWidget* parent);
  EditorKind kind() const { return kind_; }
  int helpContext = 0;
  // Currency editors show their value as ",0.00" when it reads as a number.
  void reformat();

 protected:
  void focusOutEvent(QFocusEvent* event) override;

 private:
  EditorKind kind_;
};

class MemoEdit : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit MemoEdit(QWidget* parent);
  int helpContext = 101;
};

// Shows the picture field's image; holds its bytes unchanged.
class PictureBox : public QFrame {
  Q_OBJECT

 public:
  explicit PictureBox(QWidget* parent);
  int helpContext = 102;
  const QByteArray& picture() const { return bytes_; }
  void setPicture(const QByteArray& bytes);
  void clear() { setPicture({}); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QByteArray bytes_;
  QPixmap pixmap_;
};

// Selects `length` characters of a memo from `start`, both as the editor
// counts (cut to its text), and scrolls the selection into view.
void selectMemoText(QPlainTextEdit* memo, int start, int length);

// Whether `focus` is a multi-line editor that takes this key for itself
// (Ctrl+End, Ctrl+Home, Ctrl+Delete ...): a window's own keys then wait.
bool multiLineEditorKey(QWidget* focus, const QKeyEvent& key);

// Text of any page editor ("" for a picture box) and setting it.
QString editorText(const QWidget* editor);
void setEditorText(QWidget* editor, const QString& text);
void clearEditor(QWidget* editor);
