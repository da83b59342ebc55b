// Number to text for formula texts and labels. Whatever FormatFloat writes for a finite value,
// EvaluateExpression (formula.h) reads back; with nnk < 0 it reads back the same double.
#ifndef ZORVANTIX_HOST_SRC_NUMBER_TEXT_H_
#define ZORVANTIX_HOST_SRC_NUMBER_TEXT_H_

#include <string>

namespace zvhost {

// Writes v as text.
// vvk: minimum number of integer digits (-1: no minimum). Shorter integer parts are padded on
//   the left with `fill` (UTF-8 encoded) up to vvk positions, at most 64. A '0' fill goes
//   between the sign and the digits ("-005"), any other fill before the sign ("  -5").
//   A NUL, a surrogate or a value above U+10FFFF is taken as a blank. inf and nan are not padded.
// nnk: number of decimals. Negative: the shortest text that reads back as the same double, in
//   fixed form ("0.00001") unless that is longer than 40 characters, in which case the shortest
//   of fixed and exponent form ("1e-300"). nnk >= 0: exactly nnk decimals (at most 20), correctly
//   rounded from the exact binary value; exact ties go to the even digit (2.5 -> "2").
// e: exponent form ("1.23e+03"): nnk decimals, or the shortest that reads back when nnk < 0.
// No text ever shows a negative zero: -0.0 gives "0", and -0.04 with one decimal gives "0.0".
// Infinities and NaN give "inf", "-inf" and "nan".
std::string FormatFloat(double v, int vvk, int nnk, bool e, char32_t fill);

}  // namespace zvhost

#endif  // ZORVANTIX_HOST_SRC_NUMBER_TEXT_H_
