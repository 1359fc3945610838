#include "query/sort/sortmenu.h"

#include "core/labels.h"

namespace {

bool inSet(const FieldSet& set, int field) {
  return field >= 0 && field < static_cast<int>(set.size()) && set.test(field);
}

bool isUserField(const SortMenuContext& ctx, int field) {
  return field >= ctx.firstUserField && field < ctx.firstUserField + ctx.labels.size();
}

int fieldOfTag(const SortMenuContext& ctx, int tag) { return ctx.firstUserField + tag - 1; }

int tagOfField(const SortMenuContext& ctx, int field) {
  return isUserField(ctx, field) ? field - ctx.firstUserField + 1 : 0;
}

bool bothStringFields(const SortMenuContext& ctx, const SortFields& s) {
  return isUserField(ctx, s.firstField) && isUserField(ctx, s.secondField) &&
         inSet(ctx.stringFields, s.firstField) && inSet(ctx.stringFields, s.secondField);
}

// Two string keys share one direction in the index, so the second follows.
void secondFollowsFirst(const SortMenuContext& ctx, SortFields& s) {
  if (bothStringFields(ctx, s)) s.secondDescending = s.firstDescending;
}

bool validTag(const SortMenuContext& ctx, int tag) { return tag >= 0 && tag <= ctx.labels.size(); }

bool sortable(const SortMenuContext& ctx, int field) {
  return !inSet(ctx.memoFields, field) && !inSet(ctx.blobFields, field);
}

DirectionEntries directions(bool descending) {
  DirectionEntries d;
  d.ascending.checked = !descending;
  d.descending.checked = descending;
  return d;
}

}  // namespace

SortMenuContext currentSortMenuContext(const SortFields& sort, const QString& firstLabel,
                                       const QString& secondLabel, bool firstArrowDown,
                                       bool secondArrowDown) {
  const AppSettings& s = appSettings();
  SortMenuContext ctx;
  ctx.labels = labels();
  ctx.stringFields = s.stringFields;
  ctx.memoFields = s.memoFields;
  ctx.blobFields = s.blobFields;
  ctx.firstUserField = s.firstUserField;
  ctx.sort = sort;
  ctx.firstLabel = firstLabel;
  ctx.secondLabel = secondLabel;
  ctx.firstArrowDown = firstArrowDown;
  ctx.secondArrowDown = secondArrowDown;
  return ctx;
}

std::vector<MenuEntry> firstFieldEntries(const SortMenuContext& ctx) {
  const int ticked = tagOfField(ctx, ctx.sort.firstField);
  std::vector<MenuEntry> out;
  out.push_back({QString::fromLatin1(kEntryOrderLabel), 0, true, ticked == 0});
  for (int k = 0; k < ctx.labels.size(); ++k) {
    const int tag = k + 1;
    out.push_back({ctx.labels[k], tag, sortable(ctx, fieldOfTag(ctx, tag)), ticked == tag});
  }
  return out;
}

DirectionEntries firstDirectionEntries(const SortMenuContext& ctx) {
  return directions(ctx.firstArrowDown);
}

SecondMenu secondFieldMenu(const SortMenuContext& ctx) {
  SecondMenu m;
  const int ticked = tagOfField(ctx, ctx.sort.secondField);
  const int first = isUserField(ctx, ctx.sort.firstField) ? ctx.sort.firstField : kNoSortField;
  m.fields.push_back({QString::fromLatin1(kNoneLabel), 0, true, ticked == 0});
  for (int k = 0; k < ctx.labels.size(); ++k) {
    const int tag = k + 1;
    const int field = fieldOfTag(ctx, tag);
    m.fields.push_back({ctx.labels[k], tag, sortable(ctx, field) && field != first, ticked == tag});
  }
  m.directions = directions(ctx.secondArrowDown);
  m.directionSubmenuEnabled = ctx.secondLabel != QLatin1String(kNoneLabel);
  if (ctx.firstLabel == QLatin1String(kEntryOrderLabel)) {
    m.fieldSubmenuEnabled = false;
    m.directionSubmenuEnabled = false;
  }
  if (bothStringFields(ctx, ctx.sort)) {
    m.directions.ascending.enabled = m.directions.ascending.checked;
    m.directions.descending.enabled = m.directions.descending.checked;
  }
  return m;
}

std::optional<SortFields> chooseFirstField(const SortMenuContext& ctx, int tag) {
  if (!validTag(ctx, tag) || tag == tagOfField(ctx, ctx.sort.firstField)) return std::nullopt;
  SortFields s = ctx.sort;
  if (tag == 0) {
    s.firstField = kNoSortField;
    s.secondField = kNoSortField;
  } else {
    const int field = fieldOfTag(ctx, tag);
    if (!sortable(ctx, field)) return std::nullopt;
    s.firstField = field;
    if (s.secondField == field) s.secondField = kNoSortField;
  }
  secondFollowsFirst(ctx, s);
  return s;
}

std::optional<SortFields> chooseFirstDirection(const SortMenuContext& ctx, bool descending) {
  if (descending == ctx.firstArrowDown) return std::nullopt;  // already ticked
  SortFields s = ctx.sort;
  s.firstDescending = !s.firstDescending;
  secondFollowsFirst(ctx, s);
  return s;
}

std::optional<SortFields> chooseSecondField(const SortMenuContext& ctx, int tag) {
  const SecondMenu menu = secondFieldMenu(ctx);
  if (!menu.fieldSubmenuEnabled || !validTag(ctx, tag) || !menu.fields[tag].enabled) {
    return std::nullopt;
  }
  SortFields s = ctx.sort;
  s.secondField = tag == 0 ? kNoSortField : fieldOfTag(ctx, tag);
  secondFollowsFirst(ctx, s);
  return s;
}

std::optional<SortFields> chooseSecondDirection(const SortMenuContext& ctx, bool descending) {
  if (ctx.secondLabel == QLatin1String(kNoneLabel) || descending == ctx.secondArrowDown)
    return std::nullopt;
  const SecondMenu menu = secondFieldMenu(ctx);
  const MenuEntry& item = descending ? menu.directions.descending : menu.directions.ascending;
  if (!menu.directionSubmenuEnabled || !item.enabled) return std::nullopt;
  SortFields s = ctx.sort;
  s.secondDescending = !s.secondDescending;
  return s;
}

QString filterStateCaption(int state) {
  switch (state) {
    case fsNormal:
      return QStringLiteral("Normal Filter");
    case fsReversed:
      return QStringLiteral("Reversed Filter");
    default:
      return QStringLiteral("All Records");
  }
}

FilterMenu filterMenu(int filterState, const QStringList& templateNames) {
  FilterMenu m;
  m.states = {{QStringLiteral("&All Records"), fsFilterOff},
              {QStringLiteral("&Normal Filter"), fsNormal},
              {QStringLiteral("&Reversed Filter"), fsReversed}};
  for (MenuEntry& e : m.states) e.enabled = e.tag != filterState;
  for (int i = 0; i < templateNames.size(); ++i) {
    m.loadTemplates.push_back({templateNames[i], i});
    m.deleteTemplates.push_back({templateNames[i], i});
  }
  m.loadSubmenuEnabled = m.deleteSubmenuEnabled = !templateNames.isEmpty();
  return m;
}
