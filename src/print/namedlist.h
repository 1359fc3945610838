#pragma once

#include <QByteArray>
#include <QString>
#include <utility>
#include <vector>

#include "core/valuestream.h"

// The named templates of one of the print files (report.dat, label.dat): a
// value-stream list of records, each with its `name`, writeTo() and readFrom().
template <class Rec>
class NamedList {
 public:
  int count() const { return static_cast<int>(items_.size()); }
  const Rec& at(int i) const { return items_.at(static_cast<size_t>(i)); }
  void append(const Rec& rec) { items_.push_back(rec); }
  // The first template of exactly this name (letter case counts), or -1.
  int findName(const QString& name) const {
    for (int i = 0; i < count(); ++i)
      if (at(i).name == name) return i;
    return -1;
  }
  // Indices outside the list are ignored.
  void remove(int index) {
    if (index >= 0 && index < count()) items_.erase(items_.begin() + index);
  }
  void clear() { items_.clear(); }

  QByteArray encode() const {
    valuestream::ValueWriter w;
    w.listStart();
    for (const Rec& rec : items_) rec.writeTo(w);
    w.listEnd();
    return w.data();
  }
  // Replaces the list; a damaged stream leaves it empty and throws
  // valuestream::StreamError.
  void decode(const QByteArray& bytes, const QString& source = {}) {
    items_.clear();
    try {
      valuestream::ValueReader r(bytes, source);
      r.listStart();
      while (!r.atListEnd()) {
        Rec rec;
        rec.readFrom(r);
        items_.push_back(std::move(rec));
      }
    } catch (const valuestream::StreamError&) {
      items_.clear();
      throw;
    }
  }

  // Clears the list and reads the file. On failure the list is empty and
  // `error` holds the message for the user.
  bool load(const QString& path, QString* error) {
    items_.clear();
    const auto bytes = valuestream::readFileBounded(path);
    if (!bytes) {
      if (error) *error = QStringLiteral("Cannot open file %1").arg(path);
      return false;
    }
    try {
      decode(*bytes, path);
    } catch (const valuestream::StreamError& e) {
      // A list start missing where one belongs reads as a bad value; anything
      // else as the stream running out.
      if (error)
        *error = QString::fromStdString(e.reason()).startsWith(QStringLiteral("list start"))
                     ? QStringLiteral("Invalid property value")
                     : QStringLiteral("Stream read error");
      return false;
    }
    return true;
  }
  // Writes the file whole; on failure the old file stays and `error` says why.
  bool save(const QString& path, QString* error) const {
    try {
      valuestream::writeFileOrThrow(path, encode());
    } catch (const dbase::Error&) {
      if (error) *error = QStringLiteral("Cannot create file %1").arg(path);
      return false;
    }
    return true;
  }

 private:
  std::vector<Rec> items_;
};
