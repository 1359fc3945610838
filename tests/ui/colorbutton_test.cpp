#include "ui/colorbutton.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include "support/qtapp.h"

namespace {

class ColorButtonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testApp();
    page_.resize(100, 200);
  }
  ColorButton* tab(const QString& letter, int row) {
    auto* b = new ColorButton(&page_);
    b->setObjectName(letter + "_Btn");
    b->setCaption(letter);
    b->setStayDown(true);
    b->setGeometry(0, row * 15, 24, 15);
    return b;
  }
  void showPage() {
    page_.show();
    page_.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&page_));
  }
  QImage look(ColorButton* b) { return b->grab().toImage(); }
  struct Pixel {
    int x, y;
    QColor color;
  };
  static void expectPixels(const QImage& img, std::initializer_list<Pixel> pixels) {
    for (const Pixel& p : pixels) {
      SCOPED_TRACE(testing::Message() << "at " << p.x << "," << p.y);
      EXPECT_EQ(img.pixelColor(p.x, p.y), p.color);
    }
  }

  QApplication& app_ = testApp();  // before any widget member
  QWidget page_;
};

}  // namespace

TEST_F(ColorButtonTest, DefaultsMatchAPlainSilverButton) {
  ColorButton b;
  EXPECT_EQ(b.size(), QSize(260, 23));
  EXPECT_EQ(b.textColor(), QColor(Qt::black));
  EXPECT_EQ(b.bgndColor(), QColor(0xC0, 0xC0, 0xC0));
  EXPECT_EQ(b.selTextColor(), QColor(Qt::black));
  EXPECT_EQ(b.selBgndColor(), QColor(0xC0, 0xC0, 0xC0));
  EXPECT_FALSE(b.isDefault());
  EXPECT_FALSE(b.stayDown());
  EXPECT_FALSE(b.selected());
  EXPECT_TRUE(b.caption().isEmpty());
  EXPECT_TRUE(b.tabStop());
}

TEST_F(ColorButtonTest, ClickingASecondLetterTabReleasesTheFirst) {
  ColorButton* a = tab("A", 0);
  ColorButton* b = tab("B", 1);
  showPage();
  QSignalSpy clicks(b, &ColorButton::clicked);
  QTest::mouseClick(a, Qt::LeftButton);
  EXPECT_TRUE(a->selected());
  QTest::mouseClick(b, Qt::LeftButton);
  EXPECT_TRUE(b->selected());
  EXPECT_FALSE(a->selected());
  EXPECT_EQ(clicks.count(), 1);
}

TEST_F(ColorButtonTest, SelectingInCodeReleasesOnlyTheSameParentsButton) {
  ColorButton* a = tab("A", 0);
  ColorButton* b = tab("B", 1);
  QWidget other;
  ColorButton elsewhere(&other);
  elsewhere.setSelected(true);
  a->setSelected(true);
  b->setSelected(true);
  EXPECT_FALSE(a->selected());
  EXPECT_TRUE(b->selected());
  EXPECT_TRUE(elsewhere.selected());
  // A deleted selected button is forgotten.
  ColorButton* c = tab("C", 2);
  delete b;
  c->setSelected(true);
  EXPECT_TRUE(c->selected());
}

TEST_F(ColorButtonTest, OnlyALeftPressReleasedInsideClicks) {
  const struct {
    const char* what;
    Qt::MouseButton button;
    bool stayDown;
    bool leave;  // the pointer leaves while pressed
    QPoint release;
    int clicks;
  } cases[] = {{"released inside", Qt::LeftButton, false, false, {6, 6}, 1},
               {"left while pressed", Qt::LeftButton, true, true, {5, 5}, 0},
               {"released outside", Qt::LeftButton, true, false, {50, 50}, 0},
               {"right button", Qt::RightButton, true, false, {5, 5}, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ColorButton* b = tab("A", 0);
    b->setStayDown(c.stayDown);
    showPage();
    QSignalSpy clicks(b, &ColorButton::clicked);
    QTest::mousePress(b, c.button, {}, QPoint(5, 5));
    EXPECT_EQ(b->isPressed(), c.button == Qt::LeftButton);
    if (c.clicks) {
      EXPECT_TRUE(b->hasFocus());
    }
    if (c.leave) {
      QMouseEvent move(QEvent::MouseMove, QPointF(60, 5), b->mapToGlobal(QPointF(60, 5)),
                       Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(b, &move);
      EXPECT_FALSE(b->isPressed());
    }
    QTest::mouseRelease(b, c.button, {}, c.release);
    EXPECT_FALSE(b->isPressed());
    EXPECT_EQ(clicks.count(), c.clicks);
    EXPECT_FALSE(b->selected());  // not a StayDown button, or no click
    delete b;
  }
}

TEST_F(ColorButtonTest, NoTabStopKeepsTheFocusWhereItWas) {
  ColorButton* a = tab("A", 0);
  ColorButton* b = tab("B", 1);
  b->setTabStop(false);
  showPage();
  a->setFocus();
  QTest::mouseClick(b, Qt::LeftButton);
  EXPECT_FALSE(b->hasFocus());
  EXPECT_TRUE(b->selected());
}

TEST_F(ColorButtonTest, SpaceClicksOnRelease) {
  ColorButton* b = tab("A", 0);
  showPage();
  b->setFocus();
  QSignalSpy clicks(b, &ColorButton::clicked);
  QTest::keyPress(b, Qt::Key_Space);
  EXPECT_TRUE(b->isPressed());
  EXPECT_EQ(clicks.count(), 0);
  QTest::keyRelease(b, Qt::Key_Space);
  EXPECT_EQ(clicks.count(), 1);
  EXPECT_TRUE(b->selected());
}

TEST_F(ColorButtonTest, EnterClicksOnlyTheDefaultButtonAndIsSwallowedByTheOthers) {
  ColorButton* b = tab("A", 0);
  showPage();
  b->setFocus();
  QSignalSpy clicks(b, &ColorButton::clicked);
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  enter.ignore();
  QApplication::sendEvent(b, &enter);
  EXPECT_TRUE(enter.isAccepted());
  QTest::keyClick(b, Qt::Key_Return);
  QTest::keyClick(b, Qt::Key_Enter);
  EXPECT_EQ(clicks.count(), 0);
  EXPECT_FALSE(b->isPressed());
  b->setIsDefault(true);
  QTest::keyClick(b, Qt::Key_Return);
  EXPECT_EQ(clicks.count(), 1);
  QTest::keyClick(b, Qt::Key_Enter);
  EXPECT_EQ(clicks.count(), 2);
}

TEST_F(ColorButtonTest, FaceHasABlackFrameAndTheNormalColours) {
  ColorButton* b = tab("A", 0);
  b->setStayDown(false);
  b->setGeometry(0, 0, 60, 23);
  b->setBgndColor(QColor(0, 0, 128));
  const QColor black(Qt::black), white(Qt::white), grey(128, 128, 128);
  // Raised: white top-left edge 2 wide, grey bottom-right edge.
  expectPixels(look(b), {{0, 10, black},
                         {1, 10, black},
                         {59, 10, black},
                         {2, 10, white},
                         {3, 10, white},
                         {57, 10, grey},
                         {30, 19, grey},
                         {10, 6, Qt::darkBlue}});
}

TEST_F(ColorButtonTest, SelectedStayDownUsesTheSelectedColoursAndLooksPressed) {
  ColorButton* b = tab("A", 0);
  b->setGeometry(0, 0, 60, 23);
  b->setBgndColor(QColor(0, 0, 128));
  b->setSelBgndColor(QColor(255, 255, 0));
  b->setSelected(true);
  const QColor yellow(255, 255, 0);
  // Pressed: black inner edge.
  expectPixels(look(b), {{2, 10, QColor(Qt::black)}, {3, 10, yellow}, {57, 10, yellow}});
}

TEST_F(ColorButtonTest, DisabledIsSilverWithAGreyCaption) {
  ColorButton* b = tab("W", 0);
  b->setGeometry(0, 0, 60, 23);
  b->setBgndColor(QColor(0, 0, 128));
  b->setTextColor(QColor(255, 0, 0));
  b->setEnabled(false);
  const QImage img = look(b);
  EXPECT_EQ(img.pixelColor(10, 6), QColor(0xC0, 0xC0, 0xC0));
  bool greyText = false, redText = false;
  for (int y = 4; y < 19; ++y) {
    for (int x = 6; x < 54; ++x) {
      greyText |= img.pixelColor(x, y) == QColor(128, 128, 128);
      redText |= img.pixelColor(x, y).red() > 200 && img.pixelColor(x, y).green() < 50;
    }
  }
  EXPECT_TRUE(greyText);
  EXPECT_FALSE(redText);
}

TEST_F(ColorButtonTest, FocusedButtonShowsADottedMark) {
  ColorButton* b = tab("A", 0);
  b->setStayDown(false);
  b->setCaption(QString());
  b->setGeometry(0, 0, 60, 23);
  showPage();
  b->setFocus();
  ASSERT_TRUE(b->hasFocus());
  const QImage img = look(b);
  // Dotted outline inset by 6 and 4: every second pixel of its top edge.
  expectPixels(img, {{6, 4, QColor(Qt::black)}, {8, 4, QColor(Qt::black)}});
  EXPECT_NE(img.pixelColor(7, 4), QColor(Qt::black));
  b->clearFocus();
  EXPECT_NE(look(b).pixelColor(6, 4), QColor(Qt::black));
}
