// Writes the benchmark's containers and what extracting them must give.
//
//   make_bench DISKS PREFIX
//
// PREFIX.d88 holds DISKS disks of the fixed layout, each with about 100 files
// of 100 to 8,000 bytes stored one after another from track 0 on (skipping the
// directory's place on track 37). PREFIX.list names every file dirpull writes
// for it, one "FOLDER/NAME SIZE" line each in extraction order, and
// PREFIX.blob holds their bytes back to back in the same order, for the
// baseline program. The same disk index always gives the same disk, so a
// smaller container is the first disks of a larger one.
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "d88_builder.h"

using namespace d88test;

namespace {

constexpr int kFilesPerDisk = 100;
constexpr int kSmallest = 100;
constexpr int kLargest = 8000;
constexpr int kDirectoryStart = kDirectoryOffset;
constexpr int kDirectoryEnd = kDirectoryOffset + kDirectoryEntries * 16;

struct Output {
    std::string list;
    Bytes blob;
};

Disk make_disk(int index, Output& out)
{
    std::mt19937 random(static_cast<unsigned>(index) * 7919U + 1U);
    std::uniform_int_distribution<int> size_of(kSmallest, kLargest);
    std::uniform_int_distribution<int> byte_of(0, 255);
    Volume volume;
    int at = 0; // next free byte of the volume, on a unit boundary
    char folder[16];
    std::snprintf(folder, sizeof folder, "%03d", index);
    for (int f = 0; f < kFilesPerDisk; ++f) {
        const int size = size_of(random);
        if (at < kDirectoryEnd && at + size > kDirectoryStart) {
            at = kDirectoryEnd; // a whole unit boundary: the end of track 37
        }
        if (at + size > kVolumeBytes) {
            break;
        }
        Bytes data(static_cast<size_t>(size));
        for (uint8_t& b : data) {
            b = static_cast<uint8_t>(byte_of(random));
        }
        char name[8];
        std::snprintf(name, sizeof name, "F%03d", f);
        const bool binary = f % 2 == 1;
        volume.add_file(name, binary ? "BIN" : "BAS", binary ? 1 : 0, at / kTrackBytes,
                        at % kTrackBytes / kUnitBytes + 1, static_cast<uint16_t>(0x8000 + f), data);
        out.list +=
            std::string(folder) + "/" + name + (binary ? ".BIN " : ".BAS ") + std::to_string(size) + "\n";
        out.blob.insert(out.blob.end(), data.begin(), data.end());
        at += (size + kUnitBytes - 1) / kUnitBytes * kUnitBytes;
    }
    char disk_name[32];
    std::snprintf(disk_name, sizeof disk_name, "BENCH DISK %03d", index);
    return volume.to_disk(disk_name);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3 || std::atoi(argv[1]) < 1) {
        std::fprintf(stderr, "usage: make_bench DISKS PREFIX\n");
        return 1;
    }
    const int disks = std::atoi(argv[1]);
    const std::string prefix = argv[2];
    std::vector<Disk> all;
    Output out;
    for (int d = 0; d < disks; ++d) {
        all.push_back(make_disk(d, out));
    }
    write_file(prefix + ".d88", build(all));
    write_file(prefix + ".list", Bytes(out.list.begin(), out.list.end()));
    write_file(prefix + ".blob", out.blob);
    return 0;
}
