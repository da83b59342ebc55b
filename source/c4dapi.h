// Small helpers over the host's interface that several objects share.
#pragma once

#include "zvplot_sdk.h"

// The document's current frame: the integer part of floor(fps x time numerator) / floor(time
// denominator).
Int32 DocumentFrame(const BaseDocument* doc);
// The frame of a document time at the document's frame rate.
Int32 FrameOfTime(const BaseTime& time, Int32 fps);
// The frame of the document's start time (parameter 1002) at the document's frame rate.
Int32 DocumentStartFrame(const BaseDocument* doc);
// The document time in seconds (0 when the time's denominator is 0).
Float DocumentSeconds(const BaseDocument* doc);

// Shows `op` in `color` (display colour in automatic mode, x-ray off).
void SetDisplayColor(BaseObject* op, const Vector& color);

// Writes one vertex colour entry. In point mode (no neighbour information) only entry `index` is
// written. Each channel is clamped to 0 ... 1; anything else, a NaN included, becomes 1. Alpha is
// left as it is.
void SetVertexColor(VertexColorHandle handle, Neighbor* neighbor, const CPolygon* polygons,
                    Int32 index, const Vector32& color);
// Writes the four corner colours of polygon `polygon` of a polygon-mode vertex colour tag, clamped
// as above, alpha 1.
void SetPolygonColors(VertexColorHandle handle, Int32 polygon, const Vector& a, const Vector& b,
                      const Vector& c, const Vector& d);
