// Reads one item of the number-list text as the Windows C runtime's wcstod
// reads it in the "C" locale (whatever locale the process has, and on every
// platform we build for), then rounds it to float. CorvaneGui's list parser
// calls it for each item its own inline reading does not take; the units
// are read as they are, without narrowing the text first.
#pragma once

#include <cstddef>
#include <string_view>

/// What readNumber found at the start of a text.
struct NumberReading {
    double value;
    /// Units taken: the white space, sign and number read; 0 when no number
    /// was found. The number never takes a comma, so a list item ends at or
    /// after this point.
    std::size_t end;
};

/// The double the Windows runtime's wcstod answers for the start of `text`:
/// - white space skipped: ASCII space, U+0009-U+000D, U+0085, U+00A0,
///   U+1680, U+2000-U+200A, U+2028, U+2029, U+202F, U+205F, U+3000;
/// - an optional ASCII sign, then the longest prefix that is a decimal or
///   0x-hexadecimal floating number, "inf", "infinity" or a not-a-number
///   form (letters ASCII, in any case); the rest is ignored;
/// - digits are ASCII 0-9 and the ten digits of each Unicode decimal block
///   the runtime knows (Arabic-Indic U+0660 ... fullwidth U+FF10), in every
///   part of a number; in a hexadecimal number they keep their decimal
///   value and the letters a-f stay ASCII;
/// - "nan(ind)" with either sign is the indeterminate value, the negative
///   quiet NaN 0xFFF8000000000000; "nan(snan)" a signalling NaN of the
///   sign, 0x7FF0000000000001; any other "nan" the NaN of the sign with
///   every payload bit set, 0x7FFFFFFFFFFFFFFF;
/// - no number gives +0.0, a magnitude beyond the double's range an infinity
///   of the sign, one below half the smallest subnormal a zero of the sign;
///   numbers of any length and exponent are rounded correctly.
/// Allocates only for a number that needs the general conversion and is
/// written with more than 128 units (may then throw std::bad_alloc).
NumberReading readNumber(std::u16string_view text);

/// readNumber's double for the whole of `item`.
double parseNumber(std::u16string_view item);

/// A double rounded to the nearest float as the runtime's conversion does:
/// a magnitude beyond the float's range becomes an infinity of the sign; a
/// NaN becomes the quiet NaN of its sign with the top 22 bits of its
/// payload (so the indeterminate value stays 0xFFC00000).
float roundToFloat(double value);

/// parseNumber rounded to float.
float parseItem(std::u16string_view item);
