#include "shell/programapplication.h"

#include <stdexcept>

#include "store/tablerescue.h"

bool ProgramApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    reportEngineFailure(e);
  } catch (...) {
    reportEngineFailure(std::runtime_error("an unexpected error stopped the last action"));
  }
  return false;
}
