#include "percentdlg.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>

#include "percent.h"

TPercentDlg::TPercentDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint),
      percent1_(new TPercent(this)) {
  setObjectName(QStringLiteral("TPercentDlg"));
  setWindowTitle(QStringLiteral("Progress"));
  percent1_->setObjectName(QStringLiteral("Percent1"));
  percent1_->setGeometry(8, 8, 297, 33);
  percent1_->setPercentColor(QColor(0, 0x80, 0));
  setFixedSize(313, 49);
  centreOnScreen();
}

void TPercentDlg::centreOnScreen() {
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
  }
}

TWindowProgress::~TWindowProgress() {
  if (cursorSet_) QApplication::restoreOverrideCursor();
}

void TWindowProgress::showWindow(const QString& caption) {
  if (!dlg_) dlg_ = std::make_unique<TPercentDlg>();
  dlg_->setWindowTitle(caption);
  dlg_->Percent1()->setPercentShaded(0);
  dlg_->show();
  if (!cursorSet_) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    cursorSet_ = true;
  }
  QCoreApplication::processEvents();
}

void TWindowProgress::showPercent(int percent) {
  if (!dlg_) return;
  dlg_->Percent1()->setPercentShaded(percent);
  // The pass runs in the interface thread: let pending events (paint, a stop
  // button of the caller) run after each update.
  QCoreApplication::processEvents();
}

void TWindowProgress::hideWindow() {
  dlg_.reset();
  if (cursorSet_) {
    QApplication::restoreOverrideCursor();
    cursorSet_ = false;
  }
}
