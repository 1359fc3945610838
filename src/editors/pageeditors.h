#pragma once

#include <QByteArray>
#include <QFrame>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "pagefields.h"

// The editors of a record page until the date, currency, lookup and picture
// controls have their own: a line edit that knows its field kind, a memo and
// a picture box. Each carries its 1-based field number as the "Tag" property.

class TPageEdit : public QLineEdit {
  Q_OBJECT

 public:
  TPageEdit(TEditorKind kind, QWidget* parent);
  TEditorKind Kind() const { return kind_; }
  int HelpContext = 0;
  // Currency editors show their value as ",0.00" when it reads as a number.
  void Reformat();

 protected:
  void focusOutEvent(QFocusEvent* event) override;

 private:
  TEditorKind kind_;
};

class TMemoEdit : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit TMemoEdit(QWidget* parent);
  int HelpContext = 101;
};

// Shows the picture field's image; holds its bytes unchanged.
class TPictureBox : public QFrame {
  Q_OBJECT

 public:
  explicit TPictureBox(QWidget* parent);
  int HelpContext = 102;
  const QByteArray& Picture() const { return bytes_; }
  void SetPicture(const QByteArray& bytes);
  void Clear() { SetPicture({}); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QByteArray bytes_;
  QPixmap pixmap_;
};

// Text of any page editor ("" for a picture box) and setting it.
QString EditorText(const QWidget* editor);
void SetEditorText(QWidget* editor, const QString& text);
void ClearEditor(QWidget* editor);
