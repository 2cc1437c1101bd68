#include "program_checks.h"

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "d88_builder.h"

namespace d88test {

namespace fs = std::filesystem;

const std::string& sectorcut_path()
{
    static const std::string path = D88_SECTORCUT_PATH;
    return path;
}

const std::string& dirpull_path()
{
    static const std::string path = D88_DIRPULL_PATH;
    return path;
}

const std::string& d88info_path()
{
    static const std::string path = D88_D88INFO_PATH;
    return path;
}

std::string abnormal_end(const RunResult& result)
{
    std::string what;
    if (result.signal == SIGALRM) {
        what = "killed after " + std::to_string(kRunTimeLimit) + " s (time limit)";
    } else if (result.signal != 0) {
        what = std::string("ended by signal ") + strsignal(result.signal);
    } else if (result.exit_code != 0 && result.exit_code != 1) {
        what = "exit code " + std::to_string(result.exit_code);
    }
    for (const char* report :
         {"AddressSanitizer", "LeakSanitizer", "runtime error", "UndefinedBehaviorSanitizer"}) {
        if (result.err.find(report) != std::string::npos) {
            what += (what.empty() ? "" : "; ") + std::string("sanitizer report (") + report + ")";
        }
    }
    return what.empty() ? what : what + "\nstandard error:\n" + result.err;
}

Tree snapshot(const std::string& root)
{
    Tree tree;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
        const std::string path = fs::relative(entry.path(), root).string();
        if (entry.is_symlink()) {
            tree[path] = link_state(fs::read_symlink(entry.path()).string());
        } else if (entry.is_directory()) {
            tree[path + "/"] = folder_state();
        } else {
            std::ifstream in(entry.path(), std::ios::binary);
            tree[path] = file_state(std::string(std::istreambuf_iterator<char>(in), {}));
        }
    }
    return tree;
}

Tree changes(const Tree& before, const Tree& after)
{
    Tree changed;
    for (const auto& [path, state] : after) {
        const auto was = before.find(path);
        if (was == before.end() || was->second != state) {
            changed[path] = state;
        }
    }
    for (const auto& [path, state] : before) {
        if (after.count(path) == 0) {
            changed[path] = "(removed)";
        }
    }
    return changed;
}

// A state is a kind letter followed by what the kind carries.
std::string folder_state()
{
    return "D";
}

std::string file_state(const std::string& bytes)
{
    return "F" + bytes;
}

std::string link_state(const std::string& target)
{
    return "L" + target;
}

namespace {

std::string show(const std::string& state)
{
    switch (state.empty() ? '?' : state[0]) {
    case 'D':
        return "a folder";
    case 'L':
        return "a link to " + state.substr(1);
    case 'F':
        return "a file of " + std::to_string(state.size() - 1) + " bytes";
    default:
        return state;
    }
}

Bytes bytes_of(const std::string& state)
{
    return Bytes(state.begin() + 1, state.end());
}

} // namespace

std::string describe_changes(const Tree& expected, const Tree& actual)
{
    std::string out;
    for (const auto& [path, state] : actual) {
        const auto want = expected.find(path);
        if (want == expected.end()) {
            out += path + ": changed unexpectedly, now " + show(state) + "\n";
        } else if (want->second != state) {
            out += path + ": expected " + show(want->second) + ", got " + show(state) + "\n";
            if (state[0] == 'F' && want->second[0] == 'F') {
                out += describe_difference(bytes_of(want->second), bytes_of(state));
            }
        }
    }
    for (const auto& [path, state] : expected) {
        if (actual.count(path) == 0) {
            out += path + ": expected " + show(state) + ", left unchanged\n";
        }
    }
    return out;
}

} // namespace d88test
