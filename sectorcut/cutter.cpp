#include "cutter.h"

namespace {

bool is_blank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int hex_digit(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Reads blanks, an optional sign, an optional "0x" or "0X" when base is 16,
// and the digits. False when there is no digit.
bool scan_number(const char* text, uint32_t base, uint32_t* value)
{
    while (is_blank(*text)) {
        ++text;
    }
    const bool negative = *text == '-';
    if (*text == '-' || *text == '+') {
        ++text;
    }
    if (base == 16 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X') && hex_digit(text[2]) >= 0) {
        text += 2;
    }
    uint32_t result = 0;
    bool any = false;
    for (int digit = hex_digit(*text); digit >= 0 && static_cast<uint32_t>(digit) < base;
         digit = hex_digit(*++text)) {
        result = result * base + static_cast<uint32_t>(digit); // wraps modulo 2^32
        any = true;
    }
    *value = negative ? 0U - result : result;
    return any;
}

} // namespace

uint8_t CutBuffer[kCutBufferSize];

int32_t parse_number(const char* text)
{
    uint32_t value = 0;
    if (text[0] == '0' && text[1] == 'x' && scan_number(text + 2, 16, &value)) {
        return static_cast<int32_t>(value);
    }
    // A text that begins with "0x" but holds no hexadecimal number reads as
    // the decimal 0 before the x.
    return scan_number(text, 10, &value) ? static_cast<int32_t>(value) : 0;
}

CutRange gather_sectors(D88Reader& reader, int32_t track, int32_t sector, int32_t size, int32_t offset)
{
    if (offset < 0) {
        offset = 0;
    }
    int32_t t = track;
    int32_t s = sector;
    int64_t remaining = static_cast<int64_t>(size) + offset;
    int32_t gathered = 0;
    while (remaining > 0) {
        const int32_t size_code = TrackLayout::size_code(s);
        const int32_t slot = TrackLayout::code_bytes(size_code);
        const int32_t chunk = remaining < slot ? static_cast<int32_t>(remaining) : slot;
        if (chunk > kCutBufferSize - gathered) {
            break; // the store holds the longest run, so this cannot happen
        }
        if (reader.read_sector(t, TrackLayout::cylinder(t), TrackLayout::head(t), s, size_code, CutBuffer + gathered,
                               chunk) == 0) {
            break;
        }
        // The whole slot counts, even when the sector was recorded shorter.
        gathered += chunk;
        remaining -= chunk;
        // A run moves on to the next track only from the layout's tracks and
        // those below them.
        if (++s > TrackLayout::kLastSector) {
            if (t > TrackLayout::kLastTrack) {
                break;
            }
            ++t;
            s = TrackLayout::kFirstSector;
        }
    }
    if (offset >= gathered) {
        return CutRange{gathered, 0};
    }
    return CutRange{offset, gathered - offset};
}
