#include "prefs/colorscheme.h"

#include <QFile>
#include <QSaveFile>

#include "core/filetext.h"

namespace colors {

namespace {

constexpr uint8_t kListStart = 0x01;
constexpr uint8_t kListEnd = 0x00;
// A few hundred schemes at most; a larger file is not ours.
constexpr qint64 kMaxFileBytes = 1024 * 1024;

std::optional<QByteArray> readSmall(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly) || f.size() > kMaxFileBytes) return std::nullopt;
  return f.readAll();
}

bool writeWhole(const QString& path, const QByteArray& bytes) {
  QSaveFile f(path);
  return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.commit();
}

}  // namespace

const QStringList& elementNames() {
  static const QStringList names = {"TofC - Record Button Text",
                                    "TofC - Record Button Background",
                                    "TofC - Selected Record Button Text",
                                    "TofC - Selected Record Button Background",
                                    "TofC - Not Empty Letter Tab Text",
                                    "TofC - Not Empty Letter Tab Background",
                                    "TofC - Empty Letter Tab Text",
                                    "TofC - Empty Letter Tab Background",
                                    "TofC - Selected Letter Tab Text",
                                    "TofC - Selected Letter Tab Background",
                                    "TofC - Labels Text",
                                    "TofC - Labels Background",
                                    "TofC - Pages",
                                    "TofC - Speed Bar",
                                    "TofC - Window Background",
                                    "DW   - Text Fields Text",
                                    "DW   - Text Fields Background",
                                    "DW   - Multi-line Fields Text",
                                    "DW   - Multi-line Fields Background",
                                    "DW   - Labels Text",
                                    "DW   - Labels Background",
                                    "DW   - Currency Text (>0)",
                                    "DW   - Currency Text (<0)",
                                    "DW   - Currency Background",
                                    "DW   - Pages",
                                    "DW   - Speed Bar",
                                    "DW   - Window Background"};
  return names;
}

Scheme defaultScheme() { return schemeOf(AppSettings{}); }

Scheme schemeOf(const AppSettings& settings) {
  Scheme s{};
  std::copy(std::begin(settings.elementColors), std::end(settings.elementColors), s.begin());
  return s;
}

void setScheme(AppSettings& settings, const Scheme& scheme) {
  std::copy(scheme.begin(), scheme.end(), std::begin(settings.elementColors));
}

bool isSound(const Scheme& scheme) {
  return std::all_of(scheme.begin(), scheme.end(),
                     [](uint8_t c) { return c < AppSettings::kPaletteSize; });
}

Scheme soundOrDefault(const Scheme& scheme) { return isSound(scheme) ? scheme : defaultScheme(); }

std::optional<Scheme> decodeColors(const QByteArray& bytes) {
  if (bytes.size() != AppSettings::kElementCount) return std::nullopt;
  Scheme s{};
  for (int i = 0; i < AppSettings::kElementCount; ++i) s[i] = static_cast<uint8_t>(bytes[i]);
  if (!isSound(s)) return std::nullopt;
  return s;
}

LoadState loadColors(const QString& path, Scheme& into) {
  if (!QFile::exists(path)) return LoadState::Missing;
  const auto bytes = readSmall(path);
  const auto scheme = bytes ? decodeColors(*bytes) : std::nullopt;
  if (!scheme) {
    into = defaultScheme();
    return LoadState::Damaged;
  }
  into = *scheme;
  return LoadState::Read;
}

bool saveColors(const QString& path, const Scheme& scheme) {
  return writeWhole(path, QByteArray(reinterpret_cast<const char*>(scheme.data()),
                                     static_cast<qsizetype>(scheme.size())));
}

void loadDatabaseColors() {
  AppSettings& s = appSettings();
  Scheme scheme = schemeOf(s);
  loadColors(joinPath(s.databaseDir, kColorFileName), scheme);
  setScheme(s, scheme);
}

QStringList ColorList::names() const {
  QStringList out;
  for (const ColorRec& r : items_) out << r.name;
  return out;
}

bool ColorList::add(const QString& name, const Scheme& colors) {
  if (name.isEmpty() || name.size() > kMaxNameBytes || !fitsFileText(name) || find(name) >= 0)
    return false;
  items_.push_back({name, colors});
  return true;
}

int ColorList::find(const QString& name) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].name == name) return static_cast<int>(i);
  return -1;
}

void ColorList::remove(int index) {
  if (index >= 0 && index < count()) items_.erase(items_.begin() + index);
}

QByteArray ColorList::encode() const {
  QByteArray out;
  out.append(static_cast<char>(kListStart));
  for (const ColorRec& r : items_) {
    const QByteArray name = toFileText(r.name).left(kMaxNameBytes);
    out.append(static_cast<char>(name.size()));
    out.append(name);
    out.append(reinterpret_cast<const char*>(r.colors.data()),
               static_cast<qsizetype>(r.colors.size()));
  }
  out.append(static_cast<char>(kListEnd));
  return out;
}

bool ColorList::decode(const QByteArray& bytes) {
  items_.clear();
  if (bytes.isEmpty() || static_cast<uint8_t>(bytes[0]) != kListStart) return false;
  qsizetype pos = 1;
  const qsizetype schemeBytes = AppSettings::kElementCount;
  while (pos < bytes.size()) {
    const auto n = static_cast<uint8_t>(bytes[pos]);
    if (n == kListEnd) return true;  // a name is never empty, so 00 ends the list
    if (pos + 1 + n + schemeBytes > bytes.size()) return false;
    ColorRec r;
    r.name = fromFileText(QByteArrayView(bytes).sliced(pos + 1, n));
    for (int i = 0; i < schemeBytes; ++i)
      r.colors[i] = static_cast<uint8_t>(bytes[pos + 1 + n + i]);
    pos += 1 + n + schemeBytes;
    // A repeated name is a damaged file: the first one stands.
    if (find(r.name) < 0) items_.push_back(std::move(r));
  }
  return false;
}

bool ColorList::load(const QString& path) {
  const auto bytes = readSmall(path);
  if (!bytes) {
    items_.clear();
    return false;
  }
  return decode(*bytes);
}

bool ColorList::save(const QString& path) const { return writeWhole(path, encode()); }

QString templatePath() { return joinPath(appSettings().homeDir, kTemplateFileName); }

}  // namespace colors
