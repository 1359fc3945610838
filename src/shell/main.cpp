#include <exception>

#include "core/prompt.h"
#include "shell/program.h"
#include "shell/programapplication.h"

int main(int argc, char* argv[]) {
  ProgramApplication app(argc, argv);
  // Lets the desktop match the windows to the menu entry and its icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("tomekeeper"));
  Program program(QCoreApplication::applicationDirPath());
  try {
    return program.run();
  } catch (const std::exception& e) {
    // Outside any event: the run cannot go on, but it ends with its reason.
    try {
      showMessage(MsgKind::Error, QString::fromStdString(e.what()));
    } catch (...) {
    }
    return 1;
  }
}
