// Reads one item of the number-list text: the number the C library's wcstod
// finds at the start of the item in the classic locale, rounded to float.
// CorvaneGui calls it for each comma-separated item while it walks the text
// once; the item is a view into that text, of which only the number's own
// units are narrowed for the conversion.
#pragma once

#include <string_view>

/// The double that wcstod answers for `item` in the classic locale, whatever
/// locale the process has: leading white space (space, \t \n \v \f \r)
/// skipped, an optional sign, then the longest prefix that is a decimal or
/// 0x-hexadecimal floating number, "inf", "infinity", "nan" or "nan(chars)"
/// (letters in any case); the rest is ignored. No number gives +0.0, a
/// magnitude beyond the double's range an infinity of the sign, and one
/// below half the smallest subnormal a zero of the sign. Units outside ASCII
/// never belong to a number. Allocates only for a number written with more
/// than 128 units (may then throw std::bad_alloc).
double parseNumber(std::u16string_view item);

/// parseNumber's double rounded to the nearest float: a magnitude beyond the
/// float's range becomes an infinity of the sign.
float parseItem(std::u16string_view item);
