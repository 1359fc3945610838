#pragma once

// The interface colours: color.lst (the 27 palette indexes of a database
// directory) and the named schemes of color_t.tml (docs/formats/colors.md).
// Widget-free.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/settings.h"

namespace colors {

using Scheme = std::array<uint8_t, AppSettings::kElementCount>;

inline constexpr char kColorFileName[] = "color.lst";
inline constexpr char kTemplateFileName[] = "color_t.tml";
inline constexpr int kMaxNameBytes = 255;

// The element names as the options dialog lists them, in element order.
const QStringList& elementNames();

Scheme defaultScheme();
Scheme schemeOf(const AppSettings& settings);
void setScheme(AppSettings& settings, const Scheme& scheme);
// Every entry names a palette colour.
bool isSound(const Scheme& scheme);
// The scheme itself, or the defaults for one that names no palette colour.
Scheme soundOrDefault(const Scheme& scheme);

// color.lst: exactly 27 bytes, each 0..15; anything else is damaged.
std::optional<Scheme> decodeColors(const QByteArray& bytes);
enum class LoadState { Read, Missing, Damaged };
// A missing file leaves `into` as it is; a damaged one gives the defaults.
LoadState loadColors(const QString& path, Scheme& into);
bool saveColors(const QString& path, const Scheme& scheme);
// color.lst of the database directory into the settings, as a view is built.
void loadDatabaseColors();

struct ColorRec {
  QString name;
  Scheme colors{};
};

// Named schemes, unique by exact name, in file order.
class ColorList {
 public:
  int count() const { return static_cast<int>(items_.size()); }
  const ColorRec& at(int i) const { return items_.at(static_cast<size_t>(i)); }
  QStringList names() const;

  // False for an empty or taken name, or one the file cannot hold.
  bool add(const QString& name, const Scheme& colors);
  int find(const QString& name) const;  // -1 when absent
  void remove(int index);               // out of range: nothing

  QByteArray encode() const;
  // The templates before the first damaged byte; false when the stream was
  // not whole.
  bool decode(const QByteArray& bytes);
  // A file that cannot be opened gives an empty list.
  bool load(const QString& path);
  bool save(const QString& path) const;

 private:
  std::vector<ColorRec> items_;
};

// color_t.tml of HomeDir.
QString templatePath();

}  // namespace colors
