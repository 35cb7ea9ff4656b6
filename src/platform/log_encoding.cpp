#include "platform/log_encoding.h"

namespace prinstall {
namespace {

// Well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF); a sequence cut
// short by the end of the text counts only when the text is the whole file.
bool IsUtf8(const std::string& text, bool whole) {
    const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char lead = byte(i);
        std::size_t length = 1;
        unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
        if (lead < 0x80) {
            ++i;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            if (lead == 0xE0) low = 0xA0;
            if (lead == 0xED) high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            if (lead == 0xF0) low = 0x90;
            if (lead == 0xF4) high = 0x8F;
        } else {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            if (i + k >= text.size()) return !whole;
            const unsigned char next = byte(i + k);
            if (k == 1 ? (next < low || next > high) : (next < 0x80 || next > 0xBF)) return false;
        }
        i += length;
    }
    return true;
}

}  // namespace

LogEncoding LogEncodingOf(const std::string& head, bool whole) {
    if (head.empty()) return LogEncoding::New;
    if (head.rfind(kUtf8ByteOrderMark, 0) == 0)
        return IsUtf8(head.substr(3), whole) ? LogEncoding::Utf8 : LogEncoding::Other;
    if (head.size() >= 2 && head[0] == '\xFF' && head[1] == '\xFE') return LogEncoding::Utf16Le;
    return IsUtf8(head, whole) ? LogEncoding::Utf8 : LogEncoding::Other;
}

}  // namespace prinstall
