// dirpull end to end: the real program on containers built in code.
#include <filesystem>
#include <fstream>

#include "e2e_support.h"

using namespace d88test;

namespace {

Bytes data_of(size_t length, uint8_t seed)
{
    Bytes out(length);
    for (size_t i = 0; i < length; ++i) {
        out[i] = static_cast<uint8_t>(seed + i * 7 + (i >> 8));
    }
    return out;
}

// Every path below root, relative, sorted, folders with a trailing '/'.
std::vector<std::string> tree(const std::string& root)
{
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
        out.push_back(std::filesystem::relative(e.path(), root).string() + (e.is_directory() ? "/" : ""));
    }
    std::sort(out.begin(), out.end());
    return out;
}

RunResult dirpull(const ScratchDir& dir, std::vector<std::string> options = {},
                  const std::string& container = "c.d88")
{
    std::vector<std::string> argv = {kDirpull, container};
    argv.insert(argv.end(), options.begin(), options.end());
    return run_program(argv, dir.path());
}

// A disk whose directory lists one BAS file NAME of the given bytes.
Disk one_file_disk(const std::string& disk_name, const std::string& name, const std::string& ext,
                   const Bytes& data)
{
    Volume v;
    v.add_file(name, ext, 0x00, 1, 1, 0, data);
    v.end_directory_at(1);
    return v.to_disk(disk_name);
}

const std::string kUsage = "Usage: dirpull.exe [d88file] [-d][-f]\n"
                           "       -d  : \x83T\x83u\x83"
                           "f\x83"
                           "B\x83\x8c\x83N\x83g\x83\x8a\x82\xf0\x8d\xec\x90\xac\x82\xb5\x82\xc8\x82\xa2\n"
                           "       -f  : \x8f"
                           "d\x95\xa1\x83t\x83@\x83"
                           "C\x83\x8b\x96\xbc\x82\xc9 $ \x82\xf0\x95t\x89\xc1\x82\xb5\x82\xc4\x8fo\x97\xcd\n";
const std::string kCannotOpen =
    "\x83t\x83@\x83"
    "C\x83\x8b\x82\xf0\x83I\x81[\x83v\x83\x93\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1\n";

} // namespace

// Two disks: every kind of listing line, names that need '#', a file that runs
// on into the next track, one that starts in the track before (unit 0), an
// empty file, and a full 16-byte disk name.
TEST(Dirpull, ExtractsEveryFileOfEveryDisk)
{
    Volume one;
    const Bytes game = data_of(3000, 1), readme = data_of(600, 2), odd = data_of(10, 3),
                back = data_of(700, 4);
    one.add_file("GAME", "BIN", 0x01, 1, 1, 0x1234, game);
    one.add_file("READ", "ME", 0x00, 2, 11, 0, readme);
    one.set_entry(2, Bytes(16, 0x20));
    one.add_file("A?B*", "", 0x00, 4, 3, 0, odd);
    one.add_file("ZERO", "DAT", 0x00, 5, 1, 0, {});
    one.add_file("BACK", "BIN", 0x81, 6, 0, 0xFFFF, back);
    one.end_directory_at(6);
    one.add_file("AFTER", "END", 0x00, 7, 1, 0, data_of(5, 5)); // behind the end mark
    Volume two;
    const Bytes game2 = data_of(65535, 6);
    two.add_file("GAME", "BIN", 0x01, 10, 5, 0xC000, game2);
    const Bytes c = build({one.to_disk("DISK-A"), two.to_disk("0123456789ABCDEF")});

    ScratchDir dir;
    write_file(dir / "c.d88", c);
    const RunResult r = dirpull(dir);
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "\n[DISK-A] -> 000\n"
                     "GAME.BIN   : [BIN] trk=01 sec=01 trkofs=0000 adr=1234 size=0BB8\n"
                     "READ.ME    : [BAS] trk=02 sec=06 trkofs=1400          size=0258\n"
                     "A#B#       : [BAS] trk=04 sec=02 trkofs=0400          size=000A\n"
                     "ZERO.DAT   : [BAS] trk=05 sec=01 trkofs=0000          size=0000\n"
                     "BACK.BIN   : [BIN] trk=06 sec=01 trkofs=FFFFFE00 adr=FFFF size=02BC\n"
                     "\n[0123456789ABCDEF] -> 001\n"
                     "GAME.BIN   : [BIN] trk=10 sec=03 trkofs=0800 adr=C000 size=FFFF\n");
    EXPECT_EQ(tree(dir.path()),
              (std::vector<std::string>{"000/", "000/A#B#", "000/BACK.BIN", "000/GAME.BIN", "000/READ.ME",
                                        "000/ZERO.DAT", "001/", "001/GAME.BIN", "c.d88"}));
    expect_file(dir / "000/GAME.BIN", game);
    expect_file(dir / "000/READ.ME", readme);
    expect_file(dir / "000/A#B#", odd);
    expect_file(dir / "000/ZERO.DAT", Bytes{});
    expect_file(dir / "000/BACK.BIN", back);
    expect_file(dir / "001/GAME.BIN", game2);
    expect_file(dir / "c.d88", c);
}

TEST(Dirpull, ReadsOptionsFromTheSecondArgumentOn)
{
    ScratchDir dir;
    write_file(dir / "c.d88", build({one_file_disk("D", "F", "BAS", data_of(5, 1))}));
    struct Case {
        const char* what;
        std::vector<std::string> argv; // after the program name
        int exit_code;
        std::string out, err;
    };
    const std::string listing =
        "\n[D] -> 000\nF.BAS      : [BAS] trk=01 sec=01 trkofs=0000          size=0005\n";
    const std::vector<Case> cases = {
        {"no argument", {}, 1, "", kUsage},
        {"-?", {"c.d88", "-?"}, 1, "", kUsage},
        {"-h after -d", {"c.d88", "-d", "-h", "-q"}, 1, "", kUsage},
        {"a lone -h is the container's name",
         {"-h"},
         1,
         "",
         kCannotOpen},
        {"options before the container do not work",
         {"-d", "c.d88"},
         1,
         "",
         kCannotOpen},
        {"an unknown option changes nothing", {"c.d88", "-x", "-D"}, 0, listing, ""},
        {"-d: no folders",
         {"c.d88", "-d"},
         0,
         "\n[D]\nF.BAS      : [BAS] trk=01 sec=01 trkofs=0000          size=0005\n",
         ""},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        std::filesystem::remove_all(dir / "000");
        std::filesystem::remove(dir / "F.BAS");
        std::vector<std::string> argv = {kDirpull};
        argv.insert(argv.end(), k.argv.begin(), k.argv.end());
        const RunResult r = run_program(argv, dir.path());
        EXPECT_EQ(r.exit_code, k.exit_code);
        EXPECT_EQ(r.out, k.out);
        EXPECT_EQ(r.err, k.err);
    }
}

TEST(Dirpull, RenamesTakenNamesWithDollarSigns)
{
    // Two disks with the same names; a 10-byte name grows past its column.
    const Bytes a1 = data_of(20, 1), a2 = data_of(30, 2);
    auto disk = [](const std::string& name, const Bytes& data) {
        Volume v;
        v.add_file("ABCDEF", "GHI", 0x00, 1, 1, 0, data);
        v.add_file("X", "", 0x00, 2, 1, 0, data);
        return v.to_disk(name);
    };
    ScratchDir dir;
    write_file(dir / "c.d88", build({disk("ONE", a1), disk("TWO", a2)}));
    write_file(dir / "X$", {'k', 'e', 'e', 'p'});
    const RunResult r = dirpull(dir, {"-d", "-f"});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, "\n[ONE]\n"
                     "ABCDEF.GHI : [BAS] trk=01 sec=01 trkofs=0000          size=0014\n"
                     "X          : [BAS] trk=02 sec=01 trkofs=0000          size=0014\n"
                     "\n[TWO]\n"
                     "ABCDEF.GHI$ : [BAS] trk=01 sec=01 trkofs=0000          size=001E\n"
                     "X$$        : [BAS] trk=02 sec=01 trkofs=0000          size=001E\n");
    expect_file(dir / "ABCDEF.GHI", a1);
    expect_file(dir / "ABCDEF.GHI$", a2);
    expect_file(dir / "X", a1);
    expect_file(dir / "X$", Bytes{'k', 'e', 'e', 'p'});
    expect_file(dir / "X$$", a2);

    // Without -f the later disk's file replaces the earlier one.
    ScratchDir plain;
    write_file(plain / "c.d88", build({disk("ONE", a1), disk("TWO", a2)}));
    EXPECT_EQ(dirpull(plain, {"-d"}).exit_code, 0);
    expect_file(plain / "X", a2);
    EXPECT_EQ(tree(plain.path()), (std::vector<std::string>{"ABCDEF.GHI", "X", "c.d88"}));
}

TEST(Dirpull, UsesAnExistingDiskFolder)
{
    const Bytes fresh = data_of(40, 9);
    for (const bool rename : {false, true}) {
        SCOPED_TRACE(rename ? "with -f: kept" : "replaced");
        ScratchDir dir;
        write_file(dir / "c.d88", build({one_file_disk("D", "F", "BAS", fresh)}));
        std::filesystem::create_directory(dir / "000");
        write_file(dir / "000/F.BAS", {'o', 'l', 'd'});
        const RunResult r =
            dirpull(dir, rename ? std::vector<std::string>{"-f"} : std::vector<std::string>{});
        EXPECT_EQ(r.exit_code, 0);
        EXPECT_EQ(r.err, "");
        expect_file(dir / "000/F.BAS", rename ? Bytes{'o', 'l', 'd'} : fresh);
        expect_file(dir / "000/F.BAS$", rename ? std::optional<Bytes>(fresh) : std::nullopt);
    }
}

TEST(Dirpull, SameNamesOnOneDiskAreAllListedAndTheLaterWins)
{
    Volume v;
    v.add_file("TWICE", "BAS", 0x00, 1, 1, 0, data_of(10, 1));
    v.add_file("TWICE", "BAS", 0x00, 2, 1, 0, data_of(12, 2));
    ScratchDir dir;
    write_file(dir / "c.d88", build({v.to_disk("D")}));
    const RunResult r = dirpull(dir);
    EXPECT_EQ(r.out, "\n[D] -> 000\n"
                     "TWICE.BAS  : [BAS] trk=01 sec=01 trkofs=0000          size=000A\n"
                     "TWICE.BAS  : [BAS] trk=02 sec=01 trkofs=0000          size=000C\n");
    expect_file(dir / "000/TWICE.BAS", data_of(12, 2));
}

TEST(Dirpull, StopsAtTheFirstDiskWithoutAWholeDirectory)
{
    const Bytes first = data_of(100, 1);
    Disk broken = one_file_disk("BROKEN", "G", "BAS", data_of(10, 2));
    broken.tracks[37].sectors.pop_back(); // directory sector 6 missing
    struct Case {
        const char* what;
        std::vector<Disk> disks;
        std::string out;
        std::vector<std::string> tree;
    };
    const std::vector<Case> cases = {
        {"second of three disks",
         {one_file_disk("OK", "F", "BAS", first), broken, one_file_disk("LATER", "H", "BAS", first)},
         "\n[OK] -> 000\nF.BAS      : [BAS] trk=01 sec=01 trkofs=0000          size=0064\n",
         {"000/", "000/F.BAS", "c.d88"}},
        {"no disk at all", {}, "", {"c.d88"}},
        {"first disk", {broken}, "", {"c.d88"}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        ScratchDir dir;
        write_file(dir / "c.d88", build(k.disks));
        const RunResult r = dirpull(dir);
        EXPECT_EQ(r.exit_code, 0);
        EXPECT_EQ(r.out, k.out);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(tree(dir.path()), k.tree);
    }
}

TEST(Dirpull, ALaterDiskKeepsThePreviousDiskBytesWhereItsSectorsAreMissing)
{
    // The second disk lists the same 3000-byte file, from track 1 sector 1,
    // but lacks sector 2 of track 1: sectors 2 to 5 keep the first disk's bytes.
    Volume v1, v2;
    const Bytes d1 = data_of(3000, 1), d2 = data_of(3000, 2);
    v1.add_file("F", "BIN", 0x01, 1, 1, 0, d1);
    v2.add_file("F", "BIN", 0x01, 1, 1, 0, d2);
    Disk second = v2.to_disk("TWO");
    auto& track1 = second.tracks[1].sectors;
    track1.erase(track1.begin() + 1);
    ScratchDir dir;
    write_file(dir / "c.d88", build({v1.to_disk("ONE"), second}));
    EXPECT_EQ(dirpull(dir).exit_code, 0);
    expect_file(dir / "001/F.BIN", cat({slice(d2, 0, 1024), slice(d1, 1024, 1976)}));
}

TEST(Dirpull, SkipsEntriesWhoseDataLiesOutsideTheDiskAndSaysSo)
{
    Volume v;
    v.add_file("FIRST", "BIN", 0x01, 1, 1, 0x100, data_of(10, 1));
    v.add_file("UNIT0", "BIN", 0x01, 0, 0, 0, data_of(10, 2));
    v.add_file("TRACK", "84", 0x00, 84, 1, 0, data_of(1, 3));
    v.add_file("PAST", "END", 0x00, 83, 11, 0, data_of(513, 4));
    v.add_file("EDGE", "", 0x00, 83, 11, 0, data_of(512, 5));
    ScratchDir dir;
    write_file(dir / "c.d88", build({v.to_disk("D"), one_file_disk("NEXT", "N", "BAS", data_of(3, 6))}));
    const RunResult r = dirpull(dir);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.out, "\n[D] -> 000\n"
                     "FIRST.BIN  : [BIN] trk=01 sec=01 trkofs=0000 adr=0100 size=000A\n"
                     "EDGE       : [BAS] trk=83 sec=06 trkofs=1400          size=0200\n"
                     "\n[NEXT] -> 001\n"
                     "N.BAS      : [BAS] trk=01 sec=01 trkofs=0000          size=0003\n");
    EXPECT_EQ(r.err,
              "dirpull: UNIT0.BIN: data lies outside the disk (track 0, unit 0, 10 bytes); not written\n"
              "dirpull: TRACK.84: data lies outside the disk (track 84, unit 1, 1 bytes); not written\n"
              "dirpull: PAST.END: data lies outside the disk (track 83, unit 11, 513 bytes); not written\n");
    EXPECT_EQ(tree(dir.path()),
              (std::vector<std::string>{"000/", "000/EDGE", "000/FIRST.BIN", "001/", "001/N.BAS", "c.d88"}));
    expect_file(dir / "000/EDGE", data_of(512, 5));
}

TEST(Golden, DirpullOnTheExampleContainer)
{
    ScratchDir dir;
    const RunResult r = run_program({kDirpull, kSourceDir + "/examples/example.d88"}, dir.path());
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.err, "");
    const Bytes listing = read_file(kSourceDir + "/tests/golden/dirpull_example.txt");
    EXPECT_EQ(r.out, std::string(listing.begin(), listing.end()));
    const std::string golden = kSourceDir + "/tests/golden/example";
    EXPECT_EQ(tree(dir.path()), tree(golden));
    for (const std::string& path : tree(golden)) {
        if (path.back() != '/') {
            expect_file(dir / path, read_file(golden + "/" + path));
        }
    }
}

// Containers written by other tools hold another geometry: neither program
// finds what it looks for, and both end cleanly.
TEST(BothPrograms, EndCleanlyOnContainersFromOtherTools)
{
    for (const char* name : {"cpm-2d.d88", "hubasic-2d.d88"}) {
        SCOPED_TRACE(name);
        const std::string path = kSourceDir + "/../shared/samples/" + name;
        if (!std::ifstream(path).good()) {
            GTEST_SKIP() << "no samples beside the project";
        }
        ScratchDir dir;
        const RunResult pulled = run_program({kDirpull, path}, dir.path());
        EXPECT_EQ(pulled.exit_code, 0);
        EXPECT_EQ(pulled.out + pulled.err, "");
        const RunResult cut = run_program({kSectorcut, path, "o.bin", "0", "0", "1"}, dir.path());
        EXPECT_EQ(cut.exit_code, 0);
        EXPECT_EQ(cut.out, "cutting ... o.bin\n");
        EXPECT_EQ(cut.err, "");
        EXPECT_EQ(tree(dir.path()), std::vector<std::string>{"o.bin"});
        expect_file(dir / "o.bin", Bytes{});
    }
}

// A folder opens for reading on some systems, but it is no container: the
// same one line as for a container that cannot be opened.
TEST(BothPrograms, RefuseAFolderAsTheContainer)
{
    ScratchDir dir;
    const RunResult pulled = run_program({kDirpull, "."}, dir.path());
    EXPECT_EQ(pulled.exit_code, 1);
    EXPECT_EQ(pulled.out, "");
    EXPECT_EQ(pulled.err, kCannotOpen);
    const RunResult cut = run_program({kSectorcut, ".", "o.bin", "0", "0", "1"}, dir.path());
    EXPECT_EQ(cut.exit_code, 1);
    EXPECT_EQ(cut.out, "");
    EXPECT_EQ(cut.err, "\x83t\x83@\x83"
                       "C\x83\x8b\x82\xf0\x83I\x81[\x83v\x83\x93\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1.\n");
    EXPECT_EQ(tree(dir.path()), std::vector<std::string>{});
}
