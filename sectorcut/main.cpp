// sectorcut: copies a run of sectors out of one disk of a D88 container into a
// file.
//
//   sectorcut d88file outputfile diskno track Sector [size] [offset]
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "cutter.h"
#include "d88_reader.h"
#include "platform.h"

namespace {

// The program's one reader; its destruction at process exit closes the
// container.
D88Reader reader;

// Shift-JIS texts.
constexpr char kUsageNote[] = "       size\x96\xa2\x8ew\x92\xe8\x8e\x9e\x82\xcd"
                              "1sector\x95\xaa\x82\xf0\x90\xd8\x82\xe8\x8fo\x82\xb5\x82\xdc\x82\xb7.\n";
constexpr char kCannotOpen[] =
    "\x83t\x83@\x83"
    "C\x83\x8b\x82\xf0\x83I\x81[\x83v\x83\x93\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1.\n";
constexpr char kNoSuchDisk[] = "\x8ew\x92\xe8\x82\xcc\x83"
                               "f\x83"
                               "B\x83X\x83N\x82\xaa\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1.\n";

void report(const char* path, int error)
{
    std::fprintf(stderr, "sectorcut: %s: %s\n", path, std::strerror(error));
}

// Gathers the run, prints the progress line, then creates the output file and
// writes the gathered bytes after the offset in one write. False when the
// output file could not be written whole.
bool cut_sectors(const char* outputfile, const platform::FileIdentity* container, int32_t track,
                 int32_t sector, int32_t size, int32_t offset)
{
    if (sector > TrackLayout::kLastSector) {
        return true;
    }
    const CutRange range = gather_sectors(reader, track, sector, size, offset);
    std::printf("cutting ... %s\n", outputfile);
    std::fflush(stdout);

    if (platform::names_file(outputfile, container)) {
        std::fprintf(stderr, "sectorcut: %s: is the container being read; not overwritten\n", outputfile);
        return false;
    }
    FILE* out = std::fopen(outputfile, "wb");
    if (out == nullptr) {
        report(outputfile, errno);
        return false;
    }
    const int error =
        platform::write_and_close(out, CutBuffer + range.start, static_cast<size_t>(range.length));
    if (error != 0) {
        report(outputfile, error);
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 6) {
        std::fprintf(stderr, "Usage: %s [d88file] [outputfile] [diskno] [track] [Sector] (size) (offset)\n",
                     argc > 0 && argv[0] != nullptr ? argv[0] : "sectorcut");
        std::fputs(kUsageNote, stderr);
        return 1;
    }
    const int32_t diskno = parse_number(argv[3]);
    const int32_t track = parse_number(argv[4]);
    const int32_t sector = parse_number(argv[5]);
    int32_t size = TrackLayout::sector_bytes(sector); // one sector when no size is given
    int32_t offset = 0;
    if (argc >= 7) {
        size = parse_number(argv[6]);
    }
    if (argc >= 8) {
        offset = parse_number(argv[7]);
    }

    if (!reader.open(argv[1])) {
        std::fputs(kCannotOpen, stderr);
        return 1;
    }
    if (static_cast<int64_t>(reader.disk_count()) < static_cast<int64_t>(diskno) + 1) {
        std::fputs(kNoSuchDisk, stderr);
        return 1;
    }
    reader.select_disk(diskno);

    platform::FileIdentity container;
    const bool known = platform::file_identity(argv[1], &container) == 0;
    return cut_sectors(argv[2], known ? &container : nullptr, track, sector, size, offset) ? 0 : 1;
}
