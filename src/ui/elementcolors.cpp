#include "ui/elementcolors.h"

#include "core/settings.h"

QColor elementColor(int element) {
  const AppSettings& s = appSettings();
  if (element < 0 || element >= AppSettings::kElementCount) return Qt::black;
  const int index = s.elementColors[element] % AppSettings::kPaletteSize;
  const Rgb c = AppSettings::Palette[index];
  return QColor(c.red, c.green, c.blue);
}
