#include "book/keytable.h"

void KeyTable::add(int key, Qt::KeyboardModifiers mods, std::function<void()> run) {
  rows_.push_back({key, key, mods, [run = std::move(run)](int) { run(); }});
}

void KeyTable::addRange(int firstKey, int lastKey, Qt::KeyboardModifiers mods,
                        std::function<void(int offset)> run) {
  rows_.push_back({firstKey, lastKey, mods, std::move(run)});
}

const KeyBinding* KeyTable::find(int key, Qt::KeyboardModifiers mods) const {
  mods &= kCountedMods;
  for (const KeyBinding& row : rows_)
    if (row.mods == mods && key >= row.firstKey && key <= row.lastKey) return &row;
  return nullptr;
}

bool KeyTable::dispatch(int key, Qt::KeyboardModifiers mods) const {
  const KeyBinding* row = find(key, mods);
  if (!row) return false;
  if (row->run) row->run(key - row->firstKey);
  return true;
}
