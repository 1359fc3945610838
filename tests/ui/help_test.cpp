#include <gtest/gtest.h>

#include <QDialog>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/settings.h"
#include "store/pagevalues.h"
#include "support/qtapp.h"
#include "support/scriptedprompter.h"
#include "ui/editors/dateedit.h"
#include "ui/helpbook.h"
#include "ui/helpwindow.h"
#include "ui/qtprompter.h"

namespace {

const QString kSource = QStringLiteral(TOMES_SOURCE_DIR);
const QString kHelp = kSource + QStringLiteral("/help");

QString readAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// Where each help context is used: "file: context", found the ways the code
// names one.
QMap<int, QString> contextsInCode() {
  static const QRegularExpression forms[] = {
      // kHelpContext = 22, helpContext = 101, kMemoHelp = 62, kBrowserTopic = 113
      QRegularExpression(QStringLiteral("\\b\\w*(?:[Hh]elp|Topic|Context)\\w*\\s*=\\s*(\\d+)\\b")),
      // showHelpTopic(31), setHelpContext(103), showHelpTopic(5, owner)
      QRegularExpression(QStringLiteral("\\b(?:showHelpTopic|setHelpContext)\\s*\\(\\s*(\\d+)")),
      // boxes with a Help button: showMessage(kind, text, MsgButtons::OkHelp, 113)
      QRegularExpression(QStringLiteral("MsgButtons::OkHelp\\s*,\\s*(\\d+)")),
  };
  QMap<int, QString> used;
  QDirIterator it(kSource + QStringLiteral("/src"),
                  {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    const QString text = readAll(path);
    for (const QRegularExpression& re : forms)
      for (const auto& m : re.globalMatch(text))
        if (const int c = m.captured(1).toInt())
          used.insert(c, QDir(kSource).relativeFilePath(path));
  }
  // The record pages' editors take theirs from the field table.
  for (const FieldDesign& d : fieldDesigns())
    if (d.helpContext) used.insert(d.helpContext, QStringLiteral("field table"));
  return used;
}

TEST(HelpPages, EveryContextOfTheCodeHasAPageAndEveryPageAContext) {
  QString error;
  const QMap<int, QString> pages =
      readHelpContexts(kHelp + QStringLiteral("/contexts.txt"), &error);
  ASSERT_TRUE(error.isEmpty()) << error.toStdString();
  const QMap<int, QString> used = contextsInCode();
  ASSERT_GT(used.size(), 25);  // the scan still finds the code's forms
  for (auto it = used.begin(); it != used.end(); ++it) {
    EXPECT_TRUE(pages.contains(it.key()))
        << "context " << it.key() << " (" << it->toStdString() << ") has no page";
  }
  QSet<QString> seen;
  for (auto it = pages.begin(); it != pages.end(); ++it) {
    EXPECT_TRUE(used.contains(it.key()))
        << "page " << it->toStdString() << " has context " << it.key() << " that nothing uses";
    EXPECT_TRUE(QFile::exists(kHelp + QLatin1Char('/') + *it)) << it->toStdString();
    EXPECT_FALSE(seen.contains(*it)) << it->toStdString() << " serves two contexts";
    seen.insert(*it);
  }
}

// Every page is reachable (from a context or the contents), and its links
// and pictures lead somewhere.
TEST(HelpPages, EveryPageIsReachableAndItsLinksAndPicturesExist) {
  HelpBook book;
  ASSERT_TRUE(book.load(kHelp)) << book.error().toStdString();
  QSet<QString> reachable(book.contexts().begin(), book.contexts().end());
  for (const HelpBook::Entry& e : book.contents()) {
    EXPECT_TRUE(QFile::exists(kHelp + QLatin1Char('/') + e.page)) << e.page.toStdString();
    EXPECT_NE(e.title, e.page) << e.page.toStdString() << " has no title";
    reachable.insert(e.page);
  }
  static const QRegularExpression ref(QStringLiteral("(?:href|src)=\"([^\"#:]+)[^\"]*\""));
  for (const QString& file : QDir(kHelp).entryList({QStringLiteral("*.html")}, QDir::Files)) {
    EXPECT_TRUE(reachable.contains(file)) << file.toStdString() << " is in no list";
    for (const auto& m : ref.globalMatch(readAll(kHelp + QLatin1Char('/') + file)))
      EXPECT_TRUE(QFile::exists(kHelp + QLatin1Char('/') + m.captured(1)))
          << file.toStdString() << " refers to " << m.captured(1).toStdString();
  }
  EXPECT_FALSE(book.index().isEmpty());
  // Every word must be on the page; title words weigh more.
  const QStringList found = book.search(QStringLiteral("rebuild indexes"));
  ASSERT_FALSE(found.isEmpty());
  EXPECT_EQ(found.first().toStdString(), book.pageFor(28).toStdString());
  EXPECT_TRUE(book.search(QStringLiteral("backup zebra")).isEmpty());
}

class HelpWindowWiring : public ::testing::Test {
 protected:
  void SetUp() override {
    testApp();
    saved_ = appSettings().programDir;
  }
  void TearDown() override {
    if (HelpWindow* w = HelpWindow::existing()) delete w;
    appSettings().programDir = saved_;
  }
  QString saved_;
};

TEST_F(HelpWindowWiring, ATopicOpensTheOneWindowAtItsPageAndAnUnknownOneAtTheContents) {
  appSettings().programDir = kSource;
  const QMap<int, QString> pages = readHelpContexts(kHelp + QStringLiteral("/contexts.txt"));
  for (const int topic : {22, 104, 1, 9999}) {
    showHelpTopic(topic);
    HelpWindow* w = HelpWindow::existing();
    ASSERT_TRUE(w);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->currentPage(), pages.value(topic, pages.value(1))) << topic;
    ASSERT_TRUE(w->contentsTree->currentItem());
    EXPECT_EQ(w->contentsTree->currentItem()->data(0, Qt::UserRole).toString(), w->currentPage());
    EXPECT_EQ(w, HelpWindow::instance());
  }
  EXPECT_TRUE(HelpWindow::existing()->backButton->isEnabled());
  EXPECT_GT(HelpWindow::existing()->contentsTree->topLevelItemCount(), 3);
}

// F1 goes to the focused editor's help first, else to the window's Help button.
TEST_F(HelpWindowWiring, F1OpensTheFocusedEditorsHelpElseTheWindowsHelpButton) {
  appSettings().programDir = kSource;
  installHelpKey();
  const QMap<int, QString> pages = readHelpContexts(kHelp + QStringLiteral("/contexts.txt"));
  QDialog dialog;
  auto* help = new QPushButton(QStringLiteral("&Help"), &dialog);
  help->setObjectName(QStringLiteral("helpButton"));
  QObject::connect(help, &QPushButton::clicked, [] { showHelpTopic(22); });
  auto* plain = new QLineEdit(&dialog);
  auto* date = new DateEdit(&dialog);
  date->helpContext = 39;
  auto* box = new QVBoxLayout(&dialog);
  box->addWidget(help);
  box->addWidget(plain);
  box->addWidget(date);
  dialog.show();
  dialog.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
  for (const auto& [focus, topic] : {std::pair<QWidget*, int>{plain, 22}, {date, 39}}) {
    focus->setFocus();
    QTest::keyClick(focus, Qt::Key_F1);
    ASSERT_TRUE(HelpWindow::existing());
    EXPECT_EQ(HelpWindow::existing()->currentPage(), pages.value(topic)) << topic;
  }
  dialog.close();
}

TEST_F(HelpWindowWiring, AMissingHelpFolderIsToldNotShown) {
  QTemporaryDir empty;
  appSettings().programDir = empty.path();
  ScriptedPrompter prompts;
  showHelpTopic(22);
  ASSERT_EQ(prompts.shown.size(), 1u);
  EXPECT_EQ(prompts.shown[0].kind, MsgKind::Error);
  EXPECT_TRUE(prompts.shown[0].text.startsWith(QStringLiteral("Help is not available.\r")));
  EXPECT_FALSE(HelpWindow::existing() && HelpWindow::existing()->isVisible());
}

}  // namespace
