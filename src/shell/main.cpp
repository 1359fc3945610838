#include <QApplication>

#include "shell/program.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  Program program(QCoreApplication::applicationDirPath());
  return program.run();
}
