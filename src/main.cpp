#include <QApplication>

#include "gui/program.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  TProgram program(QCoreApplication::applicationDirPath());
  return program.run();
}
