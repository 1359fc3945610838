#include "core/templatelist.h"

#include <QFile>
#include <QSet>

#include "core/filetext.h"
#include "core/headerlayout.h"
#include "core/labels.h"
#include "core/runobjects.h"
#include "core/settings.h"
#include "core/valuestream.h"

namespace {

// A file name from a list file must stay a plain name inside HomeDir, since
// deleting a template deletes that file.
bool plainFileName(const QString& name) {
  return name.size() <= TemplateList::kMaxFileNameChars && isPlainFileName(name);
}

QString homePath(const QString& fileName) { return joinPath(appSettings().homeDir, fileName); }

}  // namespace

QStringList TemplateList::names() const {
  QStringList out;
  for (const auto& t : items_) out << t->name;
  return out;
}

std::optional<int> TemplateList::indexOfName(const QString& name) const {
  for (int i = 0; i < count(); ++i)
    if (at(i).name == name) return i;
  return std::nullopt;
}

QString TemplateList::freeFileName() const {
  QSet<QString> used;
  for (const auto& t : items_) used.insert(t->fileName);
  for (int n = 1; n <= kMaxNumber; ++n) {
    const QString name =
        (QStringLiteral("tml") + QString::number(n) + extension()).left(kMaxFileNameChars);
    if (!used.contains(name)) return name;
  }
  return {};
}

bool TemplateList::addTemplate(const QString& name) {
  if (indexOfName(name) || !fitsFileText(name)) return false;
  const QString fileName = freeFileName();
  if (fileName.isEmpty()) return false;
  if (!saveCurrent(homePath(fileName))) return false;
  items_.push_back(std::make_unique<Template>(Template{name, fileName}));
  return true;
}

bool TemplateList::applyTemplate(const QString& name) {
  const auto index = indexOfName(name);
  if (!index) return false;
  return loadCurrent(homePath(at(*index).fileName));
}

void TemplateList::deleteTemplate(int index) {
  if (index < 0 || index >= count()) return;
  const QString fileName = at(index).fileName;
  items_.erase(items_.begin() + index);
  QFile::remove(homePath(fileName));  // already gone is fine
}

QByteArray TemplateList::encode() const {
  valuestream::ValueWriter w;
  w.listStart();
  for (const auto& t : items_) {
    w.string(t->name);
    w.string(t->fileName);
  }
  w.listEnd();
  return w.data();
}

bool TemplateList::decode(const QByteArray& bytes, const QString& source) {
  items_.clear();
  valuestream::ValueReader r(bytes, source);
  try {
    r.listStart();
    while (!r.atListEnd()) {
      if (count() >= kMaxNumber) return false;
      QString name = r.string();
      QString fileName = r.string();
      if (!plainFileName(fileName)) return false;
      items_.push_back(std::make_unique<Template>(Template{std::move(name), std::move(fileName)}));
    }
    return true;
  } catch (const valuestream::StreamError&) {
    return false;
  }
}

void TemplateList::loadList(const QString& path) {
  items_.clear();
  if (auto bytes = valuestream::readFileBounded(path)) decode(*bytes, path);
}

void TemplateList::saveList(const QString& path) const {
  valuestream::writeFileOrThrow(path, encode());
}

void TemplateList::loadFromHome() { loadList(homePath(listFileName())); }

bool TemplateList::saveToHome() const {
  try {
    saveList(homePath(listFileName()));
    return true;
  } catch (const dbase::Error&) {
    return false;  // the exit handler has nobody to tell
  }
}

bool HeaderTemplateList::saveCurrent(const QString& path) {
  return header_ && header_->saveToFile(path);
}

bool HeaderTemplateList::loadCurrent(const QString& path) {
  if (!header_) return false;
  return header_->loadFromFile(path, labels_ ? *labels_ : labels());
}

HeaderTemplateList& headerTemplates() {
  static HeaderTemplateList list;
  return list;
}

FilterTemplateList& filterTemplates() {
  static FilterTemplateList list;
  return list;
}

void installTemplateLists() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  headerTemplates();
  filterTemplates();
  runObjects().afterUserOptions.push_back([] {
    filterTemplates().loadFromHome();
    headerTemplates().loadFromHome();
  });
  runObjects().atExit.push_back([] {
    if (appSettings().homeDir.isEmpty()) return;
    headerTemplates().saveToHome();
    filterTemplates().saveToHome();
  });
}
