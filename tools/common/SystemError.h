// The operating system's own words for an error number: Windows' message for
// a GetLastError code, elsewhere strerror's. The plug-in loader and the
// child-process starter put them into what they report.
#pragma once

#include <string>

/// The system's message for `code` as UTF-8 on one line, without a final
/// period; empty when the system has none.
std::string systemErrorWords(unsigned long code);
