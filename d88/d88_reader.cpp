#include "d88_reader.h"

#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstring>

namespace {

// Fields of the disk header.
constexpr int32_t kMediaTypeOffset = 0x1B;  // media-type byte
constexpr int32_t kDiskSizeOffset = 0x1C;   // 4 bytes: length of the disk, header included
constexpr int32_t kTrackTableOffset = 0x20; // 164 entries of 4 bytes: track positions

// Fields of the sector header, after C, H, R and N in bytes 0 to 3.
constexpr int32_t kSectorCountOffset = 4; // 2 bytes: sectors in this track
constexpr int32_t kDensityOffset = 6;     // recording density
constexpr int32_t kDeletedOffset = 7;     // deleted-data mark
constexpr int32_t kStatusOffset = 8;      // the controller's status
constexpr int32_t kDataSizeOffset = 14;   // 2 bytes: data bytes after this header

// The largest position the container may be addressed at: positions are
// signed 32-bit values.
constexpr int64_t kMaxPosition = INT32_MAX;

} // namespace

int32_t le16(const uint8_t* bytes)
{
    return static_cast<int32_t>(bytes[0] | (bytes[1] << 8));
}

int32_t le32(const uint8_t* bytes)
{
    return static_cast<int32_t>(static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
                                (static_cast<uint32_t>(bytes[2]) << 16) |
                                (static_cast<uint32_t>(bytes[3]) << 24));
}

D88Reader::~D88Reader()
{
    open(nullptr);
}

bool D88Reader::open(const char* path)
{
    if (stream != nullptr) {
        std::fclose(stream);
        stream = nullptr;
    }
    indexed_disks = 0;
    disk_base = -1;
    disk_size = 0;
    media = -1;
    name_buffer[0] = '\0';
    stream_position = -1;
    known_size = -1;
    window_start = 0;
    window_length = 0;
    if (path == nullptr) {
        return true;
    }
    stream = std::fopen(path, "rb");
    if (stream == nullptr) {
        return false;
    }
    // The window does the buffering: the stream reads straight into it.
    std::setvbuf(stream, nullptr, _IONBF, 0);
    // Each disk's size field leads to the next disk's header. A size of 0
    // indexes the same header again; a position that leaves the container or
    // the 32-bit range ends the indexing.
    uint8_t header[kDiskHeaderSize];
    int64_t position = 0;
    while (indexed_disks < kMaxDisks) {
        if (position < 0 || position > kMaxPosition ||
            read_at(position, header, kDiskHeaderSize, position, false) != kDiskHeaderSize) {
            break;
        }
        disk_offsets[indexed_disks] = static_cast<int32_t>(position);
        position += le32(header + kDiskSizeOffset);
        ++indexed_disks;
    }
    // A file that opens but cannot be read (a folder, a failing device) is no
    // container: the caller learns why from errno, as for a failed open.
    if (std::ferror(stream) != 0) {
        const int error = errno;
        open(nullptr);
        errno = error;
        return false;
    }
    return true;
}

bool D88Reader::select_disk(int32_t index)
{
    if (stream == nullptr) {
        return false;
    }
    disk_base = -1;
    media = -1;
    disk_size = 0;
    name_buffer[0] = '\0';
    if (index < 0 || index >= indexed_disks) {
        return false;
    }
    uint8_t header[kDiskHeaderSize];
    const int64_t position = disk_offsets[index];
    if (read_at(position, header, kDiskHeaderSize, position, false) != kDiskHeaderSize) {
        return false; // the container changed since it was indexed
    }
    for (int32_t i = 0; i < kTrackCount; ++i) {
        track_table[i] = le32(header + kTrackTableOffset + 4 * static_cast<ptrdiff_t>(i));
    }
    disk_base = disk_offsets[index];
    media = header[kMediaTypeOffset];
    disk_size = le32(header + kDiskSizeOffset);
    // The name field cut at its first NUL; the 17th byte stays NUL.
    int32_t i = 0;
    for (; i < kNameLength && header[i] != 0; ++i) {
        name_buffer[i] = static_cast<char>(header[i]);
    }
    for (; i < kNameLength; ++i) {
        name_buffer[i] = '\0';
    }
    return true;
}

int64_t D88Reader::container_size()
{
    if (stream == nullptr) {
        return -1;
    }
    if (known_size < 0) {
        stream_position = -1; // the read after this one seeks again
        if (std::fseek(stream, 0, SEEK_END) == 0) {
            known_size = std::ftell(stream);
        }
    }
    return known_size;
}

void D88Reader::set_sector_range(int32_t first, int32_t last)
{
    first_sector = first;
    last_sector = last;
}

int64_t D88Reader::track_position(int32_t track) const
{
    if (stream == nullptr || disk_base < 0 || track < 0 || track >= kTrackCount) {
        return -1;
    }
    // 0 marks an absent track; an entry outside 1 .. disk size would lie
    // outside the disk.
    const int32_t entry = track_table[track];
    if (entry <= 0 || entry > disk_size) {
        return -1;
    }
    return static_cast<int64_t>(disk_base) + entry;
}

template <typename Visit> D88Reader::WalkEnd D88Reader::walk_records(int32_t track, int32_t max_records, Visit&& visit)
{
    const int64_t first = track_position(track);
    if (first < 0 || first > kMaxPosition) {
        return WalkEnd::NoTrack;
    }
    // The track ends after the record whose sector count equals its place in
    // the track, counted from 1; each header's count is taken afresh.
    uint8_t header[kSectorHeaderSize];
    int64_t position = first;
    for (int32_t i = 0; i < max_records; ++i) {
        if (read_at(position, header, kSectorHeaderSize, first, true) != kSectorHeaderSize) {
            return WalkEnd::ContainerEnds;
        }
        position += kSectorHeaderSize;
        if (!visit(header, position, first)) {
            return WalkEnd::Stopped;
        }
        position += le16(header + kDataSizeOffset);
        if (i == le16(header + kSectorCountOffset) - 1) {
            return WalkEnd::CountedOut;
        }
    }
    return WalkEnd::Stopped;
}

int32_t D88Reader::read_sector(int32_t track, int32_t c, int32_t h, int32_t r, int32_t n, uint8_t* buffer,
                               int32_t length)
{
    int32_t copied = 0;
    walk_records(track, INT32_MAX, [&](const uint8_t* header, int64_t data_position, int64_t first) {
        // A sector count of 0 ends the search before the header is compared.
        if (le16(header + kSectorCountOffset) == 0) {
            return false;
        }
        if (header[0] != c || header[1] != h || header[2] != r || header[3] != n) {
            return true;
        }
        const int32_t data_size = le16(header + kDataSizeOffset);
        const int32_t wanted = length < data_size ? length : data_size;
        if (wanted > 0) {
            copied = read_at(data_position, buffer, wanted, first, true);
        }
        return false;
    });
    return copied;
}

int32_t D88Reader::read_sectors(int32_t track, int32_t c, int32_t h, int32_t r, int32_t n, uint8_t* buffer,
                                int32_t length)
{
    // 128 << n bytes a piece; from n = 24 on a piece exceeds any length, and a
    // negative n matches no sector.
    const int32_t piece = (n >= 0 && n < 24) ? (128 << n) : INT32_MAX;
    int32_t sum = 0;
    while (sum < length) {
        const int32_t wanted = length - sum < piece ? length - sum : piece;
        if (read_sector(track, c, h, r, n, buffer + sum, wanted) < wanted) {
            return sum;
        }
        sum += wanted;
        // A sector was found, so c, h and r are bytes and the steps cannot
        // overflow.
        if (r == last_sector) {
            ++track;
            if (h == 0) {
                h = 1;
            } else {
                h = 0;
                ++c;
            }
            r = first_sector;
        } else {
            ++r;
        }
    }
    return sum;
}

int32_t D88Reader::read_sector_ids(int32_t track, uint8_t* buffer, int32_t length)
{
    // Unlike read_sector, a sector count of 0 does not end the list: length
    // and the end of the container bound it.
    int32_t written = 0;
    walk_records(track, length < 0 ? 0 : length / 4, [&](const uint8_t* header, int64_t, int64_t) {
        for (int32_t k = 0; k < 4; ++k) {
            buffer[written + k] = header[k];
        }
        written += 4;
        return true;
    });
    return written;
}

RecordScan D88Reader::read_sector_records(int32_t track, SectorRecord* records, int32_t capacity)
{
    RecordScan scan;
    const WalkEnd end = walk_records(track, capacity, [&](const uint8_t* header, int64_t data_position, int64_t) {
        SectorRecord& record = records[scan.records++];
        record.c = header[0];
        record.h = header[1];
        record.r = header[2];
        record.n = header[3];
        record.sector_count = le16(header + kSectorCountOffset);
        record.density = header[kDensityOffset];
        record.deleted = header[kDeletedOffset];
        record.status = header[kStatusOffset];
        record.data_size = le16(header + kDataSizeOffset);
        record.data_position = data_position;
        return true;
    });
    const int64_t size = container_size();
    scan.container_ends =
        end == WalkEnd::ContainerEnds ||
        (scan.records > 0 && records[scan.records - 1].data_position + records[scan.records - 1].data_size > size);
    return scan;
}

int32_t D88Reader::read_at(int64_t position, uint8_t* out, int32_t count, int64_t anchor, bool read_ahead)
{
    if (count <= 0 || count > kWindowSize) {
        return 0; // no caller asks for more than a sector's data
    }
    const int64_t end = position + count;
    if (position < window_start || end > window_start + window_length) {
        refill(end - anchor <= kWindowSize ? anchor : position, end, read_ahead);
    }
    const int64_t held = window_start + window_length - position;
    if (position < window_start || held <= 0) {
        return 0;
    }
    const int32_t copied = held < count ? static_cast<int32_t>(held) : count;
    std::memcpy(out, window + (position - window_start), static_cast<size_t>(copied));
    return copied;
}

void D88Reader::refill(int64_t start, int64_t end, bool read_ahead)
{
    if (stream == nullptr) {
        return;
    }
    // A start inside what the window holds, or right after it, continues a
    // run: the held bytes from start on are kept and the rest is read after
    // them, without a seek.
    const int64_t held_end = window_start + window_length;
    const bool continues = window_length > 0 && start >= window_start && start <= held_end;
    int64_t limit = end;
    if (read_ahead) {
        limit = start + (continues ? kWindowSize : kFirstFill);
        // Reading ahead stops at the end of the selected disk, so that the
        // next disk is not read twice.
        const int64_t disk_end = static_cast<int64_t>(disk_base) + disk_size;
        if (disk_base >= 0 && disk_end >= end && disk_end < limit) {
            limit = disk_end;
        }
        if (limit < end) {
            limit = end;
        }
    }
    if (limit > start + kWindowSize) {
        limit = start + kWindowSize; // read_at keeps end within this
    }
    int32_t kept = 0;
    if (continues) {
        kept = static_cast<int32_t>(held_end - start);
    }
    if (kept > 0) {
        std::memmove(window, window + (start - window_start), static_cast<size_t>(kept));
    }
    window_start = start;
    window_length = kept;
    const int64_t from = start + kept;
    if (limit <= from) {
        return;
    }
    if (stream_position != from) {
        const auto offset = static_cast<long>(from);
        if (offset != from || std::fseek(stream, offset, SEEK_SET) != 0) {
            stream_position = -1;
            return;
        }
        stream_position = from;
    }
    const auto wanted = static_cast<size_t>(limit - from);
    const size_t got = std::fread(window + kept, 1, wanted, stream);
    window_length += static_cast<int32_t>(got);
    stream_position = got == wanted ? from + static_cast<int64_t>(got) : -1;
}
