// sectorcut end to end: the real program on containers built in code.
#include <fstream>

#include "e2e_support.h"

using namespace d88test;

namespace {

uint8_t pattern_b(int track, int r, int i)
{
    return static_cast<uint8_t>(0x55 ^ (track * 13 + r * 5 + i));
}

// Disk 0: the fixed layout on tracks 0 to 84. Disk 1: damaged tracks. Disk 2:
// a sector 0 before sector 1 on track 0, and tracks 0 to 84, for the longest
// run a cut can gather.
struct Fixture {
    Disk a = layout_disk("FULL");
    Disk b = layout_disk("DAMAGED", pattern_b);
    Disk c = layout_disk("LONGEST");
    Fixture()
    {
        a.tracks[84] = layout_track(84);
        auto& t2 = b.tracks[2].sectors; // sector 2 missing
        t2.erase(t2.begin() + 1);
        b.tracks[3].sectors[2].data.resize(100); // sector 3 recorded with 100 bytes
        b.tracks[4].sectors[0].data.clear();     // sector 1 with data size 0
        b.tracks[5].sectors[5].n = 3;            // sector 6 recorded with size code 3
        c.tracks[84] = layout_track(84);
        Sector zero = c.tracks[0].sectors[0];
        zero.r = 0;
        zero.data.assign(1024, 0xC0);
        c.tracks[0].sectors.insert(c.tracks[0].sectors.begin(), zero);
        for (Sector& s : c.tracks[0].sectors) {
            s.count = 7;
        }
    }
};

const Fixture& fixture()
{
    static const Fixture f;
    return f;
}

Bytes a(int t, int r)
{
    return sector_data(fixture().a, t, r);
}

Bytes b(int t, int r)
{
    return sector_data(fixture().b, t, r);
}

Bytes tracks(const Disk& d, int first, int last)
{
    Bytes out;
    for (int t = first; t <= last; ++t) {
        for (int r = 1; r <= 6; ++r) {
            const Bytes s = sector_data(d, t, r);
            out.insert(out.end(), s.begin(), s.end());
        }
    }
    return out;
}

const std::string kNoSuchDisk = "\x8ew\x92\xe8\x82\xcc\x83"
                                "f\x83"
                                "B\x83X\x83N\x82\xaa\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1.\n";

struct CutCase {
    const char* what;
    std::vector<std::string> numbers; // diskno track Sector [size [offset ...]]
    std::optional<Bytes> file;        // out.bin; nullopt: not created
    int exit_code = 0;
    std::string err;
};

} // namespace

TEST(Sectorcut, CutsRunsOfSectors)
{
    const Fixture& f = fixture();
    const Bytes run_10_5 = cat({a(10, 5), a(10, 6), a(11, 1), slice(a(11, 2), 0, 440)});
    const Bytes longest = cat({Bytes(1024, 0xC0), tracks(f.c, 0, 84)});
    ASSERT_EQ(longest.size(), 479744U);
    const std::vector<CutCase> cases = {
        {"one sector, size left out", {"0", "10", "2"}, a(10, 2)},
        {"sector 6, size left out: 512 bytes", {"0", "10", "6"}, a(10, 6)},
        {"a run across tracks", {"0", "10", "5", "3000"}, run_10_5},
        {"hexadecimal numbers", {"0x0", "0xa", "0x5", "0xBB8"}, run_10_5},
        {"arguments after the seventh are ignored", {"0", "10", "2", "1024", "0", "x", "y"}, a(10, 2)},
        {"size with offset", {"0", "0", "1", "100", "1500"}, slice(cat({a(0, 1), a(0, 2)}), 1500, 100)},
        {"a negative offset counts as 0", {"0", "0", "1", "100", "-50"}, slice(a(0, 1), 0, 100)},
        {"size 0", {"0", "0", "1", "0"}, Bytes{}},
        {"negative size", {"0", "0", "1", "-1"}, Bytes{}},
        {"sector 7: nothing at all", {"0", "0", "7"}, std::nullopt},
        {"sector 0 is not on the disk", {"0", "0", "0"}, Bytes{}},
        {"track 83 goes on with track 84",
         {"0", "83", "6", "1024"},
         cat({a(83, 6), slice(a(84, 1), 0, 512)})},
        {"from track 84 only the rest of that track", {"0", "84", "5", "5000"}, cat({a(84, 5), a(84, 6)})},
        {"from track 90: nothing there", {"0", "90", "1"}, Bytes{}},
        {"a whole disk", {"0", "0", "1", "473088"}, tracks(f.a, 0, 83)},
        {"as much as there is: tracks 0 to 84", {"0", "0", "1", "0x7fffffff"}, tracks(f.a, 0, 84)},
        {"the longest run fits the store", {"2", "0", "0", "2147483647", "2147483647"}, Bytes{}},
        {"the longest run, written", {"2", "0", "0", "479744"}, longest},
        {"a missing sector ends the run", {"1", "2", "1", "3000"}, b(2, 1)},
        {"an offset beyond what was gathered", {"1", "2", "1", "100", "2000"}, Bytes{}},
        {"a short sector leaves zeros in its slot",
         {"1", "3", "3", "2048"},
         cat({b(3, 3), Bytes(924, 0), b(3, 4)})},
        {"data size 0 ends the run", {"1", "4", "1"}, Bytes{}},
        {"the size code comes from the sector number", {"1", "5", "5", "2048"}, b(5, 5)},
        {"negative disk: nothing found", {"-1", "0", "1"}, Bytes{}},
        {"negative track: nothing found", {"0", "-1", "1"}, Bytes{}},
        {"disk number equal to the count", {"3", "0", "1"}, std::nullopt, 1, kNoSuchDisk},
        {"disk 64", {"64", "0", "1"}, std::nullopt, 1, kNoSuchDisk},
        {"disk 2147483647", {"2147483647", "0", "1"}, std::nullopt, 1, kNoSuchDisk},
    };
    ScratchDir dir;
    write_file(dir / "c.d88", build({f.a, f.b, f.c}));
    for (const CutCase& k : cases) {
        SCOPED_TRACE(k.what);
        std::remove((dir / "out.bin").c_str());
        std::vector<std::string> argv = {kSectorcut, "c.d88", "out.bin"};
        argv.insert(argv.end(), k.numbers.begin(), k.numbers.end());
        const RunResult r = run_program(argv, dir.path());
        EXPECT_EQ(r.exit_code, k.exit_code);
        EXPECT_EQ(r.out, k.exit_code == 0 && k.file ? "cutting ... out.bin\n" : "");
        EXPECT_EQ(r.err, k.err);
        expect_file(dir / "out.bin", k.file);
    }
}

TEST(Sectorcut, ReportsUsageAndAContainerThatCannotBeOpened)
{
    ScratchDir dir;
    const RunResult usage = run_program({kSectorcut, "c.d88", "out.bin", "0", "0"}, dir.path());
    EXPECT_EQ(usage.exit_code, 1);
    EXPECT_EQ(usage.out, "");
    EXPECT_EQ(usage.err, "Usage: " + kSectorcut +
                             " [d88file] [outputfile] [diskno] [track] [Sector] (size) (offset)\n"
                             "       size\x96\xa2\x8ew\x92\xe8\x8e\x9e\x82\xcd"
                             "1sector\x95\xaa\x82\xf0\x90\xd8\x82\xe8\x8fo\x82\xb5\x82\xdc\x82\xb7.\n");

    const RunResult missing = run_program({kSectorcut, "none.d88", "out.bin", "0", "0", "1"}, dir.path());
    EXPECT_EQ(missing.exit_code, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(missing.err,
              "\x83t\x83@\x83"
              "C\x83\x8b\x82\xf0\x83I\x81[\x83v\x83\x93\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1.\n");
    expect_file(dir / "out.bin", std::nullopt);

    // A file that opens but holds no whole disk has no disk 0.
    write_file(dir / "short.d88", Bytes(687, 0));
    const RunResult empty = run_program({kSectorcut, "short.d88", "out.bin", "0", "0", "1"}, dir.path());
    EXPECT_EQ(empty.exit_code, 1);
    EXPECT_EQ(empty.err, kNoSuchDisk);
}

TEST(Golden, SectorcutOnTheExampleContainer)
{
    // TITLE.BIN of the example's first disk: 2000 bytes from sector 6 of track 2.
    ScratchDir dir;
    const RunResult r = run_program(
        {kSectorcut, kSourceDir + "/examples/example.d88", "title.bin", "0", "2", "6", "2000"}, dir.path());
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, "cutting ... title.bin\n");
    EXPECT_EQ(r.err, "");
    expect_file(dir / "title.bin", read_file(kSourceDir + "/tests/golden/example/000/TITLE.BIN"));
}
