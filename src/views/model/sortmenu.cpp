#include "sortmenu.h"

#include "labels.h"

namespace {

bool InSet(const TFieldSet& set, int field) {
  return field >= 0 && field < static_cast<int>(set.size()) && set.test(field);
}

bool IsUserField(const TSortMenuContext& ctx, int field) {
  return field >= ctx.firstUserField && field < ctx.firstUserField + ctx.labels.size();
}

int FieldOfTag(const TSortMenuContext& ctx, int tag) { return ctx.firstUserField + tag - 1; }

int TagOfField(const TSortMenuContext& ctx, int field) {
  return IsUserField(ctx, field) ? field - ctx.firstUserField + 1 : 0;
}

bool BothStringFields(const TSortMenuContext& ctx, const TSortFields& s) {
  return IsUserField(ctx, s.FirstField) && IsUserField(ctx, s.SecondField) &&
         InSet(ctx.stringFields, s.FirstField) && InSet(ctx.stringFields, s.SecondField);
}

// Two string keys share one direction in the index, so the second follows.
void SecondFollowsFirst(const TSortMenuContext& ctx, TSortFields& s) {
  if (BothStringFields(ctx, s)) s.SecondDescending = s.FirstDescending;
}

bool ValidTag(const TSortMenuContext& ctx, int tag) { return tag >= 0 && tag <= ctx.labels.size(); }

bool Sortable(const TSortMenuContext& ctx, int field) {
  return !InSet(ctx.memoFields, field) && !InSet(ctx.blobFields, field);
}

TDirectionEntries Directions(bool descending) {
  TDirectionEntries d;
  d.ascending.checked = !descending;
  d.descending.checked = descending;
  return d;
}

}  // namespace

TSortMenuContext CurrentSortMenuContext(const TSortFields& sort, const QString& label1,
                                        const QString& label2, bool isDown1, bool isDown2) {
  const TAppSettings& s = AppSettings();
  TSortMenuContext ctx;
  ctx.labels = Labels();
  ctx.stringFields = s.StringFields;
  ctx.memoFields = s.MemoFields;
  ctx.blobFields = s.BlobFields;
  ctx.firstUserField = s.FirstUserField;
  ctx.sort = sort;
  ctx.label1 = label1;
  ctx.label2 = label2;
  ctx.isDown1 = isDown1;
  ctx.isDown2 = isDown2;
  return ctx;
}

std::vector<TMenuEntry> FirstFieldEntries(const TSortMenuContext& ctx) {
  const int ticked = TagOfField(ctx, ctx.sort.FirstField);
  std::vector<TMenuEntry> out;
  out.push_back({QString::fromLatin1(kEntryOrderLabel), 0, true, ticked == 0});
  for (int k = 0; k < ctx.labels.size(); ++k) {
    const int tag = k + 1;
    out.push_back({ctx.labels[k], tag, Sortable(ctx, FieldOfTag(ctx, tag)), ticked == tag});
  }
  return out;
}

TDirectionEntries FirstDirectionEntries(const TSortMenuContext& ctx) {
  return Directions(ctx.isDown1);
}

TSecondMenu SecondFieldMenu(const TSortMenuContext& ctx) {
  TSecondMenu m;
  const int ticked = TagOfField(ctx, ctx.sort.SecondField);
  const int first = IsUserField(ctx, ctx.sort.FirstField) ? ctx.sort.FirstField : kNoSortField;
  m.fields.push_back({QString::fromLatin1(kNoneLabel), 0, true, ticked == 0});
  for (int k = 0; k < ctx.labels.size(); ++k) {
    const int tag = k + 1;
    const int field = FieldOfTag(ctx, tag);
    m.fields.push_back({ctx.labels[k], tag, Sortable(ctx, field) && field != first, ticked == tag});
  }
  m.directions = Directions(ctx.isDown2);
  m.directionSubmenuEnabled = ctx.label2 != QLatin1String(kNoneLabel);
  if (ctx.label1 == QLatin1String(kEntryOrderLabel)) {
    m.fieldSubmenuEnabled = false;
    m.directionSubmenuEnabled = false;
  }
  if (BothStringFields(ctx, ctx.sort)) {
    m.directions.ascending.enabled = m.directions.ascending.checked;
    m.directions.descending.enabled = m.directions.descending.checked;
  }
  return m;
}

std::optional<TSortFields> ChooseFirstField(const TSortMenuContext& ctx, int tag) {
  if (!ValidTag(ctx, tag) || tag == TagOfField(ctx, ctx.sort.FirstField)) return std::nullopt;
  TSortFields s = ctx.sort;
  if (tag == 0) {
    s.FirstField = kNoSortField;
    s.SecondField = kNoSortField;
  } else {
    const int field = FieldOfTag(ctx, tag);
    if (!Sortable(ctx, field)) return std::nullopt;
    s.FirstField = field;
    if (s.SecondField == field) s.SecondField = kNoSortField;
  }
  SecondFollowsFirst(ctx, s);
  return s;
}

std::optional<TSortFields> ChooseFirstDirection(const TSortMenuContext& ctx, bool descending) {
  if (descending == ctx.isDown1) return std::nullopt;  // already ticked
  TSortFields s = ctx.sort;
  s.FirstDescending = !s.FirstDescending;
  SecondFollowsFirst(ctx, s);
  return s;
}

std::optional<TSortFields> ChooseSecondField(const TSortMenuContext& ctx, int tag) {
  const TSecondMenu menu = SecondFieldMenu(ctx);
  if (!menu.fieldSubmenuEnabled || !ValidTag(ctx, tag) || !menu.fields[tag].enabled) {
    return std::nullopt;
  }
  TSortFields s = ctx.sort;
  s.SecondField = tag == 0 ? kNoSortField : FieldOfTag(ctx, tag);
  SecondFollowsFirst(ctx, s);
  return s;
}

std::optional<TSortFields> ChooseSecondDirection(const TSortMenuContext& ctx, bool descending) {
  if (ctx.label2 == QLatin1String(kNoneLabel) || descending == ctx.isDown2) return std::nullopt;
  const TSecondMenu menu = SecondFieldMenu(ctx);
  const TMenuEntry& item = descending ? menu.directions.descending : menu.directions.ascending;
  if (!menu.directionSubmenuEnabled || !item.enabled) return std::nullopt;
  TSortFields s = ctx.sort;
  s.SecondDescending = !s.SecondDescending;
  return s;
}

QString FilterStateCaption(int state) {
  switch (state) {
    case fsNormal: return QStringLiteral("Normal Filter");
    case fsReversed: return QStringLiteral("Reversed Filter");
    default: return QStringLiteral("All Records");
  }
}

TFilterMenu FilterMenu(int filterState, const QStringList& templateNames) {
  TFilterMenu m;
  m.states = {{QStringLiteral("&All Records"), fsFilterOff},
              {QStringLiteral("&Normal Filter"), fsNormal},
              {QStringLiteral("&Reversed Filter"), fsReversed}};
  for (TMenuEntry& e : m.states) e.enabled = e.tag != filterState;
  for (int i = 0; i < templateNames.size(); ++i) {
    m.loadTemplates.push_back({templateNames[i], i});
    m.deleteTemplates.push_back({templateNames[i], i});
  }
  m.loadSubmenuEnabled = m.deleteSubmenuEnabled = !templateNames.isEmpty();
  return m;
}
