// The reader keeps a 64 KiB window of the container in memory and serves
// lookups from it. These cases place sectors and tracks where the window has
// to move: records across its edge, tracks longer than it, tracks stored in
// reverse order, runs across disks and a container that ends inside the
// window. Every lookup must give the bytes the builder stored.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>

#include "d88_builder.h"
#include "d88_reader.h"
#include "run_program.h"

using namespace d88test;

namespace {

constexpr size_t kWindow = 65536;

uint8_t byte_at(int track, int r, size_t i)
{
    return static_cast<uint8_t>(i * 31 + static_cast<size_t>(r) * 7 + static_cast<size_t>(track) * 13 +
                                (i >> 8));
}

Sector filled(int track, uint8_t r, uint8_t n, uint16_t count, size_t size)
{
    Sector s;
    s.c = static_cast<uint8_t>(track / 2);
    s.h = static_cast<uint8_t>(track % 2);
    s.r = r;
    s.n = n;
    s.count = count;
    s.data.resize(size);
    for (size_t i = 0; i < size; ++i) {
        s.data[i] = byte_at(track, r, i);
    }
    return s;
}

// A track of count sectors of size bytes each, size code 1.
Track even_track(int track, uint16_t count, size_t size)
{
    Track t;
    for (uint16_t r = 1; r <= count; ++r) {
        t.sectors.push_back(filled(track, static_cast<uint8_t>(r), 1, count, size));
    }
    return t;
}

struct Lookup {
    int32_t disk;
    int32_t track;
    int32_t r;
    int32_t length;
    std::optional<int32_t> expected; // the whole min(length, data size) if unset
};

struct WindowCase {
    const char* what;
    std::vector<Disk> disks; // what the lookups must find
    std::vector<Lookup> lookups;
    size_t cut_to = 0; // when not 0, the container ends after this many bytes
    Bytes container;   // the disks built as they stand, when empty
};

const Sector* find_sector(const Disk& disk, int32_t track, int32_t r)
{
    for (const Sector& s : disk.tracks.at(track).sectors) {
        if (s.r == r) {
            return &s;
        }
    }
    return nullptr;
}

std::vector<WindowCase> window_cases()
{
    std::vector<WindowCase> cases;
    {
        // Tracks of 9 x 7000 bytes: most records of the later tracks lie
        // across the edge of some window.
        Disk d;
        for (int t = 0; t < 6; ++t) {
            d.tracks[t] = even_track(t, 9, 7000);
        }
        WindowCase k{"records across the window's edge", {d}, {}, 0, {}};
        for (int t = 0; t < 6; ++t) {
            for (int r = 1; r <= 9; ++r) {
                k.lookups.push_back({0, t, r, 7000, {}});
            }
        }
        cases.push_back(k);
    }
    {
        // A track of three 40,000-byte sectors is longer than the window:
        // lookups go forwards, back to the track's start and forwards again.
        Disk d;
        d.tracks[0] = even_track(0, 3, 40000);
        d.tracks[1] = even_track(1, 2, 65535);
        cases.push_back({"a track longer than the window",
                         {d},
                         {{0, 0, 3, 40000, {}},
                          {0, 0, 1, 40000, {}},
                          {0, 0, 2, 40000, {}},
                          {0, 0, 3, 100, {}},
                          {0, 1, 2, 65535, {}},
                          {0, 1, 1, 65535, {}},
                          {0, 0, 2, 65535, {}}},
                         0,
                         {}});
    }
    {
        // Tracks stored from the last to the first: each lookup goes back to
        // bytes that are in the window or just before it.
        Disk d;
        Disk stored;
        const int32_t track_bytes = 4 * (16 + 3000);
        for (int t = 0; t < 12; ++t) {
            d.tracks[t] = even_track(t, 4, 3000);
        }
        for (int t = 0; t < 12; ++t) {
            stored.tracks[t] = d.tracks[11 - t];
            stored.table_overrides[t] = 688 + (11 - t) * track_bytes;
        }
        WindowCase k{"tracks stored in reverse order", {d}, {}, 0, {}};
        k.container = build({stored});
        for (int t = 0; t < 12; ++t) {
            k.lookups.push_back({0, t, 4, 3000, {}});
            k.lookups.push_back({0, t, 1, 3000, {}});
        }
        cases.push_back(k);
    }
    {
        // Three disks read one after another: the window runs on from the
        // end of one disk into the next.
        std::vector<Disk> disks;
        for (int i = 0; i < 3; ++i) {
            Disk d;
            for (int t = 0; t < 10; ++t) {
                d.tracks[t] = even_track(t + 20 * i, 5, 2000 + 100 * static_cast<size_t>(i));
            }
            disks.push_back(d);
        }
        WindowCase k{"disks read one after another", disks, {}, 0, {}};
        for (int i = 0; i < 3; ++i) {
            for (int t = 9; t >= 0; t -= 3) {
                k.lookups.push_back({i, t, 5, 4000, {}});
                k.lookups.push_back({i, t, 2, 4000, {}});
            }
        }
        cases.push_back(k);
    }
    {
        // A disk whose size field ends before its tracks do: reading ahead
        // must not stop short of what a lookup needs.
        Disk d;
        for (int t = 0; t < 4; ++t) {
            d.tracks[t] = even_track(t, 6, 9000);
        }
        d.size = 700;
        cases.push_back({"a disk size that ends inside its first track",
                         {d},
                         {{0, 0, 6, 9000, {}}, {0, 0, 1, 9000, {}}, {0, 0, 3, 9000, {}}},
                         0,
                         {}});
    }
    {
        // The container ends inside the last sector's data, beyond the first
        // window: the bytes that are there are copied and counted.
        Disk d;
        d.tracks[0] = even_track(0, 3, 40000);
        const size_t third_data = 688 + 2 * (16 + 40000) + 16;
        cases.push_back({"the container ends inside a sector beyond the first window",
                         {d},
                         {{0, 0, 3, 40000, 1234}, {0, 0, 1, 40000, {}}, {0, 0, 3, 40000, 1234}},
                         third_data + 1234,
                         {}});
    }
    return cases;
}

} // namespace

TEST(ReaderWindow, EveryLookupGivesTheStoredBytesWhereverTheWindowStands)
{
    static uint8_t buffer[kWindow + 16];
    for (const WindowCase& k : window_cases()) {
        SCOPED_TRACE(k.what);
        Bytes container = k.container.empty() ? build(k.disks) : k.container;
        if (k.cut_to != 0) {
            container.resize(k.cut_to);
        }
        ScratchDir dir;
        write_file(dir / "c.d88", container);
        D88Reader reader;
        ASSERT_TRUE(reader.open((dir / "c.d88").c_str()));
        ASSERT_GE(reader.disk_count(), static_cast<int32_t>(k.disks.size()));
        int32_t selected = -1;
        for (const Lookup& l : k.lookups) {
            SCOPED_TRACE("disk " + std::to_string(l.disk) + " track " + std::to_string(l.track) + " sector " +
                         std::to_string(l.r));
            if (l.disk != selected) {
                ASSERT_TRUE(reader.select_disk(l.disk));
                selected = l.disk;
            }
            const Sector* s = find_sector(k.disks[static_cast<size_t>(l.disk)], l.track, l.r);
            ASSERT_NE(s, nullptr);
            const auto whole =
                static_cast<int32_t>(std::min<size_t>(s->data.size(), static_cast<size_t>(l.length)));
            const int32_t expected = l.expected.value_or(whole);
            std::memset(buffer, 0xEE, sizeof buffer);
            ASSERT_EQ(reader.read_sector(l.track, s->c, s->h, s->r, s->n, buffer, l.length), expected);
            EXPECT_EQ(std::memcmp(buffer, s->data.data(), static_cast<size_t>(expected)), 0);
            EXPECT_EQ(buffer[expected], 0xEE);
        }
    }
}

TEST(ReaderWindow, WholeVolumesOfSeveralDisksReadAsTheyWereStored)
{
    // Three disks of the fixed layout, each with its own bytes, loaded the
    // way the extractor loads a volume; the sector IDs of a track in the
    // middle of a disk are listed between the runs.
    std::vector<Disk> disks;
    for (int i = 0; i < 3; ++i) {
        disks.push_back(layout_disk("D" + std::to_string(i), [](int track, int r, int j) {
            return static_cast<uint8_t>(track * 5 + r * 17 + j + (j >> 8));
        }));
        disks.back().tracks[40].sectors[2].data.assign(1024, static_cast<uint8_t>(0xA0 + i));
    }
    ScratchDir dir;
    write_file(dir / "c.d88", build(disks));
    D88Reader reader;
    ASSERT_TRUE(reader.open((dir / "c.d88").c_str()));
    ASSERT_EQ(reader.disk_count(), 3);
    static uint8_t track[kTrackBytes];
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(reader.select_disk(i));
        reader.set_sector_range(1, 6);
        for (int t = 0; t < kVolumeTracks; ++t) {
            ASSERT_EQ(reader.read_sectors(t, t / 2, t % 2, 1, 3, track, 5120), 5120) << t;
            ASSERT_EQ(reader.read_sectors(t, t / 2, t % 2, 6, 2, track + 5120, 512), 512) << t;
            const auto& sectors = disks[static_cast<size_t>(i)].tracks.at(t).sectors;
            for (size_t r = 0; r < 6; ++r) {
                ASSERT_EQ(std::memcmp(track + r * 1024, sectors[r].data.data(), sectors[r].data.size()), 0)
                    << "track " << t << " sector " << r + 1;
            }
            if (t == 20) {
                uint8_t ids[24];
                ASSERT_EQ(reader.read_sector_ids(60, ids, 24), 24);
                EXPECT_EQ(ids[20 + 2], 6);
            }
        }
    }
}
