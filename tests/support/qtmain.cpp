#include <gtest/gtest.h>

#include <QApplication>

// Widget tests need one QApplication for the whole run.
int main(int argc, char** argv) {
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
