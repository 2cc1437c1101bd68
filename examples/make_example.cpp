// Writes the example container: two disks of the fixed layout, each with a
// directory on track 37 listing BAS and BIN files.
//
//   make_example OUTPUT.d88
#include <cstdio>
#include <string>

#include "d88_builder.h"

using namespace d88test;

namespace {

Bytes text(const std::string& s)
{
    return Bytes(s.begin(), s.end());
}

// Machine code stand-in: a repeatable byte sequence of the given length.
Bytes code(size_t length, uint8_t seed)
{
    Bytes out(length);
    uint32_t x = seed * 2654435761U + 1;
    for (uint8_t& b : out) {
        x = x * 1103515245U + 12345U;
        b = static_cast<uint8_t>(x >> 16);
    }
    return out;
}

Disk games_disk()
{
    Volume v;
    v.add_file("HELLO", "BAS", 0x00, 1, 1, 0,
               text("10 PRINT \"HELLO FROM DISK 0\"\r\n20 FOR I=1 TO 10:PRINT I:NEXT\r\n30 END\r\n"));
    v.add_file("LOADER", "BIN", 0x01, 1, 3, 0xC000, code(1500, 1));
    v.add_file("TITLE", "BIN", 0x01, 2, 11, 0x8000, code(2000, 2)); // runs on into track 3
    v.set_entry(3, Bytes(16, 0x00));                                // an empty entry
    v.add_file("SCORE", "DAT", 0x00, 4, 1, 0, text("HI-SCORE 012345\r\n"));
    v.end_directory_at(5);
    return v.to_disk("GAMES DISK");
}

Disk tools_disk()
{
    Volume v;
    v.add_file("EDIT", "BIN", 0x01, 1, 1, 0x6000, code(7000, 3));
    v.add_file("SORT", "BAS", 0x00, 3, 1, 0, text("10 REM SORT\r\n20 END\r\n"));
    v.add_file("README", "   ", 0x00, 3, 2, 0, text("TWO DISKS, BAS AND BIN FILES.\r\n"));
    v.end_directory_at(3);
    return v.to_disk("TOOLS");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: make_example OUTPUT.d88\n", stderr);
        return 1;
    }
    write_file(argv[1], build({games_disk(), tools_disk()}));
    return 0;
}
