// Text conversions of the host harness: UTF-8 (files, command line, output)
// to and from the UTF-16 units that cross the plug-in boundary, and the quoted
// form in which scripts write texts and transcripts print them, numbers in
// their shortest exact form, and file paths from UTF-8.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

/// UTF-16 units for well-formed UTF-8; nullopt for malformed input.
std::optional<std::u16string> utf8ToUtf16(std::string_view text);

/// UTF-8 for UTF-16 units; an unpaired surrogate becomes U+FFFD.
std::string utf16ToUtf8(std::u16string_view text);

/// Quotes `text` for scripts, transcripts and JSON alike: between double
/// quotes, with \" \\ \n \r \t, \u00XX for other control characters and
/// \uXXXX for unpaired surrogates; everything else as UTF-8.
std::string quoteUtf16(std::u16string_view text);

/// Reads the quoted form back, starting at the opening quote of `text`.
/// On success answers the units and sets `consumed` to the length through the
/// closing quote; on failure answers nullopt and sets `error`.
std::optional<std::u16string> unquoteUtf16(std::string_view text, std::size_t& consumed, std::string& error);

/// The shortest text that reads back as exactly `value` ("2.5", "1e+40",
/// "inf", "-nan"), independent of the locale.
std::string formatNumber(double value);
std::string formatNumber(float value);

/// A file system path for UTF-8 text (wide on Windows).
std::filesystem::path pathFromUtf8(std::string_view path);
