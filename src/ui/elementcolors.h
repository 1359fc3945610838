#pragma once

#include <QColor>

// The palette colour that a colour element (0..26) selects.
QColor elementColor(int element);
