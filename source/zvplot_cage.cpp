// Placeholder until the component is built.
#include "c4d.h"

Bool RegisterZVPlotCage(BaseBitmap*) { return false; }
