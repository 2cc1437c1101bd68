// What every run of a real program on a damaged container or in a failing
// file system must show, whatever else it prints: a normal exit, no sanitizer
// report, and no change to the files around it beyond the ones it was asked
// to write.
#ifndef TESTS_PROGRAM_CHECKS_H
#define TESTS_PROGRAM_CHECKS_H

#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <string>

#include "run_program.h"

namespace d88test {

// The paths of the programs under test, as the build gives them.
const std::string& sectorcut_path();
const std::string& dirpull_path();
const std::string& d88info_path();

// Seconds a single run may take before it is killed and counted as a hang.
constexpr unsigned kRunTimeLimit = 5;

// Empty when the run ended by itself with exit code 0 or 1 and its standard
// error holds no sanitizer report; otherwise what went wrong, with the
// program's standard error.
std::string abnormal_end(const RunResult& result);

// Every path below root (relative, folders with a trailing '/'), mapped to
// what it is: a folder, a symbolic link and its target, or a file and its
// bytes. Links are not followed.
using Tree = std::map<std::string, std::string>;
Tree snapshot(const std::string& root);

// The paths that differ between two snapshots (added, removed or changed),
// with their state after; a removed path maps to "(removed)".
Tree changes(const Tree& before, const Tree& after);

// The state a snapshot gives a folder, a file and a symbolic link.
std::string folder_state();
std::string file_state(const std::string& bytes);
std::string link_state(const std::string& target);

// Empty when the two sets of changes are equal; otherwise each path that
// differs, file contents shown as a dump around their first difference.
std::string describe_changes(const Tree& expected, const Tree& actual);

// A test name made of a table row's name: letters and digits kept, every
// other byte '_'.
inline std::string row_name(const std::string& text)
{
    std::string name;
    for (const char c : text) {
        name += std::isalnum(static_cast<unsigned char>(c)) != 0 ? c : '_';
    }
    return name;
}
template <typename Row> std::string row_name(const testing::TestParamInfo<Row>& info)
{
    return row_name(info.param.name);
}

} // namespace d88test

#endif
