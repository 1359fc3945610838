#include <gtest/gtest.h>

#include <QDir>
#include <QPainter>

#include "core/settings.h"
#include "query/sort/sortbar.h"
#include "support/qtapp.h"
#include "ui/colorbutton.h"
#include "ui/contentsentry.h"
#include "ui/progressbar.h"
#include "ui/progresswindow.h"

namespace {

QColor colour(int element) {
  const Rgb c = AppSettings::Palette[AppSettings{}.elementColors[element]];
  return {c.red, c.green, c.blue};
}

// Saves a picture for a person to look at when TOMES_SCREENSHOT_DIR is set.
void keep(const QImage& img, const QString& name) {
  const QString dir = qEnvironmentVariable("TOMES_SCREENSHOT_DIR");
  if (!dir.isEmpty()) img.save(QDir(dir).filePath(name));
}

}  // namespace

// A letter column and a page of entries with the default colour scheme.
TEST(ControlsLook, LetterTabsAndEntriesUseTheirSchemeColours) {
  testApp();
  QWidget page;
  page.resize(300, 240);
  page.setAutoFillBackground(true);
  QPalette pal = page.palette();
  pal.setColor(QPalette::Window, colour(12));
  page.setPalette(pal);

  std::vector<ColorButton*> tabs;
  for (int i = 0; i < 14; ++i) {
    auto* tab = new ColorButton(&page);
    tab->setGeometry(272, 4 + i * 15, 24, 15);
    tab->setCaption(QString(QChar('A' + i)));
    tab->setStayDown(true);
    QFont small = tab->font();
    small.setPixelSize(10);
    small.setBold(true);
    tab->setFont(small);
    const bool hasRecords = i % 3 != 1;
    tab->setTextColor(colour(hasRecords ? 4 : 6));
    tab->setBgndColor(colour(hasRecords ? 5 : 7));
    tab->setSelTextColor(colour(8));
    tab->setSelBgndColor(colour(9));
    tabs.push_back(tab);
  }
  tabs[2]->setSelected(true);

  const QStringList titles = {"A Tale of Two Cities", "Anna Karenina",
                              "An Extraordinarily Long Title That Does Not Fit Its Column",
                              "Around the World in Eighty Days"};
  const QStringList authors = {"Charles Dickens", "Leo Tolstoy", "Somebody", "Jules Verne"};
  for (int i = 0; i < titles.size(); ++i) {
    auto* entry = new ContentsEntry(&page);
    entry->setGeometry(5, 4 + i * 25, 261, 23);
    entry->setGap(0);
    entry->setTextColor(colour(0));
    entry->setBgndColor(colour(1));
    entry->setSelTextColor(colour(2));
    entry->setSelBgndColor(colour(3));
    entry->addColumn(titles[i], 60);
    entry->addColumn(authors[i], 40);
  }
  auto* sort = new SortBar(&page);
  sort->setGeometry(5, 110, 261, 20);
  sort->setLabelsAndDirections("Title", "Author", false, false);
  auto* bar = new ProgressBar(&page);
  bar->setGeometry(5, 140, 261, 33);
  bar->setPercentColor(QColor(0, 128, 0));
  bar->setPercentShaded(38);
  auto* plain = new ColorButton(&page);
  plain->setGeometry(5, 185, 120, 23);
  plain->setCaption("OK");
  page.show();

  const QImage img = page.grab().toImage();
  keep(img, "controls.png");
  // The selected tab is down in the selected colours; the others stand up in theirs.
  EXPECT_EQ(img.pixelColor(272 + 20, 4 + 2 * 15 + 12), colour(9));
  EXPECT_EQ(img.pixelColor(272 + 2, 4 + 0 * 15 + 7), QColor(Qt::white));
  EXPECT_EQ(img.pixelColor(272 + 20, 4 + 0 * 15 + 9), QColor(128, 128, 128));
  EXPECT_EQ(img.pixelColor(272 + 5, 4 + 0 * 15 + 6), colour(5));
  EXPECT_EQ(img.pixelColor(272 + 5, 4 + 1 * 15 + 6), colour(7));
  // Entries: black frame around the face colour.
  EXPECT_EQ(img.pixelColor(5, 4 + 10), QColor(Qt::black));
  EXPECT_EQ(img.pixelColor(5 + 250, 4 + 3 * 25 + 12), colour(1));
}

TEST(ControlsLook, ProgressWindowShowsAGreenBarOnWhite) {
  testApp();
  ProgressWindow dlg;
  dlg.setWindowTitle("Applying Filter - Please Wait...");
  dlg.progressBar()->setPercentShaded(62);
  const QImage img = dlg.grab().toImage();
  keep(img, "progress.png");
  const QPoint bar = dlg.progressBar()->pos();
  const int end = ProgressBar::barEnd(297, 62);
  EXPECT_EQ(img.pixelColor(bar + QPoint(end - 5, 5)), QColor(0, 128, 0));
  EXPECT_EQ(img.pixelColor(bar + QPoint(end + 5, 5)), QColor(Qt::white));
}
