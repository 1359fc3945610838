#include "ui/helpbook.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTextDocumentFragment>
#include <algorithm>

namespace {

QString readText(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(f.readAll());
}

QStringList lines(const QString& path) {
  QStringList out;
  for (QString line : readText(path).split(QLatin1Char('\n'))) {
    const qsizetype hash = line.indexOf(QLatin1Char('#'));
    if (hash >= 0) line.truncate(hash);
    if (!line.trimmed().isEmpty()) out << line;
  }
  return out;
}

QString firstMatch(const QString& html, const QRegularExpression& re) {
  const auto m = re.match(html);
  return m.hasMatch() ? m.captured(1).trimmed() : QString();
}

}  // namespace

QMap<int, QString> readHelpContexts(const QString& path, QString* error) {
  QMap<int, QString> map;
  if (!QFileInfo::exists(path)) {
    if (error) *error = QStringLiteral("%1 is missing.").arg(QDir::toNativeSeparators(path));
    return map;
  }
  for (const QString& line : lines(path)) {
    const QStringList parts = line.simplified().split(QLatin1Char(' '));
    bool ok = false;
    const int context = parts.value(0).toInt(&ok);
    if (!ok || parts.size() != 2) {
      if (error) *error = QStringLiteral("Bad line in %1: %2").arg(path, line);
      continue;
    }
    map.insert(context, parts[1]);
  }
  return map;
}

QString helpDirectory(const QString& programDir) {
  const QString own = QDir(programDir).filePath(QStringLiteral("help"));
  if (!programDir.isEmpty() && QFileInfo(own).isDir()) return own;
  return QDir::cleanPath(QCoreApplication::applicationDirPath() +
                         QStringLiteral("/../share/tomekeeper/help"));
}

bool HelpBook::load(const QString& dir) {
  *this = HelpBook();
  dir_ = dir;
  if (!QFileInfo(dir).isDir()) {
    error_ =
        QStringLiteral("The help folder %1 cannot be found.").arg(QDir::toNativeSeparators(dir));
    return false;
  }
  const QDir d(dir);
  contexts_ = readHelpContexts(d.filePath(QStringLiteral("contexts.txt")), &error_);
  if (contexts_.isEmpty()) {
    if (error_.isEmpty()) error_ = QStringLiteral("The help has no pages.");
    return false;
  }
  error_.clear();

  static const QRegularExpression titleRe(QStringLiteral("<title>(.*?)</title>"),
                                          QRegularExpression::DotMatchesEverythingOption);
  static const QRegularExpression keywordsRe(
      QStringLiteral("<meta\\s+name=\"keywords\"\\s+content=\"([^\"]*)\""));
  static const QRegularExpression bodyRe(QStringLiteral("<body[^>]*>(.*)</body>"),
                                         QRegularExpression::DotMatchesEverythingOption);
  QMap<QString, QPair<QString, QStringList>> keywords;  // lower case -> (as written, pages)
  for (const QString& file : d.entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name)) {
    const QString html = readText(d.filePath(file));
    Page page;
    page.title = QTextDocumentFragment::fromHtml(firstMatch(html, titleRe)).toPlainText();
    const QString body = firstMatch(html, bodyRe);
    page.text =
        QTextDocumentFragment::fromHtml(body.isEmpty() ? html : body).toPlainText().toLower();
    pages_.insert(file, page);
    for (const QString& k : firstMatch(html, keywordsRe).split(QLatin1Char(','))) {
      const QString word = k.trimmed();
      if (word.isEmpty()) continue;
      auto& entry = keywords[word.toLower()];
      if (entry.first.isEmpty()) entry.first = word;
      if (!entry.second.contains(file)) entry.second << file;
    }
  }
  for (const auto& entry : keywords) index_.append(entry);

  // contents.txt: one page a line, two spaces of indent a level.
  for (const QString& line : lines(d.filePath(QStringLiteral("contents.txt")))) {
    const qsizetype indent =
        line.size() - QString(line).remove(QRegularExpression(QStringLiteral("^ +"))).size();
    const QString page = line.trimmed();
    contents_.append({page, title(page), int(indent / 2)});
  }
  return true;
}

QString HelpBook::title(const QString& page) const {
  const auto it = pages_.find(page);
  return it == pages_.end() || it->title.isEmpty() ? page : it->title;
}

QStringList HelpBook::search(const QString& words) const {
  const QStringList wanted =
      words.toLower().split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
  if (wanted.isEmpty()) return {};
  QVector<QPair<int, QString>> hits;
  for (auto it = pages_.begin(); it != pages_.end(); ++it) {
    int total = 0;
    for (const QString& w : wanted) {
      const int n = int(it->text.count(w)) + 3 * int(it->title.toLower().count(w));
      if (n == 0) {
        total = 0;
        break;
      }
      total += n;
    }
    if (total > 0) hits.append({total, it.key()});
  }
  std::stable_sort(hits.begin(), hits.end(),
                   [](const auto& a, const auto& b) { return a.first > b.first; });
  QStringList out;
  for (const auto& h : hits) out << h.second;
  return out;
}
