// Both real programs in a file system that fails them: a full device, a file
// size limit, folders without write permission, a file or folder in the way,
// an output that is the container itself. Every row that fails a file names
// it and the system's reason on standard error and ends with exit code 1; a
// row that fails none ends with 0. Every row leaves the container as it was
// and changes no file but the ones the run was asked to write.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <pwd.h>
#include <unistd.h>

#include "d88_builder.h"
#include "program_checks.h"
#include "run_program.h"

using namespace d88test;
namespace fs = std::filesystem;

namespace {

Bytes pattern_bytes(size_t size, int seed)
{
    Bytes data(size);
    for (size_t i = 0; i < size; ++i) {
        data[i] = static_cast<uint8_t>(i * 17 + static_cast<size_t>(seed) * 5 + 3);
    }
    return data;
}

const Bytes kGame = pattern_bytes(1500, 1);
const Bytes kNote = pattern_bytes(100, 2);
const Bytes kData = pattern_bytes(50, 3);

// FIRST holds GAME.BIN (1500 bytes on track 0) and NOTE.BAS (100 bytes on
// track 37); SECOND holds DATA.BAS (50 bytes on track 37).
Bytes two_disks()
{
    Volume first;
    first.add_file("GAME", "BIN", 1, 0, 1, 0x9000, kGame);
    first.add_file("NOTE", "BAS", 0, 37, 1, 0, kNote);
    Volume second;
    second.add_file("DATA", "BAS", 0, 37, 1, 0, kData);
    return build({first.to_disk("FIRST", {0, 37}), second.to_disk("SECOND", {37})});
}

// DOTS lists the names "." and ".." before NOTE.BAS.
Bytes dot_names()
{
    Volume v;
    v.add_file(".", "", 0, 37, 1, 0, {});
    v.add_file("..", "", 0, 37, 1, 0, {});
    v.add_file("NOTE", "BAS", 0, 37, 1, 0, kNote);
    return build({v.to_disk("DOTS", {37})});
}

const std::string kGameLine = "GAME.BIN   : [BIN] trk=00 sec=01 trkofs=0000 adr=9000 size=05DC\n";
const std::string kNoteLine = "NOTE.BAS   : [BAS] trk=37 sec=01 trkofs=0000          size=0064\n";
const std::string kDataLine = "DATA.BAS   : [BAS] trk=37 sec=01 trkofs=0000          size=0032\n";
const std::string kFirst = "\n[FIRST] -> 000\n";
const std::string kSecond = "\n[SECOND] -> 001\n";
const std::string kListing = kFirst + kGameLine + kNoteLine + kSecond + kDataLine;

std::string reason(int error)
{
    return std::strerror(error);
}

// A file the run writes: its path below the scratch root and its bytes; no
// bytes for a folder.
using Written = std::map<std::string, std::optional<Bytes>>;

const Written kSecondDisk = {{"work/001/", std::nullopt}, {"work/001/DATA.BAS", kData}};

Written with_second_disk(Written written)
{
    written.insert(kSecondDisk.begin(), kSecondDisk.end());
    return written;
}

struct Fault {
    std::string name;
    bool pull; // dirpull, else sectorcut
    // The arguments after the program; the program runs in work/ below the
    // scratch root, the container is ../c.d88.
    std::vector<std::string> args;
    std::string out;
    std::string err;
    Written written;
    std::function<void(const std::string& root)> arrange = {};
    long long file_size_limit = -1;
    bool unprivileged = false;        // runs as an ordinary user, so that permissions hold
    Bytes (*container)() = two_disks; // made when the row runs
};

void PrintTo(const Fault& fault, std::ostream* out)
{
    *out << fault.name;
}

std::vector<std::string> cut_args(const std::string& output)
{
    return {"../c.d88", output, "0", "0", "1", "2048"};
}

void make_folder(const std::string& path, fs::perms perms = fs::perms(0755))
{
    fs::create_directories(path);
    fs::permissions(path, perms);
}

void link_to(const std::string& target, const std::string& path)
{
    fs::create_symlink(target, path);
}

std::vector<Fault> faults()
{
    const fs::perms read_only = fs::perms(0555);
    const std::string same = ": is the container being read; not overwritten\n";
    // The names GAME.BIN to GAME.BIN and 247 '$' already taken: the next one
    // -f tries is 256 bytes long, more than a name may hold here.
    const std::string longest = "GAME.BIN" + std::string(248, '$');
    return {
        // sectorcut
        {"cut to a full device",
         false,
         cut_args("/dev/full"),
         "cutting ... /dev/full\n",
         "sectorcut: /dev/full: " + reason(ENOSPC) + "\n",
         {}},
        {"cut stopped half-way by a file size limit",
         false,
         cut_args("out.bin"),
         "cutting ... out.bin\n",
         "sectorcut: out.bin: " + reason(EFBIG) + "\n",
         {{"work/out.bin", Bytes(kGame.begin(), kGame.begin() + 1000)}},
         {},
         1000},
        {"cut into a folder without write permission",
         false,
         cut_args("out.bin"),
         "cutting ... out.bin\n",
         "sectorcut: out.bin: " + reason(EACCES) + "\n",
         {},
         [=](const std::string& root) { fs::permissions(root + "/work", read_only); },
         -1,
         true},
        {"cut below a plain file",
         false,
         cut_args("000/out.bin"),
         "cutting ... 000/out.bin\n",
         "sectorcut: 000/out.bin: " + reason(ENOTDIR) + "\n",
         {},
         [](const std::string& root) {
             write_file(root + "/work/000", {'k'});
         }},
        {"cut onto a folder",
         false,
         cut_args("out.bin"),
         "cutting ... out.bin\n",
         "sectorcut: out.bin: " + reason(EISDIR) + "\n",
         {},
         [](const std::string& root) {
             make_folder(root + "/work/out.bin");
         }},
        {"cut onto the container by its own path",
         false,
         cut_args("../c.d88"),
         "cutting ... ../c.d88\n",
         "sectorcut: ../c.d88" + same,
         {}},
        {"cut onto the container through a symbolic link",
         false,
         cut_args("link.d88"),
         "cutting ... link.d88\n",
         "sectorcut: link.d88" + same,
         {},
         [](const std::string& root) {
             link_to("../c.d88", root + "/work/link.d88");
         }},
        {"cut onto the container through a hard link",
         false,
         cut_args("hard.d88"),
         "cutting ... hard.d88\n",
         "sectorcut: hard.d88" + same,
         {},
         [](const std::string& root) {
             fs::create_hard_link(root + "/c.d88", root + "/work/hard.d88");
         }},

        // dirpull
        {"pull a file onto a full device",
         true,
         {"../c.d88"},
         kListing,
         "** write error **\ndirpull: GAME.BIN: " + reason(ENOSPC) + "\n",
         with_second_disk({{"work/000/NOTE.BAS", kNote}}),
         [](const std::string& root) {
             make_folder(root + "/work/000");
             link_to("/dev/full", root + "/work/000/GAME.BIN");
         }},
        {"pull stopped half-way by a file size limit",
         true,
         {"../c.d88"},
         kListing,
         "** write error **\ndirpull: GAME.BIN: " + reason(EFBIG) + "\n",
         with_second_disk({{"work/000/", std::nullopt},
                           {"work/000/GAME.BIN", Bytes(kGame.begin(), kGame.begin() + 1000)},
                           {"work/000/NOTE.BAS", kNote}}),
         {},
         1000},
        {"pull into a folder without write permission",
         true,
         {"../c.d88"},
         "",
         "dirpull: 000: " + reason(EACCES) + "\ndirpull: 001: " + reason(EACCES) + "\n",
         {},
         [=](const std::string& root) { fs::permissions(root + "/work", read_only); },
         -1,
         true},
        {"pull with -d into a folder without write permission",
         true,
         {"../c.d88", "-d"},
         "\n[FIRST]\n\n[SECOND]\n",
         "dirpull: GAME.BIN: " + reason(EACCES) + "\ndirpull: NOTE.BAS: " + reason(EACCES) +
             "\ndirpull: DATA.BAS: " + reason(EACCES) + "\n",
         {},
         [=](const std::string& root) { fs::permissions(root + "/work", read_only); },
         -1,
         true},
        {"pull into a disk folder without write permission",
         true,
         {"../c.d88"},
         kFirst + kSecond + kDataLine,
         "dirpull: GAME.BIN: " + reason(EACCES) + "\ndirpull: NOTE.BAS: " + reason(EACCES) + "\n",
         kSecondDisk,
         [=](const std::string& root) {
             fs::permissions(root + "/work", fs::perms(0777));
             make_folder(root + "/work/000", read_only);
         },
         -1,
         true},
        // The way back from each disk folder needs no permission to list the
        // starting folder.
        {"pull in a folder that can be written and entered but not listed",
         true,
         {"../c.d88"},
         kListing,
         "",
         with_second_disk({{"work/000/", std::nullopt}, {"work/000/GAME.BIN", kGame}, {"work/000/NOTE.BAS", kNote}}),
         [](const std::string& root) { fs::permissions(root + "/work", fs::perms(0333)); },
         -1,
         true},
        {"pull with a plain file where a disk folder should go",
         true,
         {"../c.d88"},
         kSecond + kDataLine,
         "dirpull: 000: " + reason(ENOTDIR) + "\n",
         kSecondDisk,
         [](const std::string& root) {
             write_file(root + "/work/000", {'k'});
         }},
        {"pull onto the container by its own path",
         true,
         {"GAME.BIN", "-d"},
         "\n[FIRST]\n" + kNoteLine + "\n[SECOND]\n" + kDataLine,
         "dirpull: GAME.BIN" + same,
         {{"work/NOTE.BAS", kNote}, {"work/DATA.BAS", kData}},
         [](const std::string& root) {
             fs::copy_file(root + "/c.d88", root + "/work/GAME.BIN");
         }},
        {"pull onto the container kept in the disk folder",
         true,
         {"000/GAME.BIN"},
         kFirst + kNoteLine + kSecond + kDataLine,
         "dirpull: GAME.BIN" + same,
         with_second_disk({{"work/000/NOTE.BAS", kNote}}),
         [](const std::string& root) {
             make_folder(root + "/work/000");
             fs::copy_file(root + "/c.d88", root + "/work/000/GAME.BIN");
         }},
        {"pull onto the container through a symbolic link",
         true,
         {"../c.d88", "-d"},
         "\n[FIRST]\n" + kNoteLine + "\n[SECOND]\n" + kDataLine,
         "dirpull: GAME.BIN" + same,
         {{"work/NOTE.BAS", kNote}, {"work/DATA.BAS", kData}},
         [](const std::string& root) {
             link_to("../c.d88", root + "/work/GAME.BIN");
         }},
        {"pull onto the container through a hard link",
         true,
         {"../c.d88", "-d"},
         "\n[FIRST]\n" + kNoteLine + "\n[SECOND]\n" + kDataLine,
         "dirpull: GAME.BIN" + same,
         {{"work/NOTE.BAS", kNote}, {"work/DATA.BAS", kData}},
         [](const std::string& root) {
             fs::create_hard_link(root + "/c.d88", root + "/work/GAME.BIN");
         }},
        {"pull entries named . and ..",
         true,
         {"../c.d88"},
         "\n[DOTS] -> 000\n" + kNoteLine,
         "dirpull: .: " + reason(EISDIR) + "\ndirpull: ..: " + reason(EISDIR) + "\n",
         {{"work/000/", std::nullopt}, {"work/000/NOTE.BAS", kNote}},
         {},
         -1,
         false,
         dot_names},
        {"pull onto a folder of the file's name",
         true,
         {"../c.d88"},
         kFirst + kNoteLine + kSecond + kDataLine,
         "dirpull: GAME.BIN: " + reason(EISDIR) + "\n",
         with_second_disk({{"work/000/NOTE.BAS", kNote}}),
         [](const std::string& root) {
             make_folder(root + "/work/000/GAME.BIN");
         }},
        {"pull with -f past the longest name",
         true,
         {"../c.d88", "-f"},
         kFirst + kNoteLine + kSecond + kDataLine,
         "dirpull: " + longest + ": " + reason(ENAMETOOLONG) + "\n",
         with_second_disk({{"work/000/NOTE.BAS", kNote}}),
         [](const std::string& root) {
             make_folder(root + "/work/000");
             for (std::string name = "GAME.BIN"; name.size() < 256; name += '$') {
                 write_file(root + "/work/000/" + name, {'k'});
             }
         }},
    };
}

class Faulty : public testing::TestWithParam<Fault> {};

TEST_P(Faulty, ReportsTheFileAndLeavesTheRestAlone)
{
    const Fault& fault = GetParam();
    ScratchDir root;
    fs::permissions(root.path(), fs::perms(0755));
    write_file(root / "c.d88", fault.container());
    make_folder(root / "work");
    if (fault.arrange) {
        fault.arrange(root.path());
    }

    RunOptions options;
    options.time_limit_seconds = kRunTimeLimit;
    options.file_size_limit = fault.file_size_limit;
    std::string program = fault.pull ? dirpull_path() : sectorcut_path();
    // The superuser writes anywhere: such a row runs as an ordinary user, from
    // a copy of the program that the user can reach.
    ScratchDir copy;
    if (fault.unprivileged && geteuid() == 0) {
        const passwd* nobody = getpwnam("nobody");
        ASSERT_NE(nobody, nullptr) << "no user nobody to run as";
        options.uid = static_cast<int>(nobody->pw_uid);
        options.gid = static_cast<int>(nobody->pw_gid);
        fs::permissions(copy.path(), fs::perms(0755));
        fs::copy_file(program, copy / "program");
        program = copy / "program";
    }

    std::vector<std::string> argv = {program};
    argv.insert(argv.end(), fault.args.begin(), fault.args.end());
    const Tree before = snapshot(root.path());
    const RunResult result = run_program(argv, root / "work", options);
    EXPECT_EQ(abnormal_end(result), "");
    EXPECT_EQ(result.exit_code, fault.err.empty() ? 0 : 1);
    EXPECT_EQ(result.out, fault.out);
    EXPECT_EQ(result.err, fault.err);

    Tree expected;
    for (const auto& [path, bytes] : fault.written) {
        expected[path] = bytes ? file_state(std::string(bytes->begin(), bytes->end())) : folder_state();
    }
    const std::string difference = describe_changes(expected, changes(before, snapshot(root.path())));
    EXPECT_TRUE(difference.empty()) << difference;
}

INSTANTIATE_TEST_SUITE_P(FaultTable, Faulty, testing::ValuesIn(faults()), row_name<Fault>);

} // namespace
