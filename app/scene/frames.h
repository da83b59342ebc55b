// Frame numbers as a user writes them (--frame N, --frames A:B, the frame action). They are read in
// 64 bits and checked against what a document can be set to, so that no counter of the runner meets
// the end of the int32 range.
#pragma once

#include <string>

#include "c4d.h"

namespace zvapp {

// One command evaluates at most this many frames (an animation of nearly an hour at 30 per second).
inline constexpr Int64 kMaxFrames = 100000;

// A frame from -2147483648 to 2147483647; false with a message naming the limit.
bool ParseFrame(const std::string& text, Int32* out, std::string* error);

// FIRST:LAST with FIRST <= LAST, each a frame, at most kMaxFrames of them.
struct FrameRange {
  Int32 first = 0;
  Int32 last = 0;
  Int64 Count() const { return static_cast<Int64>(last) - first + 1; }
};
bool ParseFrameRange(const std::string& text, FrameRange* out, std::string* error);

}  // namespace zvapp
