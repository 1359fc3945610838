#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "core/settings.h"

// What the sort button's menus need of the sort state. The view copies it
// from the sort state before a menu opens and copies a choice back after.
// As in the sort state, a field below FirstUserField means none (entry
// order for the first field); the menus write 0 for none.
inline constexpr int kNoSortField = 0;

struct SortFields {
  int firstField = kNoSortField;  // record field number
  int secondField = kNoSortField;
  bool firstDescending = false;
  bool secondDescending = false;

  bool operator==(const SortFields&) const = default;
};

// Everything the menu rules read, in plain values so they can be tested.
struct SortMenuContext {
  QStringList labels;  // label k names user field k
  FieldSet stringFields;
  FieldSet memoFields;
  FieldSet blobFields;
  int firstUserField = 2;
  SortFields sort;
  QString firstLabel;  // the sort buttons' captions and arrows
  QString secondLabel;
  bool firstArrowDown = false;
  bool secondArrowDown = false;
};

// The context of the running program: labels, field sets and FirstUserField.
SortMenuContext currentSortMenuContext(const SortFields& sort, const QString& firstLabel,
                                       const QString& secondLabel, bool firstArrowDown,
                                       bool secondArrowDown);

inline constexpr char kEntryOrderLabel[] = "Entry Order";
inline constexpr char kNoneLabel[] = "NONE";

struct MenuEntry {
  QString text;
  int tag = 0;
  bool enabled = true;
  bool checked = false;
};

struct DirectionEntries {
  MenuEntry ascending{QStringLiteral("Ascending"), 0};
  MenuEntry descending{QStringLiteral("Descending"), 1};
};

// First-field menu: "Entry Order" (tag 0) then one entry per label (tag k + 1).
std::vector<MenuEntry> firstFieldEntries(const SortMenuContext& ctx);
DirectionEntries firstDirectionEntries(const SortMenuContext& ctx);

// Second-field menu: "NONE" (tag 0) then one entry per label.
struct SecondMenu {
  bool fieldSubmenuEnabled = true;
  bool directionSubmenuEnabled = true;
  std::vector<MenuEntry> fields;
  DirectionEntries directions;
};
SecondMenu secondFieldMenu(const SortMenuContext& ctx);

// The sort state a choice leads to; nothing when the choice changes nothing
// (a ticked item, a direction menu that is not in effect).
std::optional<SortFields> chooseFirstField(const SortMenuContext& ctx, int tag);
std::optional<SortFields> chooseFirstDirection(const SortMenuContext& ctx, bool descending);
std::optional<SortFields> chooseSecondField(const SortMenuContext& ctx, int tag);
std::optional<SortFields> chooseSecondDirection(const SortMenuContext& ctx, bool descending);

// Filter states as the filter button shows them.
enum FilterState { fsFilterOff = 0, fsNormal = 1, fsReversed = 2 };
QString filterStateCaption(int state);

struct FilterMenu {
  std::vector<MenuEntry> states;  // tag = filter state
  bool loadSubmenuEnabled = false;
  bool deleteSubmenuEnabled = false;
  std::vector<MenuEntry> loadTemplates;  // tag = position in the list
  std::vector<MenuEntry> deleteTemplates;
};
FilterMenu filterMenu(int filterState, const QStringList& templateNames);

// The filter templates as the filter menu uses them; the view hands in the
// program's template list.
class FilterTemplateAccess {
 public:
  virtual ~FilterTemplateAccess() = default;
  virtual QStringList names() const = 0;
  // Loads the template into the current filter; false when that failed.
  virtual bool apply(const QString& name) = 0;
  virtual void remove(const QString& name) = 0;
  // Saves the current filter under a new name; false when the name is taken.
  virtual bool add(const QString& name) = 0;
};

inline constexpr char kErrorLoadingTemplate[] = "Error Loading Template.";
inline constexpr char kDuplicateTemplate[] = "Duplicate name - Template Not Saved!";
inline constexpr char kSaveTemplateCaption[] = "Save Filter As Template";
inline constexpr char kSaveTemplatePrompt[] = "Template Name:";
