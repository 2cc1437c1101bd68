// The real programs (sectorcut, dirpull and d88info) on damaged copies of
// small valid containers: up to 1% of the bytes changed at random places, with
// a fixed seed so that every run sees the same variants. Whatever the damage,
// each run must end by itself with exit code 0 or 1, without a sanitizer
// report, write nothing outside the folder it runs in and leave the container
// as it was.
#include <gtest/gtest.h>

#include <array>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <random>

#include "d88_builder.h"
#include "program_checks.h"
#include "run_program.h"

using namespace d88test;

namespace {

constexpr int kVariants = 100;

Bytes pattern_bytes(size_t size, int seed)
{
    Bytes data(size);
    for (size_t i = 0; i < size; ++i) {
        data[i] = static_cast<uint8_t>(i * 13 + static_cast<size_t>(seed));
    }
    return data;
}

// A volume whose directory lists files of both kinds, on tracks 0 and 37.
Disk volume_disk(const std::string& name, int seed)
{
    Volume v;
    v.add_file("GAME", "BIN", 1, 0, 1, 0x9000, pattern_bytes(1500, seed));
    v.add_file("LOADER", "BAS", 0, 0, 4, 0, pattern_bytes(3000, seed + 1));
    v.add_file("NOTE", "", 0, 37, 1, 0, pattern_bytes(100, seed + 2));
    v.add_file("EMPTY", "BIN", 1, 37, 3, 0xC000, {});
    v.add_file("TAIL", "BIN", 1, 37, 2, 0x100, pattern_bytes(512, seed + 3));
    return v.to_disk(name, {0, 37});
}

struct Original {
    const char* name;
    Bytes (*container)();                       // made when the test runs
    std::vector<std::vector<std::string>> cuts; // sectorcut arguments after the output file
};

std::vector<Original> originals()
{
    return {
        {"fixed_layout",
         [] {
             return build({layout_tracks("LAYOUT", {0, 1, 2})});
         },
         {{"0", "0", "1", "20000"}, {"0", "1", "6", "600", "100"}, {"0", "2", "3"}}},
        {"volume_with_files",
         [] { return build({volume_disk("VOLUME", 1)}); },
         {{"0", "37", "3", "3584"}, {"0", "0", "1", "2048", "-10"}, {"0", "36", "6", "10000"}}},
        {"several_disks",
         [] {
             // Three records of odd sizes and counts on one track of the
             // last disk.
             Disk odd = layout_tracks("ODD", {36, 37, 38});
             odd.tracks[38].sectors[1].data.resize(300);
             odd.tracks[38].sectors[2].count = 2;
             return build({volume_disk("FIRST", 2), volume_disk("SECOND", 3), odd});
         },
         {{"1", "37", "1", "6144"}, {"2", "36", "5", "4000", "1000"}, {"2", "38", "1"}}},
    };
}

// Changes 1 to size / 100 bytes at random places, each to another value.
Bytes mutate(const Bytes& original, std::mt19937& random)
{
    Bytes bytes = original;
    const size_t most = std::max<size_t>(1, bytes.size() / 100);
    const size_t count = 1 + random() % most;
    for (size_t i = 0; i < count; ++i) {
        const size_t at = random() % bytes.size();
        bytes[at] = static_cast<uint8_t>(bytes[at] ^ (1 + random() % 255));
    }
    return bytes;
}

bool wrote_a_file(const std::string& folder)
{
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            return true;
        }
    }
    return false;
}

class Mutation : public testing::TestWithParam<size_t> {};

TEST_P(Mutation, EveryRunEndsCleanly)
{
    const Original original = originals().at(GetParam());
    ScratchDir root;
    const std::string container = root / "c.d88";
    const std::string work = root / "work";
    const Bytes pristine = original.container();
    std::mt19937 random(20261211U + static_cast<unsigned>(GetParam()));
    RunOptions options;
    options.time_limit_seconds = kRunTimeLimit;

    std::vector<std::vector<std::string>> runs;
    for (const std::vector<std::string>& cut : original.cuts) {
        std::vector<std::string> argv = {sectorcut_path(), container, "out.bin"};
        argv.insert(argv.end(), cut.begin(), cut.end());
        runs.push_back(argv);
    }
    runs.push_back({dirpull_path(), container});
    runs.push_back({dirpull_path(), container, "-f"});
    runs.push_back({d88info_path(), container, "-t", "-j"});

    // How the runs ended, shown at the end so that the spread of the
    // variants can be seen: per command line, runs with exit code 0, with 1,
    // and runs that wrote at least one file.
    std::vector<std::array<int, 3>> ends(runs.size());
    for (int variant = 0; variant < kVariants; ++variant) {
        const Bytes bytes = mutate(pristine, random);
        write_file(container, bytes);
        for (size_t run = 0; run < runs.size(); ++run) {
            const std::vector<std::string>& argv = runs[run];
            std::filesystem::create_directory(work);
            const std::vector<std::string> around = list_dir(root.path());
            const RunResult result = run_program(argv, work, options);
            if (result.exit_code == 0 || result.exit_code == 1) {
                ++ends[run][static_cast<size_t>(result.exit_code)];
            }
            ends[run][2] += wrote_a_file(work) ? 1 : 0;
            std::string failure = abnormal_end(result);
            if (list_dir(root.path()) != around) {
                failure += "\nsomething was created or removed next to the folder of the run";
            }
            if (read_file(container) != bytes) {
                failure += "\nthe container changed";
            }
            if (!failure.empty()) {
                const std::string kept =
                    std::string("mutation_") + original.name + "_" + std::to_string(variant) + ".d88";
                write_file(kept, bytes);
                std::string command;
                for (const std::string& a : argv) {
                    command += a + " ";
                }
                ADD_FAILURE() << original.name << " variant " << variant << " (kept as " << kept
                              << "): " << command << "\n"
                              << failure;
            }
            std::filesystem::remove_all(work);
        }
    }
    for (size_t run = 0; run < runs.size(); ++run) {
        std::string command = std::filesystem::path(runs[run][0]).filename().string();
        for (size_t i = 2; i < runs[run].size(); ++i) {
            command += " " + runs[run][i];
        }
        std::printf("%-36s exit 0: %3d, exit 1: %3d, wrote files: %3d\n", command.c_str(), ends[run][0],
                    ends[run][1], ends[run][2]);
    }
}

// The time limit that catches a hang ends a run that does not end by itself.
TEST(RunTimeLimit, EndsARunThatHangs)
{
    ScratchDir dir;
    RunOptions options;
    options.time_limit_seconds = 1;
    const RunResult result = run_program({"/bin/sleep", "30"}, dir.path(), options);
    EXPECT_EQ(result.signal, SIGALRM);
    EXPECT_NE(abnormal_end(result).find("time limit"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(SmallContainers, Mutation, testing::Values(0, 1, 2),
                         [](const testing::TestParamInfo<size_t>& info) {
                             return std::string(originals().at(info.param).name);
                         });

} // namespace
