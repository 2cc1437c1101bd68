// Fuzz target for the sector cutter, run as sectorcut runs: the numbers of
// the command line read with parse_number, the disk checked and selected, the
// run gathered into CutBuffer and the written range summed instead of written
// to a file. parse_number is compared with the C library's scan ("0x%x", then
// "%d") wherever no run of digits is long enough to leave 64 bits.
//
// Input: up to five arguments (diskno, track, sector, size, offset), each
// ended by a newline, up to the first NUL byte; the container after it. With
// fewer than three arguments the run stops at the usage check.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cutter.h"
#include "d88_reader.h"
#include "fuzz_support.h"

namespace {

d88fuzz::ScratchContainer scratch;

constexpr size_t kMaxArguments = 5;
constexpr size_t kMaxDigitRun = 15; // 15 hexadecimal or decimal digits stay below 2^63

bool digit_runs_short(const std::string& text)
{
    size_t run = 0;
    for (const char c : text) {
        const bool digit = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        run = digit ? run + 1 : 0;
        if (run > kMaxDigitRun) {
            return false;
        }
    }
    return true;
}

// The number as the C library reads it, modulo 2^32.
int32_t scanned_number(const char* text)
{
    unsigned hex = 0;
    if (std::sscanf(text, "0x%x", &hex) == 1) {
        return static_cast<int32_t>(hex);
    }
    int decimal = 0;
    if (std::sscanf(text, "%d", &decimal) == 1) {
        return decimal;
    }
    return 0;
}

int32_t number(const std::string& text)
{
    const int32_t value = parse_number(text.c_str());
    if (digit_runs_short(text)) {
        const int32_t expected = scanned_number(text.c_str());
        if (value != expected) {
            std::fprintf(stderr, "parse_number(\"%s\") gives %d, the C library %d\n", text.c_str(), value,
                         expected);
        }
        FUZZ_CHECK(value == expected);
    }
    return value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto* end_of_text = static_cast<const uint8_t*>(std::memchr(data, 0, size));
    const size_t text_size = end_of_text != nullptr ? static_cast<size_t>(end_of_text - data) : size;
    std::vector<std::string> arguments;
    size_t from = 0;
    for (size_t i = 0; i < text_size && arguments.size() < kMaxArguments; ++i) {
        if (data[i] == '\n') {
            arguments.emplace_back(reinterpret_cast<const char*>(data + from), i - from);
            from = i + 1;
        }
    }
    std::vector<int32_t> numbers;
    for (const std::string& argument : arguments) {
        numbers.push_back(number(argument));
    }
    if (numbers.size() < 3) {
        return 0; // sectorcut prints its usage
    }
    const int32_t diskno = numbers[0];
    const int32_t track = numbers[1];
    const int32_t sector = numbers[2];
    const int32_t size_asked = numbers.size() > 3 ? numbers[3] : TrackLayout::sector_bytes(sector);
    const int32_t offset = numbers.size() > 4 ? numbers[4] : 0;

    const size_t container_at = end_of_text != nullptr ? text_size + 1 : size;
    D88Reader reader;
    FUZZ_CHECK(reader.open(scratch.write(data + container_at, size - container_at)));
    if (static_cast<int64_t>(reader.disk_count()) < static_cast<int64_t>(diskno) + 1) {
        return 0; // no such disk
    }
    reader.select_disk(diskno);
    if (sector > 6) {
        return 0; // nothing is cut
    }

    // A run starts with a zeroed store.
    std::memset(CutBuffer, 0, sizeof CutBuffer);
    const CutRange range = gather_sectors(reader, track, sector, size_asked, offset);
    FUZZ_CHECK(range.start >= 0 && range.length >= 0);
    FUZZ_CHECK(static_cast<int64_t>(range.start) + range.length <= kCutBufferSize);
    // At most size bytes, after the offset (a negative offset counts as 0).
    FUZZ_CHECK(range.length <= (size_asked > 0 ? size_asked : 0));
    if (range.length > 0) {
        FUZZ_CHECK(range.start == (offset > 0 ? offset : 0));
    }
    uint32_t sum = 0;
    for (int32_t i = 0; i < range.length; ++i) {
        sum = sum * 31 + CutBuffer[range.start + i];
    }
    d88fuzz::written_checksum = sum;
    return 0;
}
