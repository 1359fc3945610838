// Whole families of files (.dbf, .mdx, .dbt): delete, copy, rename.

#include "dbase/table.h"

#include <fcntl.h>

#include <algorithm>
#include <cstring>

#include "dbase/dbf.h"
#include "dbase/fileutil.h"
#include "dbase/lock.h"
#include "dbase/memo.h"

namespace dbase {

namespace {

struct Family {
  std::string dbf, mdx, dbt;
  bool hasMdx = false, hasDbt = false;
};

Family familyOf(const std::string& dbfPath) {
  Family f;
  f.dbf = dbfPath;
  f.mdx = companionPath(dbfPath, ".mdx", &f.hasMdx);
  f.dbt = companionPath(dbfPath, ".dbt", &f.hasDbt);
  return f;
}

// Fails unless nobody has the table open; the returned descriptor keeps it so.
File claimTable(const std::string& dbfPath) {
  File f = File::open(dbfPath, O_RDWR);
  if (!tryLock(f.fd(), kOpenLockOffset, 1, LockKind::Write))
    throw LockError(dbfPath, "table is in use by another user");
  return f;
}

// The base name inside the memo and index headers follows the table's name.
void renameInside(const Family& f, const std::string& base) {
  std::string upper = toUpper(base);
  if (f.hasDbt) {
    File dbt = File::open(f.dbt, O_RDWR);
    std::string name(kDbtBaseNameSize, '\0');
    std::memcpy(name.data(), upper.data(), std::min(upper.size(), kDbtBaseNameSize));
    if (dbt.size() >= kDbtHeaderSize) dbt.writeAt(kDbtBaseName, name);
  }
  if (f.hasMdx) {
    constexpr size_t kMdxTableName = 4, kMdxTableNameSize = 16;
    File mdx = File::open(f.mdx, O_RDWR);
    std::string name(kMdxTableNameSize, '\0');
    std::memcpy(name.data(), upper.data(), std::min(upper.size(), kMdxTableNameSize - 1));
    if (mdx.size() >= 512) mdx.writeAt(kMdxTableName, name);
  }
}

Family targetFamily(const std::string& target, const Family& source) {
  Family t;
  t.dbf = target;
  t.mdx = companionPath(target, ".mdx", nullptr);
  t.dbt = companionPath(target, ".dbt", nullptr);
  t.hasMdx = source.hasMdx;
  t.hasDbt = source.hasDbt;
  return t;
}

}  // namespace

void Table::deleteTable(const std::string& path) {
  auto found = resolveFile(path);
  if (!found) throw Error(path, "table not found");
  File claim = claimTable(*found);
  Family f = familyOf(*found);
  if (f.hasMdx) removeFile(f.mdx);
  if (f.hasDbt) removeFile(f.dbt);
  removeFile(f.dbf);
  syncDirectory(dirName(*found));
}

void Table::copyTable(const std::string& source, const std::string& target, bool overwrite) {
  auto found = resolveFile(source);
  if (!found) throw Error(source, "table not found");
  if (auto existing = resolveFile(target)) {
    if (!overwrite) throw Error(*existing, "table already exists");
    deleteTable(*existing);
  }
  Family src = familyOf(*found);
  Family dst = targetFamily(target, src);
  // Hold a shared open lock so no one packs the source while we copy.
  File hold = File::open(src.dbf, O_RDONLY);
  if (!tryLock(hold.fd(), kOpenLockOffset, 1, LockKind::Read))
    throw LockError(src.dbf, "table is open exclusively by another user");
  try {
    copyFile(src.dbf, dst.dbf);
    if (src.hasDbt) copyFile(src.dbt, dst.dbt);
    if (src.hasMdx) copyFile(src.mdx, dst.mdx);
    renameInside(dst, baseName(dst.dbf));
  } catch (...) {
    removeFile(dst.dbf);
    if (src.hasDbt) removeFile(dst.dbt);
    if (src.hasMdx) removeFile(dst.mdx);
    throw;
  }
  syncDirectory(dirName(dst.dbf));
}

void Table::renameTable(const std::string& from, const std::string& to) {
  auto found = resolveFile(from);
  if (!found) throw Error(from, "table not found");
  if (auto existing = resolveFile(to)) {
    if (*existing != *found) throw Error(*existing, "table already exists");
  }
  File claim = claimTable(*found);
  Family src = familyOf(*found);
  Family dst = targetFamily(to, src);
  // Companions first: the .dbf is what makes the new name a table.
  if (src.hasDbt) replaceFile(src.dbt, dst.dbt);
  if (src.hasMdx) replaceFile(src.mdx, dst.mdx);
  replaceFile(src.dbf, dst.dbf);
  renameInside(dst, baseName(dst.dbf));
}

}  // namespace dbase
