// The one disk geometry that sectorcut and dirpull expect, and that d88info
// holds tracks against: tracks 0 to 83, track t being cylinder t / 2 and head
// t % 2; every track holds sectors 1 to 5 of 1024 bytes (size code 3), then
// sector 6 of 512 bytes (size code 2): 5632 bytes of data a track.
//
// Every number of this geometry lives here; the programs take them from here.
#ifndef D88_TRACK_LAYOUT_H
#define D88_TRACK_LAYOUT_H

#include <cstdint>

struct TrackLayout {
    static constexpr int32_t kFirstTrack = 0; // tracks of a disk
    static constexpr int32_t kLastTrack = 83;
    static constexpr int32_t kTracks = kLastTrack - kFirstTrack + 1; // 84
    static constexpr int32_t kFirstSector = 1; // sector numbers (R) of a track
    static constexpr int32_t kLastSector = 6;
    static constexpr int32_t kSectors = kLastSector - kFirstSector + 1; // 6, the count every header gives
    static constexpr int32_t kShortSector = 6;   // the last sector is the one of the short size code
    static constexpr int32_t kLongSizeCode = 3;  // size code (N) of every other sector
    static constexpr int32_t kShortSizeCode = 2; // size code of sector 6
    static constexpr int32_t kLongSectorBytes = 128 << kLongSizeCode;   // 1024
    static constexpr int32_t kShortSectorBytes = 128 << kShortSizeCode; // 512
    // Sectors 1 to 5, then sector 6: 5632 (0x1600) bytes.
    static constexpr int32_t kTrackBytes = (kShortSector - kFirstSector) * kLongSectorBytes + kShortSectorBytes;

    // Size code of sector r: 2 for sector 6, 3 for any other number.
    static constexpr int32_t size_code(int32_t r) { return r == kShortSector ? kShortSizeCode : kLongSizeCode; }
    // Data bytes of a size code (128 << n; the codes of the layout are 2 and
    // 3), and of sector r.
    static constexpr int32_t code_bytes(int32_t n) { return 128 << n; }
    static constexpr int32_t sector_bytes(int32_t r) { return code_bytes(size_code(r)); }
    // Where sector r (1 to 6) begins in the track's data.
    static constexpr int32_t sector_offset(int32_t r) { return (r - kFirstSector) * kLongSectorBytes; }

    static constexpr int32_t cylinder(int32_t track) { return track / 2; }
    static constexpr int32_t head(int32_t track) { return track % 2; }

    // A track is read in two runs of one size code each: sectors 1 to 5, then
    // sector 6.
    struct Run {
        int32_t first_sector;
        int32_t size_code;
        int32_t offset; // where the run begins in the track's data
        int32_t bytes;
    };
    static constexpr Run kRuns[2] = {
        {kFirstSector, kLongSizeCode, 0, (kShortSector - kFirstSector) * kLongSectorBytes},
        {kShortSector, kShortSizeCode, (kShortSector - kFirstSector) * kLongSectorBytes, kShortSectorBytes},
    };
};

#endif
