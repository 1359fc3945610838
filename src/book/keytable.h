#pragma once

#include <QtCore/qnamespace.h>
#include <functional>
#include <initializer_list>
#include <vector>

// One row of a view's keys: a key, or a run of keys (A..Z, F6..F8), with
// exactly these modifiers. `run` gets the key's place in the run (0 for the
// first key).
struct KeyBinding {
  int firstKey = 0;
  int lastKey = 0;
  Qt::KeyboardModifiers mods;
  std::function<void(int offset)> run;
};

// The keys a window answers itself, before the focused control sees them.
// Only Ctrl, Alt and Shift count; the first row that matches wins.
class KeyTable {
 public:
  static constexpr Qt::KeyboardModifiers kCountedMods{Qt::ControlModifier | Qt::AltModifier |
                                                      Qt::ShiftModifier};

  // A single key.
  void add(int key, Qt::KeyboardModifiers mods, std::function<void()> run);
  // A run of keys from `firstKey` to `lastKey`.
  void addRange(int firstKey, int lastKey, Qt::KeyboardModifiers mods,
                std::function<void(int offset)> run);

  // The matching row, or nullptr.
  const KeyBinding* find(int key, Qt::KeyboardModifiers mods) const;
  // Runs the matching row; false when the key is not in the table.
  bool dispatch(int key, Qt::KeyboardModifiers mods) const;
  size_t size() const { return rows_.size(); }

 private:
  std::vector<KeyBinding> rows_;
};
