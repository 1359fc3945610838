#include "viewcolors.h"

#include "settings.h"

QColor ElementColor(int element) {
  const TAppSettings& s = AppSettings();
  if (element < 0 || element >= TAppSettings::kElementCount) return Qt::black;
  const int index = s.ElementColors[element] % TAppSettings::kPaletteSize;
  const TRgb c = TAppSettings::Palette[index];
  return QColor(c.red, c.green, c.blue);
}
