#include "templatelist.h"

#include <QFile>
#include <QSet>

#include "headerlayout.h"
#include "labels.h"
#include "runtime.h"
#include "settings.h"
#include "valuestream.h"

namespace {

// A file name from a list file must stay a plain name inside HomeDir, since
// deleting a template deletes that file.
bool PlainFileName(const QString& name) {
  return !name.isEmpty() && name.size() <= TTemplateList::kMaxFileNameChars &&
         !name.contains(u'/') && !name.contains(u'\\') && !name.contains(u':') &&
         name != QStringLiteral(".") && name != QStringLiteral("..");
}

QString HomePath(const QString& fileName) { return JoinPath(AppSettings().HomeDir, fileName); }

}  // namespace

QStringList TTemplateList::names() const {
  QStringList out;
  for (const auto& t : items_) out << t->name;
  return out;
}

std::optional<int> TTemplateList::IndexOfName(const QString& name) const {
  for (int i = 0; i < count(); ++i)
    if (at(i).name == name) return i;
  return std::nullopt;
}

QString TTemplateList::FreeFileName() const {
  QSet<QString> used;
  for (const auto& t : items_) used.insert(t->fileName);
  for (int n = 1; n <= kMaxNumber; ++n) {
    const QString name =
        (QStringLiteral("tml") + QString::number(n) + extension()).left(kMaxFileNameChars);
    if (!used.contains(name)) return name;
  }
  return {};
}

bool TTemplateList::AddTemplate(const QString& name) {
  if (IndexOfName(name)) return false;
  const QString fileName = FreeFileName();
  if (fileName.isEmpty()) return false;
  if (!saveCurrent(HomePath(fileName))) return false;
  items_.push_back(std::make_unique<TTemplate>(TTemplate{name, fileName}));
  return true;
}

bool TTemplateList::ApplyTemplate(const QString& name) {
  const auto index = IndexOfName(name);
  if (!index) return false;
  return loadCurrent(HomePath(at(*index).fileName));
}

void TTemplateList::DeleteTemplate(int index) {
  if (index < 0 || index >= count()) return;
  const QString fileName = at(index).fileName;
  items_.erase(items_.begin() + index);
  QFile::remove(HomePath(fileName));  // already gone is fine
}

QByteArray TTemplateList::Encode() const {
  valuestream::TValueWriter w;
  w.listStart();
  for (const auto& t : items_) {
    w.string(t->name);
    w.string(t->fileName);
  }
  w.listEnd();
  return w.data();
}

bool TTemplateList::Decode(const QByteArray& bytes, const QString& source) {
  items_.clear();
  valuestream::TValueReader r(bytes, source);
  try {
    r.listStart();
    while (!r.atListEnd()) {
      if (count() >= kMaxNumber) return false;
      QString name = r.string();
      QString fileName = r.string();
      if (!PlainFileName(fileName)) return false;
      items_.push_back(std::make_unique<TTemplate>(TTemplate{std::move(name), std::move(fileName)}));
    }
    return true;
  } catch (const valuestream::TStreamError&) {
    return false;
  }
}

void TTemplateList::LoadList(const QString& path) {
  items_.clear();
  if (auto bytes = valuestream::ReadFileBounded(path)) Decode(*bytes, path);
}

void TTemplateList::SaveList(const QString& path) const {
  valuestream::WriteFileOrThrow(path, Encode());
}

void TTemplateList::LoadFromHome() { LoadList(HomePath(listFileName())); }

bool TTemplateList::SaveToHome() const {
  try {
    SaveList(HomePath(listFileName()));
    return true;
  } catch (const dbase::Error&) {
    return false;  // the exit handler has nobody to tell
  }
}

bool THeaderTemplateList::saveCurrent(const QString& path) {
  return header_ && header_->SaveToFile(path);
}

bool THeaderTemplateList::loadCurrent(const QString& path) {
  if (!header_) return false;
  return header_->LoadFromFile(path, labels_ ? *labels_ : Labels());
}

THeaderTemplateList& HeaderTemplates() {
  static THeaderTemplateList list;
  return list;
}

TFilterTemplateList& FilterTemplates() {
  static TFilterTemplateList list;
  return list;
}

void InstallTemplateLists() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  HeaderTemplates();
  FilterTemplates();
  RunObjects().afterUserOptions.push_back([] {
    FilterTemplates().LoadFromHome();
    HeaderTemplates().LoadFromHome();
  });
  RunObjects().atExit.push_back([] {
    if (AppSettings().HomeDir.isEmpty()) return;
    HeaderTemplates().SaveToHome();
    FilterTemplates().SaveToHome();
  });
}
