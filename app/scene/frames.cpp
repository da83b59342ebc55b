#include "frames.h"

#include <limits>

#include "refusal.h"
#include "words.h"

namespace zvapp {
namespace {

constexpr Int64 kLowest = std::numeric_limits<Int32>::min();
constexpr Int64 kHighest = std::numeric_limits<Int32>::max();

const std::string& RangeText() {
  static const std::string text =
      "from " + std::to_string(kLowest) + " to " + std::to_string(kHighest);
  return text;
}

// A whole number of the int32 range; `what` names it in the message.
bool ParseBounded(const std::string& text, const std::string& what, Int32* out,
                  std::string* error) {
  Int64 n = 0;
  if (!ParseWhole(text, &n))
    return Fail(error, what + " is a whole number " + RangeText() + ", not \"" + text + "\"");
  if (n < kLowest || n > kHighest)
    return Fail(error, "frame " + Trim(text) + " is out of range: frames run " + RangeText());
  *out = static_cast<Int32>(n);
  return true;
}

}  // namespace

bool ParseFrame(const std::string& text, Int32* out, std::string* error) {
  return ParseBounded(text, "a frame", out, error);
}

bool ParseFrameRange(const std::string& text, FrameRange* out, std::string* error) {
  const size_t colon = text.find(':');
  if (colon == std::string::npos)
    return Fail(error, "--frames takes FIRST:LAST with FIRST <= LAST, not \"" + text + "\"");
  FrameRange r;
  if (!ParseBounded(text.substr(0, colon), "the first frame", &r.first, error) ||
      !ParseBounded(text.substr(colon + 1), "the last frame", &r.last, error))
    return false;
  if (r.first > r.last)
    return Fail(error, "--frames takes FIRST:LAST with FIRST <= LAST, not \"" + text + "\"");
  if (r.Count() > kMaxFrames)
    return Fail(error, "--frames " + text + " asks for " + std::to_string(r.Count()) +
                           " frames; the limit is " + std::to_string(kMaxFrames));
  *out = r;
  return true;
}

}  // namespace zvapp
