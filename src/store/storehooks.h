#pragma once

#include <functional>

namespace dbase {
class Table;
}

// Where the views and the filter hang their own operations into the record
// table. Every hook may be left empty.
struct StoreHooks {
  // The current view shows the records again (a new sort was applied).
  std::function<void()> indexChanged;
  // The database became read-only while open: caption and controls follow.
  std::function<void()> accessChanged;
  // A letter tab's count changed: recolour it (index 0 = "A").
  std::function<void(int letter)> recolourTab;
  // Hourglass on (true) or the normal cursor back (false).
  std::function<void(bool busy)> busyCursor;
  // Clear the filter list; load it from the user's filter file.
  std::function<void()> clearFilterList;
  std::function<void()> loadFilterFile;
  // A record of the record table is about to be saved: the filter marks it.
  std::function<void(dbase::Table&)> beforePost;
};

StoreHooks& storeHooks();

// Calls a hook when it is set.
template <class F, class... A>
void callHook(const F& hook, A&&... args) {
  if (hook) hook(std::forward<A>(args)...);
}
