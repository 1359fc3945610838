#include "core/runobjects.h"

RunObjects& runObjects() {
  static RunObjects instance;
  return instance;
}
