#pragma once

// Named, saved layouts: header layouts (*.hdr) and filters (*.flt). Each list
// keeps its template names with the file, in HomeDir, that holds the layout.

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class HeaderLayout;

struct Template {
  QString name;      // unique in its list, letter case counts
  QString fileName;  // at most 12 characters, no directory
};

class TemplateList {
 public:
  static constexpr int kMaxNumber = 32000;  // "tml" numbers run 1..32000
  static constexpr int kMaxFileNameChars = 12;

  virtual ~TemplateList() = default;
  TemplateList(const TemplateList&) = delete;
  TemplateList& operator=(const TemplateList&) = delete;

  // The three operations each kind supplies.
  virtual QString extension() const = 0;
  virtual bool saveCurrent(const QString& path) = 0;
  virtual bool loadCurrent(const QString& path) = 0;
  // Name of the list file in HomeDir.
  virtual QString listFileName() const = 0;

  int count() const { return static_cast<int>(items_.size()); }
  const Template& at(int i) const { return *items_.at(static_cast<size_t>(i)); }
  QStringList names() const;

  // Frees all templates, then reads the list file as far as it is sound.
  void loadList(const QString& path);
  // Throws dbase::Error when the file cannot be written.
  void saveList(const QString& path) const;
  // The list file in HomeDir; saving skips silently when it cannot be written.
  void loadFromHome();
  bool saveToHome() const;

  // False for a name already in the list or one the list file cannot hold,
  // when no file name is free, or when the layout could not be saved.
  bool addTemplate(const QString& name);
  bool applyTemplate(const QString& name);
  // Removes the template and deletes its file; an index out of range does nothing.
  void deleteTemplate(int index);
  std::optional<int> indexOfName(const QString& name) const;

  // "tml" + the smallest number whose name no template uses; empty when none.
  QString freeFileName() const;

  QByteArray encode() const;
  // Replaces the list with what the bytes hold, as far as they are sound.
  bool decode(const QByteArray& bytes, const QString& source = {});

 protected:
  TemplateList() = default;

 private:
  std::vector<std::unique_ptr<Template>> items_;
};

// Header layouts: save and load act on the header attached just before.
class HeaderTemplateList : public TemplateList {
 public:
  HeaderTemplateList() = default;

  void attach(HeaderLayout* header, const QStringList* labels) {
    header_ = header;
    labels_ = labels;
  }
  HeaderLayout* attached() const { return header_; }

  QString extension() const override { return QStringLiteral(".hdr"); }
  QString listFileName() const override { return QStringLiteral("headers.tml"); }
  bool saveCurrent(const QString& path) override;
  bool loadCurrent(const QString& path) override;

 private:
  HeaderLayout* header_ = nullptr;  // not owned
  const QStringList* labels_ = nullptr;
};

// Filters: the filter code fills in how the current filter is saved and loaded.
class FilterTemplateList : public TemplateList {
 public:
  FilterTemplateList() = default;

  std::function<bool(const QString& path)> saveFilter;
  std::function<bool(const QString& path)> loadFilter;

  QString extension() const override { return QStringLiteral(".flt"); }
  QString listFileName() const override { return QStringLiteral("filters.tml"); }
  bool saveCurrent(const QString& path) override { return saveFilter && saveFilter(path); }
  bool loadCurrent(const QString& path) override { return loadFilter && loadFilter(path); }
};

// The two lists of the run.
HeaderTemplateList& headerTemplates();
FilterTemplateList& filterTemplates();
// Creates both lists and hooks them into start-up (loaded after the user
// options) and the exit handler (saved). Call once before start-up.
void installTemplateLists();
