#include "app/Resources.h"

#include <QtGlobal>

static void InitResourcesOutsideNamespace() { Q_INIT_RESOURCE(helixor); }

void InitHelixorResources() {
  static bool done = false;
  if (done) return;
  done = true;
  InitResourcesOutsideNamespace();
}
