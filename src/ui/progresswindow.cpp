#include "ui/progresswindow.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>

#include "ui/progressbar.h"

ProgressWindow::ProgressWindow(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint),
      bar_(new ProgressBar(this)) {
  setObjectName(QStringLiteral("ProgressWindow"));
  setWindowTitle(QStringLiteral("Progress"));
  bar_->setObjectName(QStringLiteral("progressBar"));
  bar_->setGeometry(8, 8, 297, 33);
  bar_->setPercentColor(QColor(0, 0x80, 0));
  setFixedSize(313, 49);
  centreOnScreen();
}

void ProgressWindow::centreOnScreen() {
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
  }
}

WindowProgress::~WindowProgress() {
  if (cursorSet_) QApplication::restoreOverrideCursor();
}

void WindowProgress::showWindow(const QString& caption) {
  if (!dlg_) dlg_ = std::make_unique<ProgressWindow>();
  dlg_->setWindowTitle(caption);
  dlg_->progressBar()->setPercentShaded(0);
  dlg_->show();
  if (!cursorSet_) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    cursorSet_ = true;
  }
  QCoreApplication::processEvents();
}

void WindowProgress::showPercent(int percent) {
  if (!dlg_) return;
  dlg_->progressBar()->setPercentShaded(percent);
  // The pass runs in the interface thread: let pending events (paint, a stop
  // button of the caller) run after each update.
  QCoreApplication::processEvents();
}

void WindowProgress::hideWindow() {
  dlg_.reset();
  if (cursorSet_) {
    QApplication::restoreOverrideCursor();
    cursorSet_ = false;
  }
}
