// Named kinds of damage, one row each, run through both real programs: what
// each program prints, its exit code and the files it writes. The reader ends
// every scan at the end of the container, reads an absent or impossible track
// as having no sectors, and indexes at most 64 disks, following the size
// fields from one header to the next.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <functional>
#include <optional>

#include "d88_builder.h"
#include "program_checks.h"
#include "run_program.h"

using namespace d88test;

namespace {

// "The disk named does not exist." in Shift-JIS.
const std::string kNoSuchDisk = "\x8ew\x92\xe8\x82\xcc\x83"
                                "f\x83"
                                "B\x83X\x83N\x82\xaa\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1.\n";

Bytes pattern_bytes(size_t size, int seed)
{
    Bytes data(size);
    for (size_t i = 0; i < size; ++i) {
        data[i] = static_cast<uint8_t>(i * 11 + static_cast<size_t>(seed) * 29 + 1);
    }
    return data;
}

Bytes zeros(size_t size)
{
    return Bytes(size, 0);
}

Bytes join(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes first(const Bytes& bytes, size_t count)
{
    return Bytes(bytes.begin(), bytes.begin() + static_cast<long>(count));
}

// The base disk: a volume with GAME.BIN (1500 bytes from unit 1 of track 0)
// and NOTE.BAS (100 bytes from unit 1 of track 37); only tracks 0 and 37 are
// stored.
const Bytes kGame = pattern_bytes(1500, 1);
const Bytes kNote = pattern_bytes(100, 2);

Volume base_volume()
{
    Volume v;
    v.add_file("GAME", "BIN", 1, 0, 1, 0x9000, kGame);
    v.add_file("NOTE", "BAS", 0, 37, 1, 0, kNote);
    return v;
}

Disk base_disk(const std::string& name = "BASE")
{
    return base_volume().to_disk(name, {0, 37});
}

// Bytes of the base volume: count bytes from offset of track.
Bytes volume_bytes(int track, int offset, size_t count)
{
    static Volume v = base_volume();
    const Bytes& image = v.image();
    const long from = static_cast<long>(track) * kTrackBytes + offset;
    return Bytes(image.begin() + from, image.begin() + from + static_cast<long>(count));
}

const Bytes& base_container()
{
    static const Bytes bytes = build({base_disk()});
    return bytes;
}

int32_t base_size()
{
    return static_cast<int32_t>(base_container().size());
}

const std::string kGameLine = "GAME.BIN   : [BIN] trk=00 sec=01 trkofs=0000 adr=9000 size=05DC\n";
const std::string kNoteLine = "NOTE.BAS   : [BAS] trk=37 sec=01 trkofs=0000          size=0064\n";
const std::string kBaseListing = "\n[BASE] -> 000\n" + kGameLine + kNoteLine;

// A sectorcut run: the arguments after the container and "out.bin", and what
// it gives; file is the content of out.bin, unset when none is made.
struct Cut {
    std::vector<std::string> args;
    int exit_code;
    std::string err;
    std::optional<Bytes> file;
};

Cut cut(std::vector<std::string> args, Bytes file)
{
    return Cut{std::move(args), 0, "", std::move(file)};
}

Cut no_such_disk(std::vector<std::string> args)
{
    return Cut{std::move(args), 1, kNoSuchDisk, std::nullopt};
}

// The plain dirpull run: what it prints and the files it writes (folder and
// name).
struct Pull {
    int exit_code;
    std::string out;
    std::map<std::string, Bytes> files;
};

const Pull kNothingPulled{0, "", {}};

Pull base_pulled(const Bytes& game)
{
    return Pull{0, kBaseListing, {{"000/GAME.BIN", game}, {"000/NOTE.BAS", kNote}}};
}

// The rows are made when the tests are listed, so each builds its container
// only when it runs.
struct Damage {
    std::string name;
    std::function<Bytes()> container;
    std::vector<Cut> cuts;
    Pull pull;
};

// The base disk with another track table entry for track 0, given the size
// of the base disk.
std::function<Bytes()> with_track_zero_at(int32_t (*entry)(int32_t size))
{
    return [=] {
        Disk d = base_disk();
        d.table_overrides[0] = entry(base_size());
        return build({d});
    };
}

Damage negative_disk_size()
{
    // The second disk's size leads back to the first, so the indexing
    // alternates between the two until 64 disks are counted.
    return {"negative disk size",
            [] {
                Disk second = base_disk("SECOND");
                second.size = -base_size();
                return build({base_disk(), second});
            },
            {cut({"62", "0", "1", "2048"}, volume_bytes(0, 0, 2048)), cut({"63", "0", "1", "2048"}, {})},
            base_pulled(kGame)};
}

Damage track_entry_equal_to_disk_size()
{
    // The entry points just past the first disk, at the next disk's header,
    // whose name bytes read as a sector header: sector (0, 0, 1, 3), the only
    // one of its track, with 16 data bytes, the rest of that header (zeros,
    // then the disk size 688).
    Bytes sector = zeros(16);
    sector[12] = 0xB0;
    sector[13] = 0x02;
    return {"track table entry equal to the disk size",
            [] {
                Disk d = base_disk();
                d.table_overrides[0] = base_size();
                Disk next;
                next.name = std::string("\0\0\x01\x03\x01\0\0\0\0\0\0\0\0\0\x10\0", 16);
                return build({d, next});
            },
            {cut({"0", "0", "1", "2048"}, join(sector, zeros(1008)))},
            base_pulled(join(sector, zeros(1484)))};
}

Damage sector_count(const std::string& name, uint16_t count, bool all_headers, bool drop_sector_two)
{
    auto container = [=] {
        Disk d = base_disk();
        std::vector<Sector>& sectors = d.tracks[0].sectors;
        for (size_t i = 0; i < sectors.size(); ++i) {
            if (all_headers || i == 1) {
                sectors[i].count = count;
            }
        }
        if (drop_sector_two) {
            sectors.erase(sectors.begin() + 1);
        }
        return build({d});
    };
    return {name,
            container,
            {cut({"0", "0", "1", "2048"}, volume_bytes(0, 0, 1024))},
            base_pulled(join(first(kGame, 1024), zeros(476)))};
}

Damage sixty_five_disks()
{
    std::string listing;
    std::map<std::string, Bytes> files;
    char line[96];
    // Disk k is DISKkk and holds Fkk.BIN; the 65th is never reached.
    for (int k = 0; k < 64; ++k) {
        std::snprintf(
            line, sizeof line,
            "\n[DISK%02d] -> %03d\nF%02d.BIN    : [BIN] trk=37 sec=01 trkofs=0000 adr=0000 size=0010\n", k, k,
            k);
        listing += line;
        std::snprintf(line, sizeof line, "%03d/F%02d.BIN", k, k);
        files[line] = pattern_bytes(16, k);
    }
    auto container = [] {
        std::vector<Disk> disks;
        for (int k = 0; k < 65; ++k) {
            char name[8];
            std::snprintf(name, sizeof name, "F%02d", k);
            Volume v;
            v.add_file(name, "BIN", 1, 37, 1, 0, pattern_bytes(16, k));
            std::snprintf(name, sizeof name, "DISK%02d", k);
            disks.push_back(v.to_disk(name, {37}));
        }
        return build(disks);
    };
    return {"65 disks",
            container,
            {cut({"63", "37", "1", "16"}, pattern_bytes(16, 63)), no_such_disk({"64", "37", "1", "16"})},
            Pull{0, listing, files}};
}

std::vector<Damage> damages()
{
    const Pull untouched = base_pulled(kGame);
    const Pull track_zero_absent = base_pulled(zeros(1500));
    const Cut whole_first_sectors = cut({"0", "0", "1", "2048"}, volume_bytes(0, 0, 2048));
    const Cut empty_cut = cut({"0", "0", "1", "2048"}, {});

    // The container ends 8 bytes into the header of track 37's sector 6.
    const size_t sixth_header = 688 + (6 * 16 + 5632) + 5 * (16 + 1024);
    // The data of track 0's sector 2.
    const size_t second_data = 688 + (16 + 1024) + 16;

    return {
        {"empty file", [] { return Bytes{}; }, {no_such_disk({"0", "0", "1", "2048"})}, kNothingPulled},
        {"687 bytes",
         [] { return first(base_container(), 687); },
         {no_such_disk({"0", "0", "1", "2048"})},
         kNothingPulled},
        // Every slot indexes the same header; a disk of size 0 has no track.
        {"disk size 0",
         [] {
             Disk d = base_disk();
             d.size = 0;
             return build({d});
         },
         {cut({"63", "0", "1", "2048"}, {}), no_such_disk({"64", "0", "1", "2048"})},
         kNothingPulled},
        negative_disk_size(),
        {"disk size past the end",
         [] {
             Disk d = base_disk();
             d.size = base_size() + 5000;
             return build({d});
         },
         {whole_first_sectors, no_such_disk({"1", "0", "1", "2048"})},
         untouched},
        {"track table entry negative",
         with_track_zero_at([](int32_t) { return -5; }),
         {empty_cut},
         track_zero_absent},
        // The bytes at 0x10 read as a sector header with a sector count of 0.
        {"track table entry inside the header",
         with_track_zero_at([](int32_t) { return 0x10; }),
         {empty_cut},
         track_zero_absent},
        {"track table entry past the end",
         with_track_zero_at([](int32_t size) { return size + 1; }),
         {empty_cut},
         track_zero_absent},
        track_entry_equal_to_disk_size(),
        // Sector 1 is found before the count of 0 in sector 2's header ends
        // the scan.
        sector_count("sector count 0", 0, false, false),
        // Every header says 65535 sectors: the search for the missing sector
        // 2 runs on through track 37 and ends at the end of the container.
        sector_count("sector count 65535", 0xFFFF, true, true),
        // Sector 5 of track 37 claims 65535 bytes: it is read as far as the
        // slot goes, but sector 6 after it cannot be found any more, so the
        // directory is incomplete.
        {"data size larger than what is left of the file",
         [] {
             Disk d = base_disk();
             d.tracks[37].sectors[4].data_size = 0xFFFF;
             return build({d});
         },
         {cut({"0", "37", "1", "6144"}, volume_bytes(37, 0, 5120))},
         kNothingPulled},
        {"the file ending inside a sector header",
         [=] { return first(base_container(), sixth_header + 8); },
         {cut({"0", "37", "1", "6144"}, volume_bytes(37, 0, 5120))},
         kNothingPulled},
        // What is there of sector 2 is read; the rest of its slot stays zero.
        {"the file ending inside a sector's data",
         [=] { return first(base_container(), second_data + 100); },
         {cut({"0", "0", "1", "2048"}, join(volume_bytes(0, 0, 1124), zeros(924)))},
         kNothingPulled},
        sixty_five_disks(),
        {"100 bytes of junk after the last disk",
         [] {
             Bytes junk = base_container();
             junk.insert(junk.end(), 100, 0xE5);
             return junk;
         },
         {whole_first_sectors, no_such_disk({"1", "0", "1"})},
         untouched},
    };
}

void PrintTo(const Damage& damage, std::ostream* out)
{
    *out << damage.name;
}

class Damaged : public testing::TestWithParam<Damage> {};

TEST_P(Damaged, BothProgramsGiveTheExpectedResult)
{
    const Damage& damage = GetParam();
    ScratchDir root;
    write_file(root / "c.d88", damage.container());
    RunOptions options;
    options.time_limit_seconds = kRunTimeLimit;

    for (const Cut& c : damage.cuts) {
        std::vector<std::string> argv = {sectorcut_path(), "c.d88", "out.bin"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        SCOPED_TRACE("sectorcut c.d88 out.bin " + testing::PrintToString(c.args));
        const Tree before = snapshot(root.path());
        const RunResult result = run_program(argv, root.path(), options);
        EXPECT_EQ(abnormal_end(result), "");
        EXPECT_EQ(result.exit_code, c.exit_code);
        EXPECT_EQ(result.out, c.exit_code == 0 ? "cutting ... out.bin\n" : "");
        EXPECT_EQ(result.err, c.err);
        Tree expected;
        if (c.file) {
            expected["out.bin"] = file_state(std::string(c.file->begin(), c.file->end()));
        }
        const std::string difference = describe_changes(expected, changes(before, snapshot(root.path())));
        EXPECT_TRUE(difference.empty()) << difference;
        std::remove((root / "out.bin").c_str());
    }

    SCOPED_TRACE("dirpull c.d88");
    const Tree before = snapshot(root.path());
    const RunResult result = run_program({dirpull_path(), "c.d88"}, root.path(), options);
    EXPECT_EQ(abnormal_end(result), "");
    EXPECT_EQ(result.exit_code, damage.pull.exit_code);
    EXPECT_EQ(result.out, damage.pull.out);
    EXPECT_EQ(result.err, "");
    Tree expected;
    for (const auto& [path, bytes] : damage.pull.files) {
        expected[path.substr(0, path.find('/') + 1)] = folder_state();
        expected[path] = file_state(std::string(bytes.begin(), bytes.end()));
    }
    const std::string difference = describe_changes(expected, changes(before, snapshot(root.path())));
    EXPECT_TRUE(difference.empty()) << difference;
}

// d88info shows every damage as its golden listing and document record it,
// track by track.
TEST_P(Damaged, D88infoShowsTheGoldenListing)
{
    const Damage& damage = GetParam();
    ScratchDir root;
    write_file(root / "c.d88", damage.container());
    RunOptions options;
    options.time_limit_seconds = kRunTimeLimit;
    const std::string golden = std::string(GOLDEN_DIR) + "/d88info/" + row_name(damage.name);
    for (const auto& [suffix, args] : {std::pair<std::string, std::vector<std::string>>{".txt", {"-t"}},
                                       {".json", {"-t", "-j"}}}) {
        SCOPED_TRACE("d88info c.d88 " + testing::PrintToString(args));
        std::vector<std::string> argv = {d88info_path(), "c.d88"};
        argv.insert(argv.end(), args.begin(), args.end());
        const RunResult result = run_program(argv, root.path(), options);
        EXPECT_EQ(abnormal_end(result), "");
        EXPECT_EQ(result.exit_code, 0);
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(golden_difference(golden + suffix, result.out), "");
    }
}

INSTANTIATE_TEST_SUITE_P(NamedDamage, Damaged, testing::ValuesIn(damages()), row_name<Damage>);

} // namespace
