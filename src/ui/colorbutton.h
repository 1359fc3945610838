#pragma once

#include <QColor>
#include <QWidget>

// A flat owner-drawn button with its own normal and selected colours. With
// StayDown a click leaves it down, and among the buttons of one parent only
// the last one selected stays down (the letter tabs). The parent's selected
// button is kept by a small hidden group object that is a child of the parent.
class ColorButton : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QColor TextColor READ textColor WRITE setTextColor)
  Q_PROPERTY(QColor BgndColor READ bgndColor WRITE setBgndColor)
  Q_PROPERTY(QColor SelTextColor READ selTextColor WRITE setSelTextColor)
  Q_PROPERTY(QColor SelBgndColor READ selBgndColor WRITE setSelBgndColor)
  Q_PROPERTY(bool IsDefault READ isDefault WRITE setIsDefault)
  Q_PROPERTY(bool StayDown READ stayDown WRITE setStayDown)
  Q_PROPERTY(bool Selected READ selected WRITE setSelected)
  Q_PROPERTY(QString Caption READ caption WRITE setCaption)

 public:
  explicit ColorButton(QWidget* parent = nullptr);

  QColor textColor() const { return textColor_; }
  QColor bgndColor() const { return bgndColor_; }
  QColor selTextColor() const { return selTextColor_; }
  QColor selBgndColor() const { return selBgndColor_; }
  bool isDefault() const { return isDefault_; }
  bool stayDown() const { return stayDown_; }
  bool selected() const { return selected_; }
  QString caption() const { return caption_; }

  void setTextColor(const QColor& c);
  void setBgndColor(const QColor& c);
  void setSelTextColor(const QColor& c);
  void setSelBgndColor(const QColor& c);
  void setIsDefault(bool on);
  void setStayDown(bool on);
  // Selecting releases the button of the same parent that was selected before.
  void setSelected(bool on);
  void setCaption(const QString& text);

  // A tab stop takes the focus on a press and from the Tab key.
  void setTabStop(bool on);
  bool tabStop() const;

  bool isPressed() const { return pressed_; }

  QSize sizeHint() const override { return {260, 23}; }

 signals:
  void clicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void changeEvent(QEvent* event) override;

  // Pressed look: shown while pressed, or down as a selected StayDown button.
  bool looksPressed() const;
  QColor effectiveTextColor() const;
  QColor effectiveBgndColor() const;
  // Draws what sits on the face; the plain button draws its caption.
  virtual void paintContent(QPainter& painter, bool pressedLook);

 private:
  void click();
  void release();
  template <typename T>
  void change(T& member, const T& value);
  bool isActionKey(int key) const;

  QColor textColor_{Qt::black};
  QColor bgndColor_{0xC0, 0xC0, 0xC0};
  QColor selTextColor_{Qt::black};
  QColor selBgndColor_{0xC0, 0xC0, 0xC0};
  bool isDefault_ = false;
  bool stayDown_ = false;
  bool selected_ = false;
  QString caption_;

  bool pressed_ = false;
  bool leftPress_ = false;  // the press came from the left mouse button
};
