#include "ui/captureform.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QVariant>

#include "ui/editors/picturemodel.h"

CaptureForm::CaptureForm(const QPixmap& screenShot) : QDialog(nullptr), screen_(screenShot) {
  setObjectName(QStringLiteral("CaptureForm"));
  setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Dialog);
  setAttribute(Qt::WA_QuitOnClose, false);
  setModal(true);
  setCursor(Qt::CrossCursor);
  QScreen* screen = QGuiApplication::primaryScreen();
  if (screen_.isNull() && screen) screen_ = screen->grabWindow(0);
  const QRect area =
      screen ? screen->geometry() : QRect(QPoint(), screen_.deviceIndependentSize().toSize());
  // Off screen until shown, so it never hides what is being taken.
  setGeometry(area.translated(0, -area.height()));
}

void CaptureForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  QScreen* screen = QGuiApplication::primaryScreen();
  setGeometry(screen ? screen->geometry() : QRect(QPoint(), screen_.size()));
  raise();
  activateWindow();
}

QRect CaptureForm::selection() const { return picture::selectionRect(start_, end_); }

void CaptureForm::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.drawPixmap(rect(), screen_);
  if (!selecting_) return;
  // A dotted frame that shows on any picture.
  p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  p.setPen(QPen(Qt::white, 1, Qt::DotLine));
  p.drawRect(selection());
}

void CaptureForm::mousePressEvent(QMouseEvent* event) {
  start_ = end_ = event->position().toPoint();
  selecting_ = true;
  update();
}

void CaptureForm::mouseMoveEvent(QMouseEvent* event) {
  if (!selecting_) return;
  end_ = event->position().toPoint();
  update();
}

void CaptureForm::mouseReleaseEvent(QMouseEvent* event) {
  if (!selecting_) return;
  selecting_ = false;
  end_ = event->position().toPoint();
  unsetCursor();
  const QRect area = selection();
  if (area.width() >= 1 && area.height() >= 1) {
    // The screen picture may have more pixels than the form has points.
    const double ratio = width() > 0 ? double(screen_.width()) / width() : 1.0;
    const QRect pixels(QPoint(qRound(area.x() * ratio), qRound(area.y() * ratio)),
                       QSize(qRound(area.width() * ratio), qRound(area.height() * ratio)));
    captured_ = screen_.copy(pixels).toImage();
  }
  accept();
}

bool isCapturing(const QWidget* window) {
  return window && window->property("Tag").toInt() == kCapturingTag;
}
