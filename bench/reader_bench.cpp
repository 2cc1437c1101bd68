// The reader on a disk of the fixed layout: a whole disk read the way dirpull
// loads a volume (two runs a track), and sector by sector the way sectorcut
// gathers one.
#include <benchmark/benchmark.h>

#include "d88_builder.h"
#include "d88_reader.h"
#include "run_program.h"

using namespace d88test;

namespace {

struct OpenDisk {
    OpenDisk()
    {
        write_file(dir / "disk.d88", build({layout_disk("BENCH")}));
        if (!reader.open((dir / "disk.d88").c_str()) || !reader.select_disk(0)) {
            std::abort();
        }
        reader.set_sector_range(TrackLayout::kFirstSector, TrackLayout::kLastSector);
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
            for (const TrackLayout::Run& run : TrackLayout::kRuns) {
                got += disk.reader.read_sectors(t, TrackLayout::cylinder(t), TrackLayout::head(t), run.first_sector,
                                                run.size_code, track + run.offset, run.bytes);
            }
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
            for (int r = TrackLayout::kFirstSector; r <= TrackLayout::kLastSector; ++r) {
                const int32_t size = TrackLayout::sector_bytes(r);
                got += disk.reader.read_sector(t, TrackLayout::cylinder(t), TrackLayout::head(t), r,
                                               TrackLayout::size_code(r), at, size);
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
        if (got != kVolumeTracks * TrackLayout::kSectors * 4) {
            state.SkipWithError("short list");
        }
        benchmark::DoNotOptimize(ids);
    }
}
BENCHMARK(BM_ReadSectorIdsWholeDisk);

} // namespace
