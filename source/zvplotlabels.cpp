// Placeholder until the component is built.
#include "c4d.h"

Bool RegisterZVPlotLabels(BaseBitmap*) { return false; }
