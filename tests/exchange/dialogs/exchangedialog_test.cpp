// The options dialog's wiring: its buttons follow the lists, and closing it
// stores the exchange settings.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "core/labels.h"
#include "core/settings.h"
#include "exchange/exchange.h"
#include "exchange/exchangedialogs.h"
#include "print/radiogroup.h"

namespace {

TEST(ExchangeOptionsDialog, ClosingStoresSeparatorDelimiterAndFields) {
  appSettings() = AppSettings{};
  appSettings().blobFields.set(4);  // the third label names a picture: never listed
  labels() = QStringList{"Title", "Author", "Picture", "Notes"};
  struct Case {
    int separator;
    QString separatorText;
    int delimiter;
    QString delimiterText;
    char wantSeparator, wantDelimiter;
  };
  const Case cases[] = {{0, "", 0, "", '\t', 0},
                        {1, "", 1, "", ',', '"'},
                        {2, ";", 2, "'", ';', '\''},
                        {2, "", 0, "", 0, 0}};  // "Other:" left empty: nothing is exchanged
  for (const Case& c : cases) {
    ExchangeOptionsDialog dlg(QStringLiteral("Export Options"));
    EXPECT_EQ(dlg.helpContext(), 26);
    EXPECT_EQ(dlg.allList->count(), 3);
    EXPECT_FALSE(dlg.okButton->isEnabled());
    QTest::mouseClick(dlg.includeButton, Qt::LeftButton);
    dlg.allList->setCurrentRow(2);
    QTest::mouseClick(dlg.includeButton, Qt::LeftButton);
    EXPECT_TRUE(dlg.okButton->isEnabled());
    QTest::mouseClick(dlg.moveUpButton, Qt::LeftButton);
    dlg.separatorGroup->setItemIndex(c.separator);
    dlg.separatorEdit->setText(c.separatorText);
    dlg.delimiterGroup->setItemIndex(c.delimiter);
    dlg.delimiterEdit->setText(c.delimiterText);
    QTest::mouseClick(dlg.cancelButton, Qt::LeftButton);  // any button stores them
    const ExchangeSettings& s = exchangeSettings();
    EXPECT_EQ(s.separator, c.wantSeparator);
    EXPECT_EQ(s.delimiter, c.wantDelimiter);
    EXPECT_EQ(s.fields, (std::vector<int>{5, 2}));  // Notes moved above Title
  }
  EXPECT_EQ(ExchangeOptionsDialog(QStringLiteral("Import Options")).helpContext(), 25);
}

}  // namespace
