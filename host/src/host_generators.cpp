// The host's own generators. Text and extrude objects build their geometry here.
#include "host_generators.h"

namespace zvhost {

bool BuildHostGenerator(BaseObject* op, HierarchyHelp*, BaseObject** cache) {
  *cache = nullptr;
  return op->GetType() == Oextrude || op->GetType() == Osplinetext;
}

}  // namespace zvhost
