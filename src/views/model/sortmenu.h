#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "settings.h"

// What the sort button's menus need of the sort state. The view copies it
// from the sort state before a menu opens and copies a choice back after.
// As in the sort state, a field below FirstUserField means none (entry
// order for the first field); the menus write 0 for none.
inline constexpr int kNoSortField = 0;

struct TSortFields {
  int FirstField = kNoSortField;  // record field number
  int SecondField = kNoSortField;
  bool FirstDescending = false;
  bool SecondDescending = false;

  bool operator==(const TSortFields&) const = default;
};

// Everything the menu rules read, in plain values so they can be tested.
struct TSortMenuContext {
  QStringList labels;  // label k names user field k
  TFieldSet stringFields;
  TFieldSet memoFields;
  TFieldSet blobFields;
  int firstUserField = 2;
  TSortFields sort;
  QString label1;  // the sort button's captions and directions
  QString label2;
  bool isDown1 = false;
  bool isDown2 = false;
};

// The context of the running program: labels, field sets and FirstUserField.
TSortMenuContext CurrentSortMenuContext(const TSortFields& sort, const QString& label1,
                                        const QString& label2, bool isDown1, bool isDown2);

inline constexpr char kEntryOrderLabel[] = "Entry Order";
inline constexpr char kNoneLabel[] = "NONE";

struct TMenuEntry {
  QString text;
  int tag = 0;
  bool enabled = true;
  bool checked = false;
};

struct TDirectionEntries {
  TMenuEntry ascending{QStringLiteral("Ascending"), 0};
  TMenuEntry descending{QStringLiteral("Descending"), 1};
};

// First-field menu: "Entry Order" (tag 0) then one entry per label (tag k + 1).
std::vector<TMenuEntry> FirstFieldEntries(const TSortMenuContext& ctx);
TDirectionEntries FirstDirectionEntries(const TSortMenuContext& ctx);

// Second-field menu: "NONE" (tag 0) then one entry per label.
struct TSecondMenu {
  bool fieldSubmenuEnabled = true;
  bool directionSubmenuEnabled = true;
  std::vector<TMenuEntry> fields;
  TDirectionEntries directions;
};
TSecondMenu SecondFieldMenu(const TSortMenuContext& ctx);

// The sort state a choice leads to; nothing when the choice changes nothing
// (a ticked item, a direction menu that is not in effect).
std::optional<TSortFields> ChooseFirstField(const TSortMenuContext& ctx, int tag);
std::optional<TSortFields> ChooseFirstDirection(const TSortMenuContext& ctx, bool descending);
std::optional<TSortFields> ChooseSecondField(const TSortMenuContext& ctx, int tag);
std::optional<TSortFields> ChooseSecondDirection(const TSortMenuContext& ctx, bool descending);

// Filter states as the filter button shows them.
enum TFilterState { fsFilterOff = 0, fsNormal = 1, fsReversed = 2 };
QString FilterStateCaption(int state);

struct TFilterMenu {
  std::vector<TMenuEntry> states;  // tag = filter state
  bool loadSubmenuEnabled = false;
  bool deleteSubmenuEnabled = false;
  std::vector<TMenuEntry> loadTemplates;  // tag = position in the list
  std::vector<TMenuEntry> deleteTemplates;
};
TFilterMenu FilterMenu(int filterState, const QStringList& templateNames);

// The filter templates as the filter menu uses them; the view hands in the
// program's template list.
class TFilterTemplateAccess {
 public:
  virtual ~TFilterTemplateAccess() = default;
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
