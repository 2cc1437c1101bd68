// The container reader on containers built in code: indexing, disk selection,
// sector lookup, runs and ID lists, on good and damaged input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <functional>

#include "d88_builder.h"
#include "d88_reader.h"
#include "run_program.h"
#include "track_layout.h"

using namespace d88test;

namespace {

// Holds a container in a scratch file and a reader opened on it.
struct Opened {
    explicit Opened(const Bytes& container)
    {
        write_file(dir / "c.d88", container);
        EXPECT_TRUE(reader.open((dir / "c.d88").c_str()));
    }
    ScratchDir dir;
    D88Reader reader;
};

// One disk of one track (index 0) holding the given records.
Bytes one_track(std::vector<Sector> sectors, int32_t track = 0)
{
    Disk d;
    d.tracks[track].sectors = std::move(sectors);
    return build({d});
}

void put_le32(Bytes& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) {
        b.at(at + i) = static_cast<uint8_t>(v >> (8 * i));
    }
}

} // namespace

TEST(LittleEndian, AssemblesBytes)
{
    const uint8_t bytes[] = {0x34, 0x12, 0xFF, 0xFF};
    EXPECT_EQ(le16(bytes), 0x1234);
    EXPECT_EQ(le16(bytes + 2), 65535);
    EXPECT_EQ(le32(bytes), static_cast<int32_t>(0xFFFF1234));
    const uint8_t size[] = {0xD0, 0x04, 0x00, 0x00};
    EXPECT_EQ(le32(size), 0x4D0);
}

// The smallest worked example: one disk, one track of two 256-byte sectors.
TEST(Reader, ReadsTheWorkedExampleAtItsOffsets)
{
    Bytes c = one_track({sector(0, 0, 1, 1, 2, 256, 0xA1), sector(0, 0, 2, 1, 2, 256, 0xB2)});
    ASSERT_EQ(c.size(), 0x4D0U);
    EXPECT_EQ(c[0x20], 0xB0); // track 0 at 0x2B0
    EXPECT_EQ(c[0x21], 0x02);
    EXPECT_EQ(c[0x3C2], 2); // second header at 0x3C0
    Bytes two = c;
    two.insert(two.end(), c.begin(), c.end());
    two[0x4D0 + 0x2C0] = 0x5A; // second disk's first data byte
    Opened o(two);
    ASSERT_EQ(o.reader.disk_count(), 2);
    uint8_t buffer[300] = {};
    ASSERT_TRUE(o.reader.select_disk(0));
    EXPECT_EQ(o.reader.read_sector(0, 0, 0, 2, 1, buffer, 300), 256);
    EXPECT_EQ(buffer[0], 0xB2);
    ASSERT_TRUE(o.reader.select_disk(1));
    EXPECT_EQ(o.reader.read_sector(0, 0, 0, 1, 1, buffer, 300), 256);
    EXPECT_EQ(buffer[0], 0x5A);
    EXPECT_EQ(buffer[1], 0xA1);
}

struct IndexCase {
    const char* what;
    std::function<Bytes()> container;
    int32_t disks;
    std::vector<int32_t> names_from_disk; // first name byte seen by select_disk(i)
};

TEST(Reader, IndexesDisksByTheirSizeFields)
{
    auto named = [](char ch, std::optional<int32_t> size = {}) {
        Disk d;
        d.name = std::string(1, ch);
        d.tracks[0].sectors = {sector(0, 0, 1, 1, 1, 100, 0)};
        d.size = size;
        return d;
    };
    const std::vector<IndexCase> cases = {
        {"empty file", [] { return Bytes{}; }, 0, {}},
        {"687 bytes", [] { return Bytes(687, 0); }, 0, {}},
        {"exactly one header", [] { return Bytes(688, 0x41); }, 1, {}},
        {"three disks",
         [&] {
             return build({named('a'), named('b'), named('c')});
         },
         3,
         {'a', 'b', 'c'}},
        {"100 bytes after the last disk",
         [&] {
             Bytes b = build({named('a'), named('b')});
             b.resize(b.size() + 100, 0x77);
             return b;
         },
         2,
         {'a', 'b'}},
        {"65 disks", [&] { return build(std::vector<Disk>(65, named('x'))); }, 64, {}},
        {"first size 0 indexes the first disk 64 times",
         [&] {
             return build({named('z', 0), named('b')});
         },
         64,
         {'z', 'z', 'z'}},
        {"negative size ends the indexing after that disk",
         [&] {
             return build({named('a'), named('n', INT32_MIN), named('c')});
         },
         2,
         {'a', 'n'}},
        {"size past the end", [&] { return build({named('a', 1 << 30)}); }, 1, {'a'}},
        {"size to 2^31 and beyond",
         [&] {
             return build({named('a', INT32_MAX), named('b')});
         },
         1,
         {'a'}},
    };
    for (const IndexCase& k : cases) {
        SCOPED_TRACE(k.what);
        Opened o(k.container());
        EXPECT_EQ(o.reader.disk_count(), k.disks);
        for (size_t i = 0; i < k.names_from_disk.size(); ++i) {
            ASSERT_TRUE(o.reader.select_disk(static_cast<int32_t>(i)));
            EXPECT_EQ(o.reader.disk_name()[0], k.names_from_disk[i]);
        }
    }
}

TEST(Reader, OpenFailsOnAMissingFileAndNullCloses)
{
    D88Reader reader;
    EXPECT_FALSE(reader.open("/nonexistent/container.d88"));
    EXPECT_EQ(errno, ENOENT);
    ScratchDir dir;
    EXPECT_FALSE(reader.open(dir.path().c_str())); // a folder opens, but cannot be read
    EXPECT_EQ(errno, EISDIR);
    EXPECT_FALSE(reader.select_disk(0));
    EXPECT_TRUE(reader.open(nullptr));
    EXPECT_EQ(reader.disk_count(), 0);
    EXPECT_EQ(reader.media_type(), -1);
}

TEST(Reader, SelectDiskLoadsNameAndMediaAndAFailedSelectClearsIt)
{
    Disk d;
    d.name = "ABCDEFGHIJKLMNOP"; // 16 bytes, no NUL
    d.media = 0x20;
    d.tracks[0].sectors = {sector(0, 0, 1, 1, 1, 16, 7)};
    Disk e;
    e.name = std::string("AB\0CD", 5);
    Bytes c = build({d, e});
    c[0x10] = 'Q'; // the byte after a full name field is not part of the name
    Opened o(c);
    ASSERT_TRUE(o.reader.select_disk(0));
    EXPECT_STREQ(o.reader.disk_name(), "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(o.reader.media_type(), 0x20);
    uint8_t buffer[16];
    EXPECT_EQ(o.reader.read_sector(0, 0, 0, 1, 1, buffer, 16), 16);
    ASSERT_TRUE(o.reader.select_disk(1));
    EXPECT_STREQ(o.reader.disk_name(), "AB");
    for (int32_t bad : {2, -1, INT32_MAX}) {
        SCOPED_TRACE(bad);
        ASSERT_TRUE(o.reader.select_disk(0));
        EXPECT_FALSE(o.reader.select_disk(bad));
        EXPECT_EQ(o.reader.media_type(), -1);
        EXPECT_STREQ(o.reader.disk_name(), "");
        EXPECT_EQ(o.reader.read_sector(0, 0, 0, 1, 1, buffer, 16), 0);
        uint8_t ids[8];
        EXPECT_EQ(o.reader.read_sector_ids(0, ids, 8), 0);
    }
}

struct LookupCase {
    const char* what;
    std::function<Bytes()> container;
    int32_t track, c, h, r, n, length;
    int32_t expected;
};

TEST(Reader, ReadSectorFindsBySectorIdWithinTheTrack)
{
    const Sector a = sector(0, 0, 1, 1, 2, 256, 0xA1);
    const Sector b = sector(0, 0, 2, 1, 2, 256, 0xB2);
    auto with = [](Bytes bytes, size_t at, uint32_t value) {
        put_le32(bytes, at, value);
        return bytes;
    };
    const std::vector<LookupCase> cases = {
        {"found",
         [&] {
             return one_track({a, b});
         },
         0, 0, 0, 2, 1, 256, 256},
        {"length smaller than the data",
         [&] {
             return one_track({a, b});
         },
         0, 0, 0, 2, 1, 100, 100},
        {"length larger than the data",
         [&] {
             return one_track({a, b});
         },
         0, 0, 0, 1, 1, 4096, 256},
        {"length 0",
         [&] {
             return one_track({a, b});
         },
         0, 0, 0, 1, 1, 0, 0},
        {"negative length",
         [&] {
             return one_track({a, b});
         },
         0, 0, 0, 1, 1, -5, 0},
        {"N differs",
         [&] {
             return one_track({a, b});
         },
         0, 0, 0, 1, 2, 256, 0},
        {"H differs",
         [&] {
             return one_track({a, b});
         },
         0, 0, 1, 1, 1, 256, 0},
        {"track 164",
         [&] {
             return one_track({a, b});
         },
         164, 0, 0, 1, 1, 256, 0},
        {"track -1",
         [&] {
             return one_track({a, b});
         },
         -1, 0, 0, 1, 1, 256, 0},
        {"entry 0: absent track",
         [&] {
             return one_track({a, b});
         },
         1, 0, 0, 1, 1, 256, 0},
        {"entry past the disk size",
         [&] {
             return with(one_track({a, b}), 0x20, 0x4D1);
         },
         0, 0, 0, 1, 1, 256, 0},
        {"negative entry lies outside the disk",
         [&] {
             return with(one_track({a, b}), 0x20, 0xFFFFFFF0);
         },
         0, 0, 0, 1, 1, 256, 0},
        {"entry equal to the disk size is read",
         [&] {
             Bytes bytes = with(one_track({a, b}), 0x1C, 0x3C0); // disk ends at the second header
             return with(bytes, 0x20, 0x3C0);
         },
         0, 0, 0, 2, 1, 256, 256},
        {"first header's count 0 is never matched",
         [&] {
             Sector z = a;
             z.count = 0;
             return one_track({z, b});
         },
         0, 0, 0, 1, 1, 256, 0},
        {"a record after the count is never found",
         [&] {
             Sector x = a;
             x.count = 1;
             return one_track({x, b});
         },
         0, 0, 0, 2, 1, 256, 0},
        {"data size 0 is not found",
         [&] {
             Sector e = b;
             e.data.clear();
             return one_track({a, e});
         },
         0, 0, 0, 2, 1, 256, 0},
        {"ignored header bytes change nothing",
         [&] {
             Sector x = a;
             x.density = 0x40;
             x.deleted = 0x10;
             x.status = 0xB0;
             return one_track({x, b});
         },
         0, 0, 0, 2, 1, 256, 256},
        {"container ends inside a sector header",
         [&] {
             Bytes bytes = one_track({a, b});
             bytes.resize(0x3C0 + 10);
             return bytes;
         },
         0, 0, 0, 2, 1, 256, 0},
        {"container ends inside the sector's data: the bytes there",
         [&] {
             Bytes bytes = one_track({a, b});
             bytes.resize(0x3D0 + 40);
             return bytes;
         },
         0, 0, 0, 2, 1, 256, 40},
        {"counts of 65535 end at the end of the container",
         [&] {
             Sector x = a;
             x.count = 65535;
             return one_track({x, x, x});
         },
         0, 0, 0, 9, 1, 256, 0},
    };
    for (const LookupCase& k : cases) {
        SCOPED_TRACE(k.what);
        Opened o(k.container());
        ASSERT_TRUE(o.reader.select_disk(0));
        uint8_t buffer[4096 + 1];
        std::memset(buffer, 0xEE, sizeof buffer);
        const int32_t got = o.reader.read_sector(k.track, k.c, k.h, k.r, k.n, buffer, k.length);
        EXPECT_EQ(got, k.expected);
        // Nothing lands past the bytes reported (and so past length).
        const auto untouched = std::count(buffer + got, buffer + sizeof buffer, 0xEE);
        EXPECT_EQ(untouched, static_cast<long>(sizeof buffer) - got);
    }
}

TEST(Reader, ASixthRecordBehindFiveCountedSectorsIsNeverFound)
{
    std::vector<Sector> records;
    for (uint8_t r = 1; r <= 6; ++r) {
        records.push_back(sector(0, 0, r, 1, 5, 256, r));
    }
    Opened o(one_track(records));
    ASSERT_TRUE(o.reader.select_disk(0));
    uint8_t buffer[256];
    EXPECT_EQ(o.reader.read_sector(0, 0, 0, 5, 1, buffer, 256), 256);
    EXPECT_EQ(o.reader.read_sector(0, 0, 0, 6, 1, buffer, 256), 0);
}

// A disk with the fixed layout on tracks 0 to 3, and tracks 4 to 6 of six
// 512-byte sectors of size code 2, for runs across tracks.
Bytes layout_container()
{
    Disk d;
    for (int t = 0; t < 4; ++t) {
        d.tracks[t] = layout_track(t);
    }
    for (int t = 4; t < 7; ++t) {
        for (uint8_t r = 1; r <= 6; ++r) {
            d.tracks[t].sectors.push_back(sector(static_cast<uint8_t>(t / 2), static_cast<uint8_t>(t % 2), r,
                                                 2, 6, 512, static_cast<uint8_t>(t * 16 + r)));
        }
    }
    return build({d});
}

TEST(Reader, ReadSectorsStepsThroughTheWindowAndStopsAtAnotherSizeCode)
{
    Opened o(layout_container());
    ASSERT_TRUE(o.reader.select_disk(0));
    o.reader.set_sector_range(1, 6);
    static uint8_t buffer[4 * 5632];
    struct Case {
        const char* what;
        int32_t track, c, h, r, n, length, expected;
        uint8_t second_piece; // first byte of the second 512-byte piece, 0 if not checked
    };
    const Case cases[] = {
        {"sectors 1 to 5", 0, 0, 0, 1, 3, 5120, 5120, 0},
        {"a sixth piece asks for sector 6 with N 3", 0, 0, 0, 1, 3, 6144, 5120, 0},
        {"one short piece", 0, 0, 0, 1, 3, 1000, 1000, 0},
        {"length 0", 0, 0, 0, 1, 3, 0, 0, 0},
        {"negative length", 0, 0, 0, 1, 3, -1, 0, 0},
        {"size code beyond any piece", 0, 0, 0, 1, 200, 100, 0, 0},
        {"negative size code", 0, 0, 0, 1, -1, 100, 0, 0},
        {"sector 6 of track 4 leads to track 5, c 2, h 1, r 1", 4, 2, 0, 6, 2, 1024, 1024, 5 * 16 + 1},
        {"sector 6 of track 5 leads to track 6, c 3, h 0, r 1", 5, 2, 1, 6, 2, 1024, 1024, 6 * 16 + 1},
        {"a run that starts above the window never wraps", 4, 2, 0, 7, 2, 512, 0, 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        EXPECT_EQ(o.reader.read_sectors(k.track, k.c, k.h, k.r, k.n, buffer, k.length), k.expected);
        if (k.second_piece != 0) {
            EXPECT_EQ(buffer[512], k.second_piece);
        }
    }
    // Bytes of the pieces land where they belong.
    ASSERT_EQ(o.reader.read_sectors(1, 0, 1, 1, 3, buffer, 3 * 1024), 3 * 1024);
    for (int r = 1; r <= 3; ++r) {
        EXPECT_EQ(buffer[(r - 1) * 1024 + 5], default_pattern(1, r, 5));
    }
}

TEST(Reader, ReadSectorIdsListsWholeEntriesInStoredOrder)
{
    std::vector<Sector> records;
    for (uint8_t r : {3, 1, 2, 6, 4, 5}) {
        records.push_back(sector(9, 1, r, 2, 6, 64, r));
    }
    Opened o(one_track(records, 19));
    ASSERT_TRUE(o.reader.select_disk(0));
    uint8_t ids[64] = {};
    EXPECT_EQ(o.reader.read_sector_ids(19, ids, 8), 8);
    EXPECT_EQ(o.reader.read_sector_ids(19, ids, 10), 8);
    EXPECT_EQ(o.reader.read_sector_ids(19, ids, 64), 24);
    const uint8_t expected[] = {9, 1, 3, 2, 9, 1, 1, 2, 9, 1, 2, 2, 9, 1, 6, 2, 9, 1, 4, 2, 9, 1, 5, 2};
    EXPECT_EQ(std::memcmp(ids, expected, sizeof expected), 0);
    EXPECT_EQ(o.reader.read_sector_ids(20, ids, 64), 0);
}

TEST(Reader, ReadSectorIdsGoesOnPastACountOfZeroToTheEnd)
{
    Sector z = sector(0, 0, 1, 1, 0, 32, 0);
    Opened o(one_track({z, z, z}));
    ASSERT_TRUE(o.reader.select_disk(0));
    uint8_t ids[64];
    EXPECT_EQ(o.reader.read_sector_ids(0, ids, 64), 12);
}

// Real containers written by other tools: one 2D disk of 80 tracks of sixteen
// 256-byte sectors each.
TEST(Reader, IndexesAndReadsContainersFromOtherTools)
{
    for (const char* name : {"cpm-2d.d88", "hubasic-2d.d88"}) {
        SCOPED_TRACE(name);
        const std::string path = std::string(SAMPLES_DIR) + "/" + name;
        if (!std::ifstream(path).good()) {
            GTEST_SKIP() << "no samples beside the project";
        }
        D88Reader reader;
        ASSERT_TRUE(reader.open(path.c_str()));
        EXPECT_EQ(reader.disk_count(), 1);
        ASSERT_TRUE(reader.select_disk(0));
        EXPECT_EQ(reader.media_type(), 0x00);
        int32_t sectors = 0;
        uint8_t buffer[256];
        for (int32_t t = 0; t < 164; ++t) {
            uint8_t ids[4 * 32];
            const int32_t listed = reader.read_sector_ids(t, ids, sizeof ids);
            EXPECT_EQ(listed, t < 80 ? 64 : 0) << "track " << t;
            for (int32_t i = 0; i < listed; i += 4) {
                EXPECT_EQ(ids[i], t / 2);
                EXPECT_EQ(ids[i + 1], t % 2);
                sectors +=
                    reader.read_sector(t, ids[i], ids[i + 1], ids[i + 2], ids[i + 3], buffer, 256) == 256;
            }
        }
        EXPECT_EQ(sectors, 80 * 16);
    }
}

// The read-only accessors for programs that show a container's structure.
TEST(ReaderFacts, GiveIndexedOffsetsAndStoredFields)
{
    Disk a;
    a.tracks[0] = layout_track(0);
    Disk b = a;
    b.table_overrides[5] = -7;
    b.table_overrides[163] = 123456;
    Opened o(build({a, b}));
    D88Reader& reader = o.reader;
    EXPECT_EQ(reader.disk_offset(0), 0);
    EXPECT_EQ(reader.disk_offset(1), 688 + 5728);
    EXPECT_EQ(reader.disk_offset(2), -1);
    EXPECT_EQ(reader.disk_offset(-1), -1);
    EXPECT_EQ(reader.disk_size_field(), 0);
    EXPECT_EQ(reader.track_entry(0), 0);

    ASSERT_TRUE(reader.select_disk(1));
    EXPECT_EQ(reader.disk_size_field(), 688 + 5728);
    EXPECT_EQ(reader.track_entry(0), 688);
    EXPECT_EQ(reader.track_entry(1), 0);
    EXPECT_EQ(reader.track_entry(5), -7);
    EXPECT_EQ(reader.track_entry(163), 123456);
    EXPECT_EQ(reader.track_entry(164), 0);
    EXPECT_EQ(reader.track_entry(-1), 0);

    EXPECT_FALSE(reader.select_disk(2)); // a failed selection clears them
    EXPECT_EQ(reader.disk_size_field(), 0);
    EXPECT_EQ(reader.track_entry(0), 0);
}

// The geometry every program takes its numbers from.
TEST(TrackLayout, IsTheFixedGeometry)
{
    EXPECT_EQ(TrackLayout::kTracks, 84);
    EXPECT_EQ(TrackLayout::kTrackBytes, 0x1600);
    const int32_t codes[] = {3, 3, 3, 3, 3, 2};
    for (int32_t r = 1; r <= 6; ++r) {
        EXPECT_EQ(TrackLayout::size_code(r), codes[r - 1]) << "sector " << r;
        EXPECT_EQ(TrackLayout::sector_bytes(r), 128 << codes[r - 1]) << "sector " << r;
        EXPECT_EQ(TrackLayout::sector_offset(r), (r - 1) * 1024) << "sector " << r;
    }
    EXPECT_EQ(TrackLayout::size_code(0), 3); // a run may start below sector 1
    EXPECT_EQ(TrackLayout::cylinder(37), 18);
    EXPECT_EQ(TrackLayout::head(37), 1);
    EXPECT_EQ(TrackLayout::kRuns[0].bytes + TrackLayout::kRuns[1].bytes, TrackLayout::kTrackBytes);
    EXPECT_EQ(TrackLayout::kRuns[1].offset, 5120);
}

// The record scan parses every field of each header, in stored order, and
// tells where each record's data lie.
TEST(ReaderRecords, ParseEveryHeaderField)
{
    Sector a = sector(4, 1, 7, 2, 3, 100, 0x11);
    a.density = 0x40;
    a.deleted = 0x10;
    a.status = 0xB0;
    Sector b = sector(5, 0, 1, 3, 3, 0, 0);
    b.data_size = 0; // no data
    Sector c = sector(0xFF, 0xFE, 0xFD, 0xFC, 3, 300, 0x33);
    c.status = 0xA0;
    Opened o(one_track({a, b, c}, 9));
    ASSERT_TRUE(o.reader.select_disk(0));
    SectorRecord records[8];
    const RecordScan scan = o.reader.read_sector_records(9, records, 8);
    ASSERT_EQ(scan.records, 3);
    EXPECT_FALSE(scan.container_ends);
    struct Expected {
        int c, h, r, n, count, density, deleted, status, data_size;
        int64_t data_position;
    };
    const Expected expected[] = {{4, 1, 7, 2, 3, 0x40, 0x10, 0xB0, 100, 0x2B0 + 16},
                                 {5, 0, 1, 3, 3, 0, 0, 0, 0, 0x2B0 + 16 + 100 + 16},
                                 {0xFF, 0xFE, 0xFD, 0xFC, 3, 0, 0, 0xA0, 300, 0x2B0 + 3 * 16 + 100}};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE("record " + std::to_string(i));
        const SectorRecord& got = records[i];
        const Expected& e = expected[i];
        EXPECT_EQ((std::vector<int64_t>{got.c, got.h, got.r, got.n, got.sector_count, got.density, got.deleted,
                                        got.status, got.data_size, got.data_position}),
                  (std::vector<int64_t>{e.c, e.h, e.r, e.n, e.count, e.density, e.deleted, e.status, e.data_size,
                                        e.data_position}));
    }
}

// The scan lists exactly the records that read_sector_ids lists, and tells
// when the container ends inside the track.
TEST(ReaderRecords, EndWhereTheIdListEndsAndTellTheEndOfTheContainer)
{
    const std::vector<Sector> six = layout_track(0).sectors;
    std::vector<Sector> zero_counts = six;
    for (Sector& s : zero_counts) {
        s.count = 0;
    }
    std::vector<Sector> first_says_two = six;
    first_says_two[0].count = 1;
    first_says_two[1].count = 2;
    struct Case {
        const char* what;
        std::vector<Sector> records;
        int32_t capacity;
        size_t cut; // bytes cut off the container's end
        int32_t listed;
        bool ends;
    };
    const std::vector<Case> cases = {
        {"six counted records", six, 16, 0, 6, false},
        {"the capacity cuts the list", six, 4, 0, 4, false},
        {"no room", six, 0, 0, 0, false},
        {"the first header counts one", first_says_two, 16, 0, 1, false},
        {"counts of 0 go on to the end of the container", zero_counts, 16, 0, 6, true},
        {"the container ends inside the last data", six, 16, 10, 6, true},
        {"the container ends inside the last header", six, 16, 512 + 8, 5, true},
        {"the list stops before the cut data", six, 5, 10, 5, false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        Bytes container = one_track(k.records);
        container.resize(container.size() - k.cut);
        Opened o(container);
        ASSERT_TRUE(o.reader.select_disk(0));
        SectorRecord records[16];
        const RecordScan scan = o.reader.read_sector_records(0, records, k.capacity);
        EXPECT_EQ(scan.records, k.listed);
        EXPECT_EQ(scan.container_ends, k.ends);
        uint8_t ids[16 * 4];
        ASSERT_EQ(o.reader.read_sector_ids(0, ids, k.capacity * 4), scan.records * 4);
        for (int32_t i = 0; i < scan.records; ++i) {
            const SectorRecord& r = records[i];
            EXPECT_EQ((Bytes{r.c, r.h, r.r, r.n}), Bytes(ids + 4 * i, ids + 4 * i + 4)) << "record " << i;
        }
    }
    // A track the reader cannot read has no records.
    Opened o(one_track(six));
    ASSERT_TRUE(o.reader.select_disk(0));
    SectorRecord records[16];
    for (const int32_t track : {1, -1, 164}) {
        const RecordScan scan = o.reader.read_sector_records(track, records, 16);
        EXPECT_EQ(scan.records, 0) << "track " << track;
        EXPECT_FALSE(scan.container_ends) << "track " << track;
    }
}
