#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

// The help pages shipped with the program: which page answers each help
// context, the contents tree, the keyword index and a full-text search.
// Widget-free, so the rules are tested without a window.

// contexts.txt: one "<context> <page>" a line; "#" starts a comment.
QMap<int, QString> readHelpContexts(const QString& path, QString* error = nullptr);

// The help folder: <program dir>/help, else the installed one beside the binary.
QString helpDirectory(const QString& programDir);

class HelpBook {
 public:
  struct Entry {
    QString page;
    QString title;
    int level = 0;
  };

  // False (with error()) when the folder or its context map is missing.
  bool load(const QString& dir);
  const QString& error() const { return error_; }
  const QString& dir() const { return dir_; }

  // Empty when no page answers the context.
  QString pageFor(int context) const { return contexts_.value(context); }
  const QMap<int, QString>& contexts() const { return contexts_; }
  const QVector<Entry>& contents() const { return contents_; }
  // Keyword (as written) to the pages that carry it, sorted without case.
  const QVector<QPair<QString, QStringList>>& index() const { return index_; }
  QString title(const QString& page) const;
  // Pages holding every word, most hits first.
  QStringList search(const QString& words) const;

 private:
  struct Page {
    QString title;
    QString text;  // lower case, tags removed
  };
  QString dir_, error_;
  QMap<int, QString> contexts_;
  QVector<Entry> contents_;
  QVector<QPair<QString, QStringList>> index_;
  QMap<QString, Page> pages_;
};
