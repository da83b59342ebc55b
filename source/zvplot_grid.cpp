// Placeholder until the component is built.
#include "c4d.h"

Bool RegisterZVPlotGrid(BaseBitmap*) { return false; }
