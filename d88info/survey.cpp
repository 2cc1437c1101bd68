#include "survey.h"

#include <cstddef>
#include <cstring>

namespace {

// Sector data land here and are not looked at: only their count matters.
uint8_t SectorData[TrackLayout::kLongSectorBytes];

void mark_layout(D88Reader& reader, int32_t t, TrackFacts& track)
{
    const int32_t c = TrackLayout::cylinder(t);
    const int32_t h = TrackLayout::head(t);
    for (int32_t i = 0; i < track.records; ++i) {
        const SectorRecord& record = track.record[i];
        if (record.sector_count != TrackLayout::kSectors) {
            track.marks |= kMarkCount;
        }
        const int32_t r = record.r;
        if (record.c != c || record.h != h || r < TrackLayout::kFirstSector || r > TrackLayout::kLastSector) {
            continue;
        }
        if (record.n != TrackLayout::size_code(r)) {
            track.marks |= kMarkSizeCode;
        } else if (record.data_size != TrackLayout::sector_bytes(r)) {
            track.marks |= kMarkDataSize;
        }
    }
    for (int32_t r = TrackLayout::kFirstSector; r <= TrackLayout::kLastSector; ++r) {
        if (reader.read_sector(t, c, h, r, TrackLayout::size_code(r), SectorData, TrackLayout::sector_bytes(r)) ==
            0) {
            track.marks |= kMarkMissing;
        }
    }
}

void survey_track(D88Reader& reader, int32_t t, DiskFacts& disk)
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
    const RecordScan scan = reader.read_sector_records(t, track.record, kMaxRecords);
    track.records = scan.records;
    if (scan.container_ends) {
        track.marks |= kMarkEnds;
    }
    mark_layout(reader, t, track);
    if (track.marks != 0) {
        if (disk.departing_tracks == 0) {
            disk.first_departing_track = t;
        }
        ++disk.departing_tracks;
    }
}

} // namespace

void survey_disk(D88Reader& reader, int64_t length, int32_t index, DiskFacts& facts)
{
    facts.index = index;
    facts.offset = reader.disk_offset(index);
    facts.readable = select_volume(reader, index);
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
    } else if (facts.size < D88Reader::kDiskHeaderSize) {
        facts.marks |= kMarkSizeBelowHeader;
    }
    if (facts.readable && static_cast<int64_t>(facts.offset) + facts.size > length) {
        facts.marks |= kMarkSizePastEnd;
    }
    for (int32_t t = 0; t < D88Reader::kTrackCount; ++t) {
        survey_track(reader, t, facts);
    }
    facts.directory_bytes = read_directory(reader, VolumeDirectory);
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
    if (facts.disks == D88Reader::kMaxDisks && facts.after_last >= D88Reader::kDiskHeaderSize) {
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
