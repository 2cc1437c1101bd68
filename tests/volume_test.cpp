// The fixed volume layout: file names, data addressing, the directory and the
// loading of a disk into the volume image.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "d88_builder.h"
#include "run_program.h"
#include "volume.h"

using namespace d88test;

namespace {

Bytes entry_bytes(const std::string& name, const std::string& ext, uint8_t track = 0, uint8_t unit = 1,
                  uint16_t size = 0)
{
    Bytes e(16, ' ');
    std::copy(name.begin(), name.end(), e.begin());
    std::copy(ext.begin(), ext.end(), e.begin() + 6);
    e[9] = 0;
    e[10] = track;
    e[11] = unit;
    e[12] = e[13] = 0;
    e[14] = static_cast<uint8_t>(size);
    e[15] = static_cast<uint8_t>(size >> 8);
    return e;
}

std::string name_of(const Bytes& e)
{
    char name[kNameBufferSize];
    build_file_name(dir_entry(e.data()), name);
    return name;
}

} // namespace

TEST(Volume, BuildsFileNames)
{
    using namespace std::string_literals;
    struct Case {
        std::string name, ext, expected;
    };
    const Case cases[] = {
        {"GAME  ", "BIN", "GAME.BIN"},    {"AB CD ", "   ", "AB"},
        {"ABCDEF", " X ", "ABCDEF"},      {"A?B*  ", "   ", "A#B#"},
        {"AB\0\0\0\0"s, "   ", "AB####"}, {"ABC   ", "\0\0\0"s, "ABC.###"},
        {"/\\:<>|", "B:?", "######.B##"}, {"A\xFF\x81\x40  ", "txt", "A\xFF\x81\x40.txt"},
        {"NAME  ", "X Y", "NAME.X"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.expected);
        EXPECT_EQ(name_of(entry_bytes(k.name, k.ext)), k.expected);
    }
}

TEST(Volume, AddressesDataByTrackAndUnit)
{
    struct Case {
        uint8_t track, unit;
        uint16_t size;
        int32_t track_offset, sector, data_offset;
        bool inside;
    };
    const Case cases[] = {
        {0, 1, 100, 0, 1, 0, true},
        {1, 2, 100, 512, 1, 5632 + 512, true},
        {1, 3, 100, 1024, 2, 5632 + 1024, true},
        {0, 10, 100, 4608, 5, 4608, true},
        {4, 11, 600, 5120, 6, 4 * 5632 + 5120, true},
        {3, 0, 100, -512, 1, 3 * 5632 - 512, true},
        {0, 0, 1, -512, 1, -512, false},
        {0, 0, 0, -512, 1, -512, false},
        {2, 12, 10, 5632, 6, 3 * 5632, true},
        {2, 13, 10, 6144, 7, 3 * 5632 + 512, true},
        {83, 11, 512, 5120, 6, 83 * 5632 + 5120, true},
        {83, 11, 513, 5120, 6, 83 * 5632 + 5120, false},
        {84, 1, 0, 0, 1, 84 * 5632, true},
        {84, 1, 1, 0, 1, 84 * 5632, false},
        {255, 255, 65535, 254 * 512, 128, 255 * 5632 + 254 * 512, false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message()
                     << "track " << int(k.track) << " unit " << int(k.unit) << " size " << k.size);
        const DirEntry e = dir_entry(entry_bytes("F", "   ", k.track, k.unit, k.size).data());
        EXPECT_EQ(track_offset(e), k.track_offset);
        EXPECT_EQ(entry_sector(e), k.sector);
        EXPECT_EQ(entry_data_offset(e), k.data_offset);
        EXPECT_EQ(entry_data_inside(e), k.inside);
    }
}

TEST(Volume, WalksFilesUpToTheEndMarkOrTheLastEntry)
{
    struct Case {
        const char* what;
        std::vector<uint8_t> first_bytes; // first name byte of entries 0, 1, ...
        std::vector<int> files;           // indexes visited
    };
    std::vector<uint8_t> all_files(224, 'F');
    std::vector<int> all_indexes(224);
    for (int i = 0; i < 224; ++i) {
        all_indexes[static_cast<size_t>(i)] = i;
    }
    const Case cases[] = {
        {"end mark first", {0xFF, 'A', 'B'}, {}},
        {"empty entries skipped", {'A', 0x00, 0x20, 'B', 0xFF, 'C'}, {0, 3}},
        {"no end mark: all 224", all_files, all_indexes},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        uint8_t directory[kDirectoryBytes] = {};
        for (size_t i = 0; i < k.first_bytes.size(); ++i) {
            directory[i * 16] = k.first_bytes[i];
            directory[i * 16 + 10] = static_cast<uint8_t>(i); // start_track tells the entry
        }
        std::vector<int> seen;
        walk_directory(directory, [&](const DirEntry& e) { seen.push_back(e.start_track); });
        EXPECT_EQ(seen, k.files);
    }
}

namespace {

uint8_t first_disk(int track, int r, int i)
{
    return static_cast<uint8_t>(0x10 + track + r + i);
}

uint8_t second_disk(int track, int r, int i)
{
    return static_cast<uint8_t>(0x80 + track * 3 + r + i);
}

// Removes sector r from track t of a fixed-layout disk.
void drop_sector(Disk& d, int t, int r)
{
    auto& s = d.tracks[t].sectors;
    s.erase(std::remove_if(s.begin(), s.end(), [r](const Sector& x) { return x.r == r; }), s.end());
}

} // namespace

TEST(Volume, DirectoryIsCompleteOnlyWithSectorsThreeToSix)
{
    struct Case {
        const char* what;
        int missing;
        int32_t expected;
    };
    const Case cases[] = {
        {"complete", 0, 3584}, {"sector 4 missing", 4, 1536}, {"sector 6 missing", 6, 3072}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        Disk d;
        d.tracks[37] = layout_track(37);
        if (k.missing != 0) {
            drop_sector(d, 37, k.missing);
        }
        ScratchDir dir;
        write_file(dir / "c.d88", build({d}));
        D88Reader reader;
        ASSERT_TRUE(reader.open((dir / "c.d88").c_str()));
        reader.select_disk(0);
        reader.set_sector_range(1, 6);
        uint8_t directory[kDirectoryBytes];
        EXPECT_EQ(read_directory(reader, directory), k.expected);
        EXPECT_EQ(directory[0], default_pattern(37, 3, 0));
    }
}

TEST(Volume, LoadKeepsThePreviousDiskBytesWhereSectorsAreMissing)
{
    Disk one = layout_disk("ONE", first_disk);
    Disk two = layout_disk("TWO", second_disk);
    drop_sector(two, 9, 2); // sectors 3 to 5 of track 9 are not read either
    two.tracks.erase(20);   // a missing track costs only that track
    ScratchDir dir;
    write_file(dir / "c.d88", build({one, two}));
    D88Reader reader;
    ASSERT_TRUE(reader.open((dir / "c.d88").c_str()));
    static uint8_t image[::kVolumeBytes];
    for (int d = 0; d < 2; ++d) {
        reader.select_disk(d);
        reader.set_sector_range(1, 6);
        load_volume(reader, image);
    }
    auto at = [](int t, int r, int i) {
        return image[t * 5632 + (r - 1) * 1024 + i];
    };
    EXPECT_EQ(at(9, 1, 7), second_disk(9, 1, 7));
    for (int r = 2; r <= 5; ++r) {
        EXPECT_EQ(at(9, r, 7), first_disk(9, r, 7)) << "sector " << r;
    }
    EXPECT_EQ(at(9, 6, 7), second_disk(9, 6, 7));
    EXPECT_EQ(at(20, 1, 0), first_disk(20, 1, 0));
    EXPECT_EQ(at(21, 1, 0), second_disk(21, 1, 0));
    EXPECT_EQ(at(83, 6, 511), second_disk(83, 6, 511));
}
