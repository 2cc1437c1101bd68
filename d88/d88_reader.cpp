#include "d88_reader.h"

#include <climits>
#include <cstddef>

namespace {

// Fields of the disk header.
constexpr int32_t kMediaTypeOffset = 0x1B;  // media-type byte
constexpr int32_t kDiskSizeOffset = 0x1C;   // 4 bytes: length of the disk, header included
constexpr int32_t kTrackTableOffset = 0x20; // 164 entries of 4 bytes: track positions

// Fields of the sector header.
constexpr int32_t kSectorCountOffset = 4; // 2 bytes: sectors in this track
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
    if (path == nullptr) {
        return true;
    }
    stream = std::fopen(path, "rb");
    if (stream == nullptr) {
        return false;
    }
    // Each disk's size field leads to the next disk's header. A size of 0
    // indexes the same header again; a position that leaves the container or
    // the 32-bit range ends the indexing.
    uint8_t header[kDiskHeaderSize];
    int64_t position = 0;
    while (indexed_disks < kMaxDisks) {
        if (!seek_to(position) || !read_exact(header, kDiskHeaderSize)) {
            break;
        }
        disk_offsets[indexed_disks] = static_cast<int32_t>(position);
        position += le32(header + kDiskSizeOffset);
        ++indexed_disks;
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
    if (!seek_to(disk_offsets[index]) || !read_exact(header, kDiskHeaderSize)) {
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

int32_t D88Reader::read_sector(int32_t track, int32_t c, int32_t h, int32_t r, int32_t n, uint8_t* buffer,
                               int32_t length)
{
    const int64_t position = track_position(track);
    if (position < 0 || !seek_to(position)) {
        return 0;
    }
    // The track ends after the record whose sector count equals its place in
    // the track, counted from 1; each header's count is taken afresh.
    uint8_t header[kSectorHeaderSize];
    for (int32_t i = 0;; ++i) {
        if (!read_exact(header, kSectorHeaderSize)) {
            return 0;
        }
        const int32_t count = le16(header + kSectorCountOffset);
        const int32_t data_size = le16(header + kDataSizeOffset);
        if (count == 0) {
            return 0;
        }
        if (header[0] == c && header[1] == h && header[2] == r && header[3] == n) {
            const int32_t wanted = length < data_size ? length : data_size;
            if (wanted <= 0) {
                return 0;
            }
            return static_cast<int32_t>(std::fread(buffer, 1, static_cast<size_t>(wanted), stream));
        }
        if (!skip(data_size) || i == count - 1) {
            return 0;
        }
    }
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
    const int64_t position = track_position(track);
    if (position < 0 || !seek_to(position)) {
        return 0;
    }
    // Unlike read_sector, a sector count of 0 does not end the list: length
    // and the end of the container bound it.
    uint8_t header[kSectorHeaderSize];
    int32_t written = 0;
    for (int32_t i = 0; static_cast<int64_t>(written) + 4 <= length; ++i) {
        if (!read_exact(header, kSectorHeaderSize)) {
            break;
        }
        for (int32_t k = 0; k < 4; ++k) {
            buffer[written + k] = header[k];
        }
        written += 4;
        const int32_t count = le16(header + kSectorCountOffset);
        if (!skip(le16(header + kDataSizeOffset)) || i == count - 1) {
            break;
        }
    }
    return written;
}

bool D88Reader::seek_to(int64_t position)
{
    if (position < 0 || position > kMaxPosition) {
        return false;
    }
    return std::fseek(stream, static_cast<long>(position), SEEK_SET) == 0;
}

bool D88Reader::skip(int32_t count)
{
    return std::fseek(stream, count, SEEK_CUR) == 0;
}

bool D88Reader::read_exact(uint8_t* buffer, int32_t count)
{
    return std::fread(buffer, 1, static_cast<size_t>(count), stream) == static_cast<size_t>(count);
}
