#include "base/utf8.h"

namespace rireve {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The range allowed for the second byte of a sequence; it excludes overlong
// forms, surrogates and code points beyond U+10FFFF.
bool secondByteAllowed(unsigned char lead, unsigned char byte) {
    switch (lead) {
        case 0xE0: return byte >= 0xA0 && byte <= 0xBF;
        case 0xED: return byte >= 0x80 && byte <= 0x9F;
        case 0xF0: return byte >= 0x90 && byte <= 0xBF;
        case 0xF4: return byte >= 0x80 && byte <= 0x8F;
        default: return isContinuation(byte);
    }
}

// Length of the sequence a lead byte starts, 0 when it can start none.
int sequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

std::size_t writeCodePoint(char32_t point, char16_t* out) {
    if (point < 0x10000) {
        out[0] = static_cast<char16_t>(point);
        return 1;
    }
    point -= 0x10000;
    out[0] = static_cast<char16_t>(0xD800 + (point >> 10));
    out[1] = static_cast<char16_t>(0xDC00 + (point & 0x3FF));
    return 2;
}

}  // namespace

std::size_t decodeUtf8(std::string_view bytes, char16_t* out) {
    std::size_t written = 0;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const int length = sequenceLength(lead);
        if (length == 0) {
            out[written++] = kReplacement;
            ++i;
            continue;
        }
        char32_t point = length == 1 ? lead : lead & (0xFF >> (length + 1));
        int taken = 1;
        while (taken < length && i + taken < bytes.size()) {
            const auto next = static_cast<unsigned char>(bytes[i + taken]);
            const bool allowed = taken == 1 ? secondByteAllowed(lead, next) : isContinuation(next);
            if (!allowed) break;
            point = (point << 6) | (next & 0x3F);
            ++taken;
        }
        i += taken;
        if (taken == length) {
            written += writeCodePoint(point, out + written);
        } else {
            out[written++] = kReplacement;
        }
    }
    return written;
}

EncodeStatus encodeUtf8(const char16_t* units, std::size_t count, char* out, std::size_t capacity,
                        std::size_t* length) {
    std::size_t size = 0;
    auto fail = [&](EncodeStatus status) {
        if (capacity > 0) out[0] = '\0';
        *length = 0;
        return status;
    };
    for (std::size_t i = 0; i < count; ++i) {
        char32_t point = units[i];
        if (point == 0) return fail(EncodeStatus::embeddedNul);
        if (point >= 0xD800 && point <= 0xDFFF) {
            const bool pairs = point <= 0xDBFF && i + 1 < count && units[i + 1] >= 0xDC00 &&
                               units[i + 1] <= 0xDFFF;
            if (!pairs) return fail(EncodeStatus::unpairedSurrogate);
            point = 0x10000 + ((point - 0xD800) << 10) + (units[++i] - 0xDC00);
        }
        const std::size_t need = point < 0x80 ? 1 : point < 0x800 ? 2 : point < 0x10000 ? 3 : 4;
        if (size + need >= capacity) return fail(EncodeStatus::tooLong);
        if (need == 1) {
            out[size++] = static_cast<char>(point);
            continue;
        }
        static constexpr unsigned char kLeadMarks[] = {0, 0, 0xC0, 0xE0, 0xF0};
        for (std::size_t k = need - 1; k > 0; --k) {
            out[size + k] = static_cast<char>(0x80 | (point & 0x3F));
            point >>= 6;
        }
        out[size] = static_cast<char>(kLeadMarks[need] | point);
        size += need;
    }
    if (size >= capacity) return fail(EncodeStatus::tooLong);
    out[size] = '\0';
    *length = size;
    return EncodeStatus::ok;
}

}  // namespace rireve
