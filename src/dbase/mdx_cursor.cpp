#include "dbase/keys.h"
#include "dbase/mdx_impl.h"

// Ordered walks over one tag.

namespace dbase {

using namespace mdx;

// ---- Cursor ----

struct MdxFile::Cursor::State {
  MdxFile::Impl* f = nullptr;
  std::string tagName;
  int tag = 0;
  Path path;
  bool valid = false;
  uint64_t generation = 0;
  std::string key;  // copy of the current entry: survives updates of the page
  uint32_t recno = 0;

  const Tag& t() const { return f->tags[static_cast<size_t>(tag)]; }

  void capture() {
    if (!valid) return;
    const Level& l = path.back();
    Node n = f->node(t(), l);
    key.assign(n.key(l.idx));
    recno = n.ptr(l.idx);
  }

  void begin() {
    if (generation != f->generation) {
      tag = f->findTag(tagName);
      if (tag < 0) throw Error(f->path, "tag " + tagName + " was removed");
      generation = f->generation;
    }
  }

  // After the file changed under us: back to the current entry or the one after it.
  // Returns true when the current entry itself is still there.
  bool resync() {
    if (generation == f->generation) return true;
    begin();
    if (!valid) return false;
    f->seekPath(t(), path, key, recno, false);
    valid = f->normalizeForward(t(), path);
    if (!valid) return false;
    const Level& l = path.back();
    Node n = f->node(t(), l);
    return n.ptr(l.idx) == recno && compareKeys(t().type, n.key(l.idx), key) == 0;
  }

  bool landed(bool ok) {
    valid = ok;
    capture();
    return valid;
  }

  void checkOrder(int expectedSign) {
    const Level& l = path.back();
    Node n = f->node(t(), l);
    const int c = Impl::entryCmp(t(), n.key(l.idx), n.ptr(l.idx), key, recno, false);
    // A sound tag never holds one (key, record) twice: a repeat means a damaged tree.
    if (c == 0 || (c > 0) != (expectedSign > 0))
      f->fail("tag " + t().name + ": keys out of order near page " + std::to_string(l.page));
  }
};

MdxFile::Cursor::Cursor(MdxFile& file, int tag) : s_(std::make_unique<State>()) {
  s_->f = file.impl_.get();
  s_->tagName = s_->f->tag(tag).name;
  s_->tag = tag;
  s_->generation = s_->f->generation;
}

MdxFile::Cursor::~Cursor() = default;

bool MdxFile::Cursor::first() {
  s_->begin();
  s_->f->rootPath(s_->t(), s_->path, true);
  return s_->landed(s_->f->normalizeForward(s_->t(), s_->path));
}

bool MdxFile::Cursor::last() {
  s_->begin();
  s_->f->rootPath(s_->t(), s_->path, false);
  return s_->landed(s_->f->stepBack(s_->t(), s_->path));
}

bool MdxFile::Cursor::next() {
  if (!s_->valid) return false;
  if (!s_->resync()) return s_->landed(s_->valid);
  ++s_->path.back().idx;
  if (!s_->f->normalizeForward(s_->t(), s_->path)) return s_->landed(false);
  s_->checkOrder(1);
  return s_->landed(true);
}

bool MdxFile::Cursor::prev() {
  if (!s_->valid) return false;
  s_->resync();
  if (!s_->valid) s_->f->rootPath(s_->t(), s_->path, false);  // it was the last entry
  if (!s_->f->stepBack(s_->t(), s_->path)) return s_->landed(false);
  s_->checkOrder(-1);
  return s_->landed(true);
}

bool MdxFile::Cursor::seek(std::string_view key, uint32_t recno, bool prefix) {
  s_->begin();
  s_->f->seekPath(s_->t(), s_->path, key, recno, prefix);
  return s_->landed(s_->f->normalizeForward(s_->t(), s_->path));
}

bool MdxFile::Cursor::valid() const { return s_->valid; }
std::string_view MdxFile::Cursor::key() const { return s_->key; }
uint32_t MdxFile::Cursor::recno() const { return s_->recno; }

uint64_t MdxFile::Cursor::position() {
  State& s = *s_;
  if (!s.valid) return s.f->subtreeCount(s.t(), s.t().root(), 0);
  if (!s.resync() && !s.valid) return s.f->subtreeCount(s.t(), s.t().root(), 0);
  // The whole tag counted in one walk, rather than one walk per subtree below.
  s.f->subtreeCount(s.t(), s.t().root(), 0);
  uint64_t pos = 0;
  for (size_t l = 0; l + 1 < s.path.size(); ++l) {
    Node n = s.f->node(s.t(), s.path[l]);
    for (int i = 0; i < s.path[l].idx; ++i)
      pos += s.f->subtreeCount(s.t(), n.ptr(i), static_cast<int>(l) + 1);
  }
  return pos + static_cast<uint64_t>(s.path.back().idx);
}

bool MdxFile::Cursor::goToPosition(uint64_t index) {
  State& s = *s_;
  s.begin();
  Impl& f = *s.f;
  const Tag& t = s.t();
  f.subtreeCount(t, t.root(), 0);
  s.path.clear();
  f.push(t, s.path, t.root());
  for (;;) {
    Level& lv = s.path.back();
    Node n = f.node(t, lv);
    if (n.leaf()) {
      if (index >= static_cast<uint64_t>(n.count())) return s.landed(false);
      lv.idx = static_cast<int>(index);
      return s.landed(true);
    }
    int i = 0;
    for (; i <= n.count(); ++i) {
      const uint64_t c = f.subtreeCount(t, n.ptr(i), static_cast<int>(s.path.size()));
      if (index < c) break;
      index -= c;
    }
    if (i > n.count()) return s.landed(false);
    lv.idx = i;
    f.push(t, s.path, n.ptr(i));
  }
}

}  // namespace dbase
