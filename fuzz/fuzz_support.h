// What the fuzz targets share: a scratch file that holds the container of the
// current input (D88Reader::open takes a path), a cursor that takes numbers
// from the front of an input, and the check that ends a run on a broken rule.
#ifndef FUZZ_FUZZ_SUPPORT_H
#define FUZZ_FUZZ_SUPPORT_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace d88fuzz {

// A broken rule is a finding: say which, and abort so that libFuzzer keeps
// the input.
#define FUZZ_CHECK(condition)                                                                                \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);               \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (false)

// Where a target leaves a checksum of the bytes it "wrote", so that the
// reads of those bytes are not optimised away.
inline volatile uint32_t written_checksum = 0;

// One file per process, in memory (/dev/shm) where there is such a folder,
// rewritten for every input and removed when the process ends normally.
class ScratchContainer {
public:
    ScratchContainer()
    {
        const char* folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        path_ = std::string(folder) + "/d88fuzz-" + std::to_string(getpid()) + ".d88";
    }
    ~ScratchContainer() { unlink(path_.c_str()); }
    ScratchContainer(const ScratchContainer&) = delete;
    ScratchContainer& operator=(const ScratchContainer&) = delete;

    // Replaces the file's bytes with data; returns its path.
    const char* write(const uint8_t* data, size_t size)
    {
        const int fd = open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        FUZZ_CHECK(fd >= 0);
        size_t done = 0;
        while (done < size) {
            const ssize_t n = ::write(fd, data + done, size - done);
            FUZZ_CHECK(n > 0);
            done += static_cast<size_t>(n);
        }
        FUZZ_CHECK(close(fd) == 0);
        return path_.c_str();
    }

    // Cuts the file to size bytes, as if it changed after it was opened.
    void truncate_to(size_t size) { FUZZ_CHECK(truncate(path_.c_str(), static_cast<off_t>(size)) == 0); }

    const char* path() const { return path_.c_str(); }

private:
    std::string path_;
};

// Takes fixed-width little-endian numbers from the front of an input; bytes
// past its end read as 0, so that every input gives every number.
class Cursor {
public:
    Cursor(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    uint8_t u8() { return at_ < size_ ? data_[at_++] : (++at_, 0); }
    int32_t i8() { return static_cast<int8_t>(u8()); }
    int32_t i16() { return static_cast<int16_t>(static_cast<uint16_t>(u8() | (u8() << 8))); }
    int32_t i32()
    {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) {
            v |= static_cast<uint32_t>(u8()) << (8 * i);
        }
        return static_cast<int32_t>(v);
    }

    // The bytes not yet taken (none when the numbers ran past the end).
    const uint8_t* rest() const { return data_ + (at_ < size_ ? at_ : size_); }
    size_t rest_size() const { return at_ < size_ ? size_ - at_ : 0; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

} // namespace d88fuzz

#endif
