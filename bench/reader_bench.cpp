// The reader on a disk of the fixed layout: a whole disk read the way dirpull
// loads a volume (two runs a track), and sector by sector the way sectorcut
// gathers one.
#include <benchmark/benchmark.h>

#include "d88_builder.h"
#include "d88_reader.h"
#include "run_program.h"

using namespace d88test;

namespace {

constexpr int kLongSectors = 5 * 1024;

struct OpenDisk {
    OpenDisk()
    {
        write_file(dir / "disk.d88", build({layout_disk("BENCH")}));
        if (!reader.open((dir / "disk.d88").c_str()) || !reader.select_disk(0)) {
            std::abort();
        }
        reader.set_sector_range(1, 6);
    }
    ScratchDir dir;
    D88Reader reader;
};

void BM_ReadSectorsWholeDisk(benchmark::State& state)
{
    OpenDisk disk;
    static uint8_t image[kVolumeBytes];
    for (auto _ : state) {
        int64_t got = 0;
        for (int t = 0; t < kVolumeTracks; ++t) {
            uint8_t* track = image + static_cast<ptrdiff_t>(t) * kTrackBytes;
            got += disk.reader.read_sectors(t, t / 2, t % 2, 1, 3, track, kLongSectors);
            got += disk.reader.read_sectors(t, t / 2, t % 2, 6, 2, track + kLongSectors, 512);
        }
        if (got != kVolumeBytes) {
            state.SkipWithError("short read");
        }
        benchmark::DoNotOptimize(image);
    }
    state.SetBytesProcessed(state.iterations() * kVolumeBytes);
}
BENCHMARK(BM_ReadSectorsWholeDisk);

void BM_ReadSectorEachSector(benchmark::State& state)
{
    OpenDisk disk;
    static uint8_t image[kVolumeBytes];
    for (auto _ : state) {
        int64_t got = 0;
        uint8_t* at = image;
        for (int t = 0; t < kVolumeTracks; ++t) {
            for (int r = 1; r <= 6; ++r) {
                const int32_t n = r == 6 ? 2 : 3;
                const int32_t size = 128 << n;
                got += disk.reader.read_sector(t, t / 2, t % 2, r, n, at, size);
                at += size;
            }
        }
        if (got != kVolumeBytes) {
            state.SkipWithError("short read");
        }
        benchmark::DoNotOptimize(image);
    }
    state.SetBytesProcessed(state.iterations() * kVolumeBytes);
}
BENCHMARK(BM_ReadSectorEachSector);

// The sector IDs of every track of the disk, the way d88info lists them.
void BM_ReadSectorIdsWholeDisk(benchmark::State& state)
{
    OpenDisk disk;
    uint8_t ids[256 * 4];
    for (auto _ : state) {
        int64_t got = 0;
        for (int t = 0; t < kVolumeTracks; ++t) {
            got += disk.reader.read_sector_ids(t, ids, static_cast<int32_t>(sizeof ids));
        }
        if (got != kVolumeTracks * 6 * 4) {
            state.SkipWithError("short list");
        }
        benchmark::DoNotOptimize(ids);
    }
}
BENCHMARK(BM_ReadSectorIdsWholeDisk);

} // namespace
