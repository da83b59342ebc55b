// Document time: a rational number of seconds.
#pragma once

#include "ge_math.h"

struct BaseTime {
  Float num = 0.0, den = 1.0;
  constexpr BaseTime() = default;
  constexpr explicit BaseTime(Float n, Float d) : num(n), den(d) {}
  constexpr Float GetNumerator() const { return num; }
  constexpr Float GetDenominator() const { return den; }
  Float Get() const { return den != 0.0 ? num / den : 0.0; }
  constexpr bool operator==(const BaseTime&) const = default;
};
