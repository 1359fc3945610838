#include "ui/busycursor.h"

#include <QApplication>

BusyCursor::BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }

BusyCursor::~BusyCursor() {
  while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
}
