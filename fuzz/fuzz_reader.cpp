// Fuzz target for the container reader: open on arbitrary bytes, then every
// disk (and a few indexes that are not disks) selected in turn and read with
// read_sector, read_sectors and read_sector_ids, with tracks, sector IDs,
// lengths and the sector window taken from the input. Every buffer handed to
// the reader lies between guard bytes that must come back untouched.
//
// Input: 8 bytes of settings, up to 8 operations of 14 bytes, the container.
//   settings: flags (bit 0: cut the file after opening it), first and last
//             sector of the window (signed bytes), number of operations
//             (modulo 9), 4 bytes: the length the file is cut to (modulo the
//             container's size + 1)
//   operation: kind (modulo 3: read_sector, read_sectors, read_sector_ids),
//              n (signed byte), then track, c, h, r (signed 16-bit) and the
//              buffer length (signed 32-bit, at most kMaxLength)
// The facts kept of the index and of the selected disk (disk_offset,
// disk_size_field, track_entry) are compared with the container's bytes.
// Every disk is selected; the first 8, the last and the indexes that are not
// disks are also read, which keeps a run of 64 disks fast.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <vector>

#include "d88_reader.h"
#include "fuzz_support.h"

namespace {

using d88fuzz::Cursor;

constexpr int32_t kMaxOperations = 8;
constexpr int32_t kMaxLength = 65536 + 512; // longer lengths are cut to this: past any sector
constexpr int32_t kDisksRead = 8;           // disks read from the first on (and the last)
constexpr size_t kGuard = 64;               // guard bytes on each side of a buffer
constexpr uint8_t kFill = 0xA5;             // what the buffer holds before a read

struct Operation {
    int32_t kind;
    int32_t track, c, h, r, n;
    int32_t length;
};

d88fuzz::ScratchContainer scratch;

// Compared in blocks with memcmp: a byte loop, instrumented, would cost more
// than the reads it checks.
bool untouched(const std::vector<uint8_t>& bytes, size_t from, size_t to)
{
    static const std::vector<uint8_t> fill(4096, kFill);
    for (size_t at = from; at < to; at += fill.size()) {
        if (std::memcmp(bytes.data() + at, fill.data(), std::min(fill.size(), to - at)) != 0) {
            return false;
        }
    }
    return true;
}

// Runs one operation on the selected disk (or on none); with no disk, every
// read must find nothing.
void run(D88Reader& reader, const Operation& op, bool selected)
{
    const size_t room = op.length > 0 ? static_cast<size_t>(op.length) : 0;
    std::vector<uint8_t> bytes(kGuard + room + kGuard, kFill);
    uint8_t* buffer = bytes.data() + kGuard;
    int32_t got = 0;
    size_t written_up_to = 0; // bytes of the buffer the call may have changed
    switch (op.kind) {
    case 0:
        got = reader.read_sector(op.track, op.c, op.h, op.r, op.n, buffer, op.length);
        FUZZ_CHECK(got >= 0 && got <= 65535 && static_cast<size_t>(got) <= room);
        written_up_to = static_cast<size_t>(got);
        break;
    case 1: {
        got = reader.read_sectors(op.track, op.c, op.h, op.r, op.n, buffer, op.length);
        FUZZ_CHECK(got >= 0 && static_cast<size_t>(got) <= room);
        // Whole pieces of 128 << n bytes, or the whole length.
        if (got != 0 && got != op.length) {
            FUZZ_CHECK(op.n >= 0 && op.n < 24 && got % (128 << op.n) == 0);
        }
        written_up_to = room; // a short last piece may have been copied in part
        break;
    }
    default:
        got = reader.read_sector_ids(op.track, buffer, op.length);
        FUZZ_CHECK(got >= 0 && got % 4 == 0 && static_cast<size_t>(got) <= room);
        written_up_to = static_cast<size_t>(got);
        break;
    }
    if (!selected) {
        FUZZ_CHECK(got == 0);
    }
    FUZZ_CHECK(untouched(bytes, 0, kGuard));
    FUZZ_CHECK(untouched(bytes, kGuard + written_up_to, bytes.size()));
}

int32_t field32(const uint8_t* bytes)
{
    return static_cast<int32_t>(static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
                                (static_cast<uint32_t>(bytes[2]) << 16) |
                                (static_cast<uint32_t>(bytes[3]) << 24));
}

// The facts the reader keeps of the index and of the selected disk, against
// the container's own bytes (when the file is as it was indexed).
void check_facts(const D88Reader& reader, int32_t d, int32_t disks, bool as_stored, const uint8_t* container,
                 size_t size)
{
    const int32_t offset = reader.disk_offset(d);
    if (d < 0 || d >= disks) {
        FUZZ_CHECK(offset == -1);
    } else {
        FUZZ_CHECK(offset >= 0 && static_cast<size_t>(offset) + D88Reader::kDiskHeaderSize <= size);
        FUZZ_CHECK(d > 0 || offset == 0);
    }
    if (reader.media_type() < 0) {
        FUZZ_CHECK(reader.disk_size_field() == 0);
        for (int32_t t = -1; t <= D88Reader::kTrackCount; ++t) {
            FUZZ_CHECK(reader.track_entry(t) == 0);
        }
        return;
    }
    FUZZ_CHECK(reader.track_entry(-1) == 0 && reader.track_entry(D88Reader::kTrackCount) == 0);
    if (as_stored) {
        const uint8_t* header = container + offset;
        FUZZ_CHECK(reader.disk_size_field() == field32(header + 0x1C));
        for (int32_t t = 0; t < D88Reader::kTrackCount; ++t) {
            FUZZ_CHECK(reader.track_entry(t) == field32(header + 0x20 + 4 * static_cast<ptrdiff_t>(t)));
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Cursor in(data, size);
    const uint8_t flags = in.u8();
    const int32_t first = in.i8();
    const int32_t last = in.i8();
    const int32_t operations = in.u8() % (kMaxOperations + 1);
    const uint32_t cut = static_cast<uint32_t>(in.i32());
    std::vector<Operation> ops;
    for (int32_t i = 0; i < operations; ++i) {
        Operation op{};
        op.kind = in.u8() % 3;
        op.n = in.i8();
        op.track = in.i16();
        op.c = in.i16();
        op.h = in.i16();
        op.r = in.i16();
        op.length = std::min(in.i32(), kMaxLength);
        ops.push_back(op);
    }

    const char* path = scratch.write(in.rest(), in.rest_size());
    D88Reader reader;
    FUZZ_CHECK(reader.open(path));
    const int32_t disks = reader.disk_count();
    FUZZ_CHECK(disks >= 0 && disks <= D88Reader::kMaxDisks);
    FUZZ_CHECK(disks == 0 || in.rest_size() >= static_cast<size_t>(D88Reader::kDiskHeaderSize));
    const bool changed = (flags & 1) != 0;
    if (changed) {
        scratch.truncate_to(cut % (in.rest_size() + 1));
    }
    reader.set_sector_range(first, last);

    std::vector<int32_t> indexes;
    for (int32_t d = 0; d < disks; ++d) {
        indexes.push_back(d);
    }
    const auto read_too = [&](int32_t d) {
        return d < kDisksRead || d >= disks - 1;
    };
    for (int32_t bad : {-1, disks, D88Reader::kMaxDisks, INT32_MIN, INT32_MAX}) {
        indexes.push_back(bad);
    }
    for (const int32_t d : indexes) {
        const bool selected = reader.select_disk(d);
        if (d < 0 || d >= disks) {
            FUZZ_CHECK(!selected);
        } else if (!changed) {
            FUZZ_CHECK(selected);
        }
        FUZZ_CHECK(std::strlen(reader.disk_name()) <= static_cast<size_t>(D88Reader::kNameLength));
        if (selected) {
            FUZZ_CHECK(reader.media_type() >= 0 && reader.media_type() <= 255);
        } else {
            FUZZ_CHECK(reader.media_type() == -1 && reader.disk_name()[0] == '\0');
        }
        check_facts(reader, d, disks, selected && !changed, in.rest(), in.rest_size());
        if (read_too(d)) {
            for (const Operation& op : ops) {
                run(reader, op, selected);
            }
        }
    }

    // Opening again indexes the same disks: indexing depends on the bytes alone.
    if (!changed) {
        FUZZ_CHECK(reader.open(path));
        FUZZ_CHECK(reader.disk_count() == disks);
    }
    return 0;
}
