// Placeholder until the component is built.
#include "c4d.h"

Bool RegisterZVPlotMesh(BaseBitmap*) { return false; }
