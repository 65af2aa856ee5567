// Multiply-then-divide as the skinned controls' pixel arithmetic expects it.
//
// Thread contract: pure function.
#pragma once

namespace moksel {

// a x b / c with a 64-bit intermediate product, rounded to the nearest integer with halves
// away from zero. Returns -1 when c is 0 and when the result does not fit in an int; callers
// clamp what comes back, so -1 lands on the lower end of a range.
int mulDiv(int a, int b, int c);

}  // namespace moksel
