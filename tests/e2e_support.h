// Shared pieces of the end-to-end tests, which run the real programs.
#ifndef TESTS_E2E_SUPPORT_H
#define TESTS_E2E_SUPPORT_H

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "d88_builder.h"
#include "run_program.h"

namespace d88test {

inline const std::string kSectorcut = program_under_test("D88_SECTORCUT", SECTORCUT_EXE);
inline const std::string kDirpull = program_under_test("D88_DIRPULL", DIRPULL_EXE);
inline const std::string kSourceDir = SOURCE_DIR;

// The data of sector r of track t of a disk built in code.
inline Bytes sector_data(const Disk& disk, int t, int r)
{
    for (const Sector& s : disk.tracks.at(t).sectors) {
        if (s.r == r) {
            return s.data;
        }
    }
    throw std::runtime_error("no such sector in the fixture");
}

inline Bytes cat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts) {
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

inline Bytes slice(const Bytes& b, size_t from, size_t length)
{
    return Bytes(b.begin() + static_cast<long>(from), b.begin() + static_cast<long>(from + length));
}

// Compares a file's bytes with what is expected, with a hex dump on mismatch;
// nullopt expects no file at all.
inline void expect_file(const std::string& path, const std::optional<Bytes>& expected)
{
    const bool exists = std::ifstream(path).good();
    if (!expected) {
        EXPECT_FALSE(exists) << path << " should not exist";
        return;
    }
    ASSERT_TRUE(exists) << path << " is missing";
    const std::string diff = describe_difference(*expected, read_file(path));
    EXPECT_TRUE(diff.empty()) << path << ": " << diff;
}

} // namespace d88test

#endif
