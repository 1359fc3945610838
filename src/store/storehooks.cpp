#include "storehooks.h"

TStoreHooks& StoreHooks() {
  static TStoreHooks hooks;
  return hooks;
}
