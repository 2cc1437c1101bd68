// d88info end to end: the real program on containers built in code (a good
// disk, damaged disks and tracks, several disks), on the example container
// against its golden listing, and on the real sample containers.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "d88_builder.h"
#include "json_value.h"
#include "run_program.h"

using namespace d88test;

namespace {

const std::string kD88info = program_under_test("D88_D88INFO", D88INFO_EXE);
const std::string kSourceDir = SOURCE_DIR;
const std::string kSamplesDir = SAMPLES_DIR;

const std::string kUsage = "Usage: d88info CONTAINER [-t] [-j]\n"
                           "       -t  : list the sector IDs of every present track\n"
                           "       -j  : write one JSON document instead of text\n";

constexpr int kDiskBytes = 688 + 84 * (6 * 16 + 5632); // a disk of the fixed layout: 481,840

RunResult run_info(const Bytes& container, std::vector<std::string> options)
{
    ScratchDir dir;
    write_file(dir / "c.d88", container);
    options.insert(options.begin(), {kD88info, "c.d88"});
    return run_program(options, dir.path());
}

std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

bool has_line(const std::string& text, const std::string& line)
{
    const std::vector<std::string> lines = lines_of(text);
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// The MARKS column of track t in the -t listing, or "" when it has no line.
std::string marks_column(const std::string& text, int t)
{
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "     %5d ", t);
    for (const std::string& line : lines_of(text)) {
        if (line.rfind(prefix, 0) == 0 && line.size() >= 35) {
            return line.substr(30, 5);
        }
    }
    return "";
}

std::string letters_of(const std::vector<std::string>& marks)
{
    const std::vector<std::string> order = {"missing", "size_code", "data_size", "count", "ends"};
    std::string letters = "-----";
    for (size_t k = 0; k < order.size(); ++k) {
        if (std::find(marks.begin(), marks.end(), order[k]) != marks.end()) {
            letters[k] = "MNSCE"[k];
        }
    }
    return letters;
}

const JsonValue* find_track(const JsonValue& disk, int t)
{
    for (const JsonValue& track : disk["tracks"].items) {
        if (track["track"].integer() == t) {
            return &track;
        }
    }
    return nullptr;
}

Disk good_disk(const std::string& name, uint8_t media = 0)
{
    Disk d = Volume().to_disk(name);
    d.media = media;
    return d;
}

Bytes plus(Bytes b, const Bytes& tail)
{
    b.insert(b.end(), tail.begin(), tail.end());
    return b;
}

struct TrackExpect {
    int track;
    std::string state;
    std::vector<std::string> marks;
};

struct DiskExpect {
    std::vector<std::string> marks;
    int tracks_present;
    bool fixed_layout;
    int directory_bytes;
    std::vector<TrackExpect> tracks;
};

struct InfoCase {
    const char* what;
    std::function<Bytes()> container;
    int disks;                        // -1: not checked
    std::vector<DiskExpect> expected; // for the first disks
    long long after;                  // bytes after the last disk; -1: null
    long long unreachable;            // -1: null
    std::vector<std::string> lines;   // whole lines of the default listing
};

const std::vector<InfoCase>& info_cases()
{
    static const std::vector<InfoCase> cases = {
        {"a good disk",
         [] { return build({good_disk("GOOD")}); },
         1,
         {{{}, 84, true, 3584, {{0, "present", {}}, {37, "present", {}}, {83, "present", {}}}}},
         0,
         -1,
         {"DISK     OFFSET        SIZE MEDIA        TRACKS LAYOUT DIRECTORY NAME",
          "   0          0      481840 0x00 2D          84 yes    yes       [GOOD]",
          "1 disk in 481840 bytes, 0 bytes after the last disk"}},
        {"sector 5 of track 37 missing: the directory is incomplete",
         [] {
             Disk d = good_disk("NODIR");
             d.tracks[37].sectors.erase(d.tracks[37].sectors.begin() + 4);
             return build({d});
         },
         1,
         {{{}, 84, false, 2560, {{36, "present", {}}, {37, "present", {"missing"}}}}},
         0,
         -1,
         {"     ! 1 of 84 present tracks depart from the fixed layout; first: track 37 (a sector missing)",
          "     ! no complete directory on track 37: 2560 of 3584 bytes read (a sector missing)"}},
        {"another size code, a short data size, sector counts of 5",
         [] {
             Disk d = good_disk("TRACKS");
             d.tracks[3].sectors[5].n = 3;
             d.tracks[4].sectors[1].data.resize(100);
             for (Sector& s : d.tracks[5].sectors) {
                 s.count = 5;
             }
             return build({d});
         },
         1,
         {{{},
           84,
           false,
           3584,
           {{3, "present", {"missing", "size_code"}},
            {4, "present", {"data_size"}},
            {5, "present", {"missing", "count"}},
            {6, "present", {}}}}},
         0,
         -1,
         {"     ! 3 of 84 present tracks depart from the fixed layout; first: track 3 (a sector missing, "
          "another size code)"}},
        {"track table entries past the disk and negative",
         [] {
             Disk d = good_disk("ENTRIES");
             d.table_overrides[10] = 999999;
             d.table_overrides[11] = -5;
             return build({d});
         },
         1,
         {{{"entry_negative", "entry_past_disk"},
           82,
           true,
           3584,
           {{10, "entry_past_disk", {}}, {11, "entry_negative", {}}, {12, "present", {}}}}},
         0,
         -1,
         {"     ! 1 track table entries negative (first: track 11): taken as absent",
          "     ! 1 track table entries past the disk (first: track 10): taken as absent"}},
        {"disk size 0: the reader indexes the disk 64 times",
         [] {
             Disk d = good_disk("ZERO");
             d.size = 0;
             return build({d});
         },
         64,
         {{{"size_zero", "entry_past_disk"}, 0, false, 0, {{0, "entry_past_disk", {}}}}},
         -1,
         -1,
         {"  63          0           0 0x00 2D           0 no     no        [ZERO]",
          "     ! disk size 0: the next disk is read at the same offset", "     ! no track present",
          "64 disks in 481840 bytes"}},
        {"negative disk size",
         [] {
             Disk d = good_disk("NEG");
             d.size = -100;
             return build({d, good_disk("LOST")});
         },
         1,
         {{{"size_negative", "entry_past_disk"}, 0, false, 0, {}}},
         -1,
         -1,
         {"   0          0        -100 0x00 2D           0 no     no        [NEG]",
          "     ! disk size negative: no disk is read after this one"}},
        {"disk size below the header",
         [] {
             Disk d = good_disk("SMALL");
             d.size = 300;
             return build({d});
         },
         -1,
         {{{"size_below_header", "entry_past_disk"}, 0, false, 0, {}}},
         -1,
         -1,
         {"     ! disk size below the 688-byte header: the next header overlaps this one"}},
        {"container ending inside the data of track 83",
         [] {
             Bytes b = build({good_disk("CUT")});
             b.resize(b.size() - 1000);
             return b;
         },
         1,
         {{{"size_past_end"}, 84, false, 3584, {{82, "present", {}}, {83, "present", {"missing", "ends"}}}}},
         -1,
         -1,
         {"     ! the disk runs 1000 bytes past the end of the container",
          "     ! 1 of 84 present tracks depart from the fixed layout; first: track 83 (a sector missing, "
          "the "
          "container ends inside the track)"}},
        {"container ending inside the last sector header of track 83",
         [] {
             Bytes b = build({good_disk("CUT")});
             b.resize(b.size() - 512 - 8);
             return b;
         },
         1,
         {{{"size_past_end"}, 84, false, 3584, {{83, "present", {"missing", "ends"}}}}},
         -1,
         -1,
         {}},
        {"three disks: media types, raw names",
         [] {
             Disk c = good_disk("", 0x99);
             c.tracks.erase(37);
             return build({good_disk("A"), good_disk("\x83\x65\"Q\\", 0x20), c});
         },
         3,
         {{{}, 84, true, 3584, {}}, {{}, 84, true, 3584, {}}, {{}, 83, true, 0, {}}},
         0,
         -1,
         {"   1     481840      481840 0x20 2HD         84 yes    yes       [\x83\x65\"Q\\]",
          "   2     963680      476112 0x99 unknown     83 yes    no        []",
          "     ! no complete directory on track 37: 0 of 3584 bytes read, the track is absent",
          "3 disks in 1439792 bytes, 0 bytes after the last disk"}},
        {"65 disks: the 65th cannot be reached",
         [] {
             Disk d;
             d.name = "SMALL";
             d.tracks[0] = layout_track(0);
             return build(std::vector<Disk>(65, d));
         },
         64,
         {{{}, 1, true, 0, {{0, "present", {}}}}},
         6416,
         64 * 6416,
         {"64 disks in 417040 bytes, 6416 bytes after the last disk, a disk after the 64th at offset 410624 "
          "cannot be reached"}},
        {"100 bytes after the last disk",
         [] { return plus(build({good_disk("TAIL")}), Bytes(100, 0x77)); },
         1,
         {{{}, 84, true, 3584, {}}},
         100,
         -1,
         {"1 disk in 481940 bytes, 100 bytes after the last disk"}},
        {"an empty file",
         [] { return Bytes{}; },
         0,
         {},
         -1,
         -1,
         {"0 disks in 0 bytes, fewer than a 688-byte disk header"}},
    };
    return cases;
}

void check_json(const InfoCase& k, const JsonValue& doc, const std::string& tracks_text)
{
    if (k.disks >= 0) {
        EXPECT_EQ(doc["disk_count"].integer(), k.disks);
        EXPECT_EQ(doc["disks"].size(), static_cast<size_t>(k.disks));
    }
    auto null_or = [](const JsonValue& v) {
        return v.is_null() ? -1LL : v.integer();
    };
    EXPECT_EQ(null_or(doc["bytes_after_last_disk"]), k.after);
    EXPECT_EQ(null_or(doc["unreachable_disk_offset"]), k.unreachable);
    for (size_t d = 0; d < k.expected.size(); ++d) {
        SCOPED_TRACE("disk " + std::to_string(d));
        const DiskExpect& e = k.expected[d];
        const JsonValue& disk = doc["disks"][d];
        EXPECT_EQ(disk["index"].integer(), static_cast<long long>(d));
        EXPECT_EQ(disk["marks"].strings(), e.marks);
        EXPECT_EQ(disk["tracks_present"].integer(), e.tracks_present);
        EXPECT_EQ(disk["fixed_layout"].boolean, e.fixed_layout);
        EXPECT_EQ(disk["directory_bytes"].integer(), e.directory_bytes);
        EXPECT_EQ(disk["directory_complete"].boolean, e.directory_bytes == 3584);
        for (const TrackExpect& t : e.tracks) {
            SCOPED_TRACE("track " + std::to_string(t.track));
            const JsonValue* track = find_track(disk, t.track);
            ASSERT_NE(track, nullptr);
            EXPECT_EQ((*track)["state"].text, t.state);
            EXPECT_EQ((*track)["marks"].strings(), t.marks);
            if (d == 0 && t.state == "present") {
                EXPECT_EQ(marks_column(tracks_text, t.track), letters_of(t.marks));
            }
        }
    }
}

} // namespace

TEST(D88info, ReportsGoodAndDamagedContainers)
{
    for (const InfoCase& k : info_cases()) {
        SCOPED_TRACE(k.what);
        const Bytes container = k.container();
        const RunResult text = run_info(container, {});
        EXPECT_EQ(text.exit_code, 0);
        EXPECT_EQ(text.err, "");
        for (const std::string& line : k.lines) {
            EXPECT_TRUE(has_line(text.out, line)) << "no line\n" << line << "\nin\n" << text.out;
        }
        const RunResult tracks = run_info(container, {"-t"});
        EXPECT_EQ(tracks.exit_code, 0);
        EXPECT_EQ(tracks.err, "");
        const RunResult json = run_info(container, {"-t", "-j"});
        EXPECT_EQ(json.exit_code, 0);
        EXPECT_EQ(json.err, "");
        try {
            check_json(k, parse_json(json.out), tracks.out);
        } catch (const std::exception& e) {
            ADD_FAILURE() << e.what() << "\n" << json.out.substr(0, 4000);
        }
    }
}

// The JSON document carries what the text shows: names byte for byte, sector
// IDs, counts and data sizes in stored order.
TEST(D88info, JsonCarriesRawNamesAndRecords)
{
    Disk d = good_disk("\x83\x65\"Q\\\x01~");
    d.tracks[2].sectors[3].data.resize(700);
    std::swap(d.tracks[2].sectors[0], d.tracks[2].sectors[5]);
    const RunResult run = run_info(build({d}), {"-j", "-t"});
    ASSERT_EQ(run.exit_code, 0);
    EXPECT_NE(run.out.find(R"("name": "\u0083e\"Q\\\u0001~")"), std::string::npos) << run.out.substr(0, 400);
    const JsonValue doc = parse_json(run.out);
    const JsonValue& disk = doc["disks"][0];
    EXPECT_EQ(disk["name"].text, "\x83\x65\"Q\\\x01~");
    EXPECT_EQ(disk["media_type"].integer(), 0);
    EXPECT_EQ(disk["media"].text, "2D");
    EXPECT_EQ(disk["size"].integer(), kDiskBytes - 324);
    const JsonValue* track = find_track(disk, 2);
    ASSERT_NE(track, nullptr);
    EXPECT_EQ((*track)["entry"].integer(), 688 + 2 * 5728);
    const JsonValue& records = (*track)["records"];
    ASSERT_EQ(records.size(), 6U);
    const std::vector<std::vector<long long>> expected = {{1, 0, 6, 2, 6, 512},  {1, 0, 2, 3, 6, 1024},
                                                          {1, 0, 3, 3, 6, 1024}, {1, 0, 4, 3, 6, 700},
                                                          {1, 0, 5, 3, 6, 1024}, {1, 0, 1, 3, 6, 1024}};
    for (size_t i = 0; i < expected.size(); ++i) {
        const JsonValue& r = records[i];
        EXPECT_EQ((std::vector<long long>{r["c"].integer(), r["h"].integer(), r["r"].integer(),
                                          r["n"].integer(), r["count"].integer(), r["data_size"].integer()}),
                  expected[i])
            << "record " << i;
    }
    EXPECT_EQ((*track)["marks"].strings(), std::vector<std::string>{"data_size"});
}

struct CommandCase {
    const char* what;
    std::vector<std::string> args; // after the program; "c.d88" is a good container
    int exit_code;
    std::string err;
    bool prints;
};

TEST(D88info, CommandLine)
{
    ScratchDir dir;
    write_file(dir / "c.d88", build({good_disk("GOOD")}));
    const std::vector<CommandCase> cases = {
        {"no argument", {}, 1, kUsage, false},
        {"-h", {"c.d88", "-h"}, 1, kUsage, false},
        {"-?", {"-?"}, 1, kUsage, false},
        {"only an option", {"-t"}, 1, kUsage, false},
        {"unknown option", {"c.d88", "-x"}, 1, "d88info: -x: unknown option\n" + kUsage, false},
        {"two containers",
         {"c.d88", "d.d88"},
         1,
         "d88info: d.d88: only one container is read\n" + kUsage,
         false},
        {"no such file", {"none.d88"}, 1, "d88info: none.d88: No such file or directory\n", false},
        {"a folder", {"."}, 1, "d88info: .: Is a directory\n", false},
        {"options before the container, joined", {"-tj", "c.d88"}, 0, "", true},
        {"options after the container", {"c.d88", "-j", "-t"}, 0, "", true},
    };
    for (const CommandCase& k : cases) {
        SCOPED_TRACE(k.what);
        std::vector<std::string> argv = {kD88info};
        argv.insert(argv.end(), k.args.begin(), k.args.end());
        const RunResult run = run_program(argv, dir.path());
        EXPECT_EQ(run.exit_code, k.exit_code);
        EXPECT_EQ(run.err, k.err);
        EXPECT_EQ(!run.out.empty(), k.prints);
    }
    // Joined and separate options give the same document.
    EXPECT_EQ(run_program({kD88info, "-tj", "c.d88"}, dir.path()).out,
              run_program({kD88info, "c.d88", "-j", "-t"}, dir.path()).out);
}

// Runs d88info on path with -t, as text and as JSON, and compares both with
// the golden files golden.txt and golden.json.
void expect_golden_runs(const std::string& path, const std::string& golden)
{
    for (const auto& [suffix, args] : {std::pair<std::string, std::vector<std::string>>{".txt", {"-t"}},
                                       {".json", {"-t", "-j"}}}) {
        SCOPED_TRACE(testing::PrintToString(args));
        std::vector<std::string> argv = {kD88info, path};
        argv.insert(argv.end(), args.begin(), args.end());
        const RunResult run = run_program(argv, kSourceDir);
        EXPECT_EQ(run.exit_code, 0);
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(golden_difference(golden + suffix, run.out), "");
    }
}

TEST(D88info, ExampleContainerMatchesGoldenListing)
{
    expect_golden_runs("examples/example.d88", kSourceDir + "/tests/golden/d88info_example");
}

// Real containers written by other tools: 80 tracks of sixteen 256-byte
// sectors, a 2D disk without the fixed layout.
TEST(D88info, SampleContainersShowAs2DWithoutTheFixedLayout)
{
    for (const char* name : {"cpm-2d.d88", "hubasic-2d.d88"}) {
        SCOPED_TRACE(name);
        const std::string path = kSamplesDir + "/" + name;
        if (!std::ifstream(path).good()) {
            GTEST_SKIP() << "no sample containers beside the checkout: " << kSamplesDir;
        }
        const RunResult text = run_program({kD88info, path}, kSamplesDir);
        EXPECT_EQ(text.exit_code, 0);
        const std::vector<std::string> lines = lines_of(text.out);
        ASSERT_GE(lines.size(), 3U);
        EXPECT_EQ(lines[1].substr(0, 51), "   0          0      348848 0x00 2D          80 no ");
        EXPECT_TRUE(has_line(text.out, "     ! 80 of 80 present tracks depart from the fixed layout; first: "
                                       "track 0 (a sector missing, another size code, a sector count other "
                                       "than 6)"));

        expect_golden_runs(path, kSourceDir + "/tests/golden/d88info/" + std::string(name, std::strlen(name) - 4));

        const RunResult json = run_program({kD88info, path, "-j", "-t"}, kSamplesDir);
        EXPECT_EQ(json.exit_code, 0);
        const JsonValue doc = parse_json(json.out);
        ASSERT_EQ(doc["disk_count"].integer(), 1);
        const JsonValue& disk = doc["disks"][0];
        EXPECT_EQ(disk["media"].text, "2D");
        EXPECT_FALSE(disk["fixed_layout"].boolean);
        EXPECT_FALSE(disk["directory_complete"].boolean);
        ASSERT_EQ(disk["tracks"].size(), 80U);
        for (const JsonValue& track : disk["tracks"].items) {
            EXPECT_EQ(track["marks"].strings(), (std::vector<std::string>{"missing", "size_code", "count"}));
            ASSERT_EQ(track["records"].size(), 16U);
            for (const JsonValue& r : track["records"].items) {
                EXPECT_EQ(r["c"].integer(), track["track"].integer() / 2);
                EXPECT_EQ(r["n"].integer(), 1);
                EXPECT_EQ(r["data_size"].integer(), 256);
                EXPECT_EQ(r["count"].integer(), 16);
            }
        }
    }
}

// The checker itself: it must refuse what is not JSON, and raw non-ASCII bytes.
TEST(JsonChecker, RefusesWhatIsNotJson)
{
    for (const char* bad : {"", "{", "{\"a\":1,}", "[1 2]", "{\"a\" 1}", "01", "\"\x82\"", "\"\x01\"",
                            "\"\\x\"", "tru", "[] []", "1.", "\"\\u01\""}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(parse_json(bad), std::runtime_error);
    }
    const JsonValue v = parse_json(R"( {"a": [1, -2.5e1, true, false, null], "b": "\u0083\"\\"} )");
    EXPECT_EQ(v["a"][1].number, -25);
    EXPECT_TRUE(v["a"][2].boolean);
    EXPECT_TRUE(v["a"][4].is_null());
    EXPECT_EQ(v["b"].text, "\x83\"\\");
}
