#pragma once

#include <QDialog>
#include <QImage>
#include <QPixmap>
#include <QPoint>

// The full-screen selection of a screen capture: shows a frozen picture of
// the primary screen and lets the user drag a rectangle over it; the
// rectangle's content is the captured picture.
class CaptureForm : public QDialog {
  Q_OBJECT

 public:
  // Takes the picture of the screen now; `screenShot` stands in for it when
  // given (tests).
  explicit CaptureForm(const QPixmap& screenShot = QPixmap());
  // Empty until a selection of some width and height was made.
  const QImage& captured() const { return captured_; }
  const QPixmap& screenShot() const { return screen_; }
  QRect selection() const;

 protected:
  void showEvent(QShowEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QPixmap screen_;
  QImage captured_;
  bool selecting_ = false;
  QPoint start_;
  QPoint end_;
};

// The window a capture hides carries this tag meanwhile: its show and
// activation handling then leave the page as it is.
constexpr int kCapturingTag = 1000;
bool isCapturing(const QWidget* window);
