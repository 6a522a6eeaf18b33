#include "tools/common/SystemError.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cstring>
#endif

std::string systemErrorWords(unsigned long code) {
    std::string words;
#ifdef _WIN32
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    if (length > 0 && text != nullptr) {
        const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
        if (bytes > 0) {
            words.resize(static_cast<std::size_t>(bytes));
            WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), words.data(), bytes, nullptr, nullptr);
        }
    }
    LocalFree(text);
#else
    words = std::strerror(static_cast<int>(code));
#endif
    // Messages may span lines; a report wants one.
    for (char& c : words)
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    while (!words.empty() && (words.back() == ' ' || words.back() == '.')) words.pop_back();
    return words;
}
