#include "survey.h"

#include <cstddef>
#include <cstring>

namespace {

constexpr int32_t kHeaderBytes = D88Reader::kDiskHeaderSize;
constexpr int32_t kRecordHeaderBytes = D88Reader::kSectorHeaderSize;
constexpr int32_t kSectorCountOffset = 4; // 2 bytes of a sector header
constexpr int32_t kDataSizeOffset = 14;   // 2 bytes of a sector header
constexpr int32_t kLongSize = 1024;       // sectors 1 to 5, size code 3
constexpr int32_t kShortSize = 512;       // sector 6, size code 2
constexpr int32_t kLongCode = 3;
constexpr int32_t kShortCode = 2;
constexpr int32_t kDirectoryHead = 3 * kLongSize; // sectors 3 to 5 of the directory

// Sector data land here and are not looked at: only their count matters.
uint8_t SectorData[kLongSize];
uint8_t Directory[kDirectoryBytes];

int32_t layout_code(int32_t r)
{
    return r == kLayoutSectors ? kShortCode : kLongCode;
}

int32_t layout_size(int32_t r)
{
    return r == kLayoutSectors ? kShortSize : kLongSize;
}

bool read_at(FILE* stream, int64_t position, uint8_t* buffer, int32_t count)
{
    if (position < 0 || position > INT32_MAX ||
        std::fseek(stream, static_cast<long>(position), SEEK_SET) != 0) {
        return false;
    }
    return std::fread(buffer, 1, static_cast<size_t>(count), stream) == static_cast<size_t>(count);
}

// Reads the header of each record that read_sector_ids listed, for the sector
// count and data size the reader does not give, and marks the track where its
// records run past the end of the container.
void walk_records(FILE* stream, int64_t length, int64_t position, TrackFacts& track)
{
    uint8_t header[kRecordHeaderBytes];
    for (int32_t i = 0; i < track.records; ++i) {
        if (!read_at(stream, position, header, kRecordHeaderBytes)) {
            track.marks |= kMarkEnds;
            track.records = i;
            return;
        }
        track.counts[i] = static_cast<uint16_t>(le16(header + kSectorCountOffset));
        track.sizes[i] = static_cast<uint16_t>(le16(header + kDataSizeOffset));
        position += kRecordHeaderBytes + track.sizes[i];
        if (position > length) {
            track.marks |= kMarkEnds;
        }
    }
    // The listing stops after the record whose count equals its place, at
    // kMaxRecords, or where a header comes short: the end of the container.
    const bool counted_out = track.records > 0 && track.counts[track.records - 1] == track.records;
    if (!counted_out && track.records < kMaxRecords) {
        track.marks |= kMarkEnds;
    }
}

void mark_layout(D88Reader& reader, int32_t t, TrackFacts& track)
{
    const int32_t c = t / 2;
    const int32_t h = t % 2;
    for (int32_t i = 0; i < track.records; ++i) {
        if (track.counts[i] != kLayoutSectors) {
            track.marks |= kMarkCount;
        }
        const uint8_t* id = track.ids + static_cast<ptrdiff_t>(i) * 4;
        const int32_t r = id[2];
        if (id[0] != c || id[1] != h || r < 1 || r > kLayoutSectors) {
            continue;
        }
        if (id[3] != layout_code(r)) {
            track.marks |= kMarkSizeCode;
        } else if (track.sizes[i] != layout_size(r)) {
            track.marks |= kMarkDataSize;
        }
    }
    for (int32_t r = 1; r <= kLayoutSectors; ++r) {
        if (reader.read_sector(t, c, h, r, layout_code(r), SectorData, layout_size(r)) == 0) {
            track.marks |= kMarkMissing;
        }
    }
}

void survey_track(D88Reader& reader, FILE* stream, int64_t length, int32_t t, DiskFacts& disk)
{
    TrackFacts& track = disk.tracks[t];
    track.entry = reader.track_entry(t);
    track.records = 0;
    track.marks = 0;
    if (track.entry == 0) {
        track.state = EntryState::Absent;
        return;
    }
    if (track.entry < 0) {
        track.state = EntryState::Negative;
        disk.marks |= kMarkEntryNegative;
        return;
    }
    if (track.entry > disk.size) {
        track.state = EntryState::PastDisk;
        disk.marks |= kMarkEntryPastDisk;
        return;
    }
    track.state = EntryState::Present;
    ++disk.tracks_present;
    track.records = reader.read_sector_ids(t, track.ids, static_cast<int32_t>(sizeof track.ids)) / 4;
    walk_records(stream, length, static_cast<int64_t>(disk.offset) + track.entry, track);
    mark_layout(reader, t, track);
    if (track.marks != 0) {
        if (disk.departing_tracks == 0) {
            disk.first_departing_track = t;
        }
        ++disk.departing_tracks;
    }
}

} // namespace

int64_t container_length(FILE* stream)
{
    if (std::fseek(stream, 0, SEEK_END) != 0) {
        return -1;
    }
    const long end = std::ftell(stream);
    // A stream that opens but cannot be read, a folder for one, fails here.
    uint8_t probe = 0;
    if (end < 0 || std::fseek(stream, 0, SEEK_SET) != 0 ||
        (std::fread(&probe, 1, 1, stream) != 1 && std::ferror(stream) != 0)) {
        return -1;
    }
    return end;
}

void survey_disk(D88Reader& reader, FILE* stream, int64_t length, int32_t index, DiskFacts& facts)
{
    facts.index = index;
    facts.offset = reader.disk_offset(index);
    facts.readable = reader.select_disk(index);
    facts.media = reader.media_type();
    facts.size = reader.disk_size_field();
    std::memcpy(facts.name, reader.disk_name(), sizeof facts.name);
    facts.marks = 0;
    facts.tracks_present = 0;
    facts.departing_tracks = 0;
    facts.first_departing_track = -1;
    facts.directory_bytes = 0;
    if (!facts.readable) {
        facts.marks |= kMarkUnreadable;
    } else if (facts.size == 0) {
        facts.marks |= kMarkSizeZero;
    } else if (facts.size < 0) {
        facts.marks |= kMarkSizeNegative;
    } else if (facts.size < kHeaderBytes) {
        facts.marks |= kMarkSizeBelowHeader;
    }
    if (facts.readable && static_cast<int64_t>(facts.offset) + facts.size > length) {
        facts.marks |= kMarkSizePastEnd;
    }
    for (int32_t t = 0; t < D88Reader::kTrackCount; ++t) {
        survey_track(reader, stream, length, t, facts);
    }
    // What dirpull reads of the directory: sectors 3 to 5, then sector 6.
    const int32_t c = kDirectoryTrack / 2;
    const int32_t h = kDirectoryTrack % 2;
    reader.set_sector_range(1, kLayoutSectors);
    facts.directory_bytes =
        reader.read_sectors(kDirectoryTrack, c, h, 3, kLongCode, Directory, kDirectoryHead) +
        reader.read_sectors(kDirectoryTrack, c, h, kLayoutSectors, kShortCode, Directory + kDirectoryHead,
                            kShortSize);
}

ContainerFacts survey_container(D88Reader& reader, int64_t length)
{
    ContainerFacts facts;
    facts.length = length;
    facts.disks = reader.disk_count();
    const int32_t last = facts.disks - 1;
    if (last < 0 || !reader.select_disk(last) || reader.disk_size_field() <= 0) {
        return facts;
    }
    const int64_t end = static_cast<int64_t>(reader.disk_offset(last)) + reader.disk_size_field();
    if (end > length) {
        return facts;
    }
    facts.after_last = length - end;
    if (facts.disks == D88Reader::kMaxDisks && facts.after_last >= kHeaderBytes) {
        facts.unreachable = end;
    }
    return facts;
}

const char* media_meaning(int32_t media)
{
    switch (media) {
    case 0x00:
        return "2D";
    case 0x10:
        return "2DD";
    case 0x20:
        return "2HD";
    case 0x30:
        return "1D";
    case 0x40:
        return "1DD";
    default:
        return "unknown";
    }
}
