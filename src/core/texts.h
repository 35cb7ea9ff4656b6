// A text the operator sees, in English and Korean side by side. Texts without a Korean form
// carry nullptr there and show in English in both languages.
#pragma once

#include <cstdint>
#include <string>

#include "platform/system_info.h"

namespace prinstall {

enum class Language { English, Korean };

inline Language LanguageForCodePage(std::uint32_t codePage) {
    return codePage == kKoreanCodePage ? Language::Korean : Language::English;
}

struct Text {
    const char* english;
    const char* korean;

    const char* In(Language language) const {
        return language == Language::Korean && korean != nullptr ? korean : english;
    }
};

// printf-style formatting into a std::string (the program's messages carry %d and %s).
std::string Format(const char* pattern, ...) __attribute__((format(printf, 1, 2)));

}  // namespace prinstall
