// What d88info finds in a container: the disks as the reader indexes them, and
// on each disk every track table entry, the sector records of every present
// track, how each track departs from the fixed track layout, and whether the
// directory of the volume layout is complete. Everything comes from the
// reader.
#ifndef D88INFO_SURVEY_H
#define D88INFO_SURVEY_H

#include <cstdint>

#include "d88_reader.h"
#include "track_layout.h"
#include "volume.h"

constexpr int32_t kMaxRecords = 256; // records listed per track at most

// How a track departs from the fixed layout, one bit each.
enum TrackMark : uint32_t {
    kMarkMissing = 1U << 0,  // a sector of 1 to 6 is not found with its C, H, R and N
    kMarkSizeCode = 1U << 1, // a record of sector 1 to 6 has another size code
    kMarkDataSize = 1U << 2, // a record of sector 1 to 6 has another data size
    kMarkCount = 1U << 3,    // a header's sector count is not the layout's 6
    kMarkEnds = 1U << 4,     // the container ends inside the track
};
constexpr int32_t kTrackMarkKinds = 5;

// How a disk's header is damaged, one bit each.
enum DiskMark : uint32_t {
    kMarkUnreadable = 1U << 0,      // the header could not be read again
    kMarkSizeZero = 1U << 1,        // the next disk is read at the same offset
    kMarkSizeNegative = 1U << 2,    // no disk is read after this one
    kMarkSizeBelowHeader = 1U << 3, // the next header overlaps this one
    kMarkSizePastEnd = 1U << 4,     // the disk runs past the end of the container
    kMarkEntryNegative = 1U << 5,   // a track table entry is negative
    kMarkEntryPastDisk = 1U << 6,   // a track table entry lies past the disk
};
constexpr int32_t kDiskMarkKinds = 7;

enum class EntryState : uint8_t {
    Absent,   // entry 0
    Present,  // 1 to the disk size: the reader reads the track
    Negative, // below 0: the reader takes the track as absent
    PastDisk, // above the disk size: the reader takes the track as absent
};

struct TrackFacts {
    int32_t entry = 0;
    EntryState state = EntryState::Absent;
    int32_t records = 0; // records listed, at most kMaxRecords
    uint32_t marks = 0;
    SectorRecord record[kMaxRecords]; // in stored order
};

// Every field is zero until survey_disk fills it in, so that the program's one
// static instance takes no room in the executable.
struct DiskFacts {
    int32_t index = 0;
    int32_t offset = 0;
    bool readable = false;
    char name[D88Reader::kNameLength + 1] = {};
    int32_t media = 0; // -1 when the header cannot be read
    int32_t size = 0;
    uint32_t marks = 0;
    int32_t tracks_present = 0;
    int32_t departing_tracks = 0;      // present tracks with a mark
    int32_t first_departing_track = 0; // -1 when no track departs
    int32_t directory_bytes = 0;       // what dirpull reads of the directory
    TrackFacts tracks[D88Reader::kTrackCount];

    bool fixed_layout() const { return tracks_present > 0 && departing_tracks == 0; }
    bool directory_complete() const { return directory_bytes == kDirectoryBytes; }
};

struct ContainerFacts {
    int64_t length = 0;       // bytes of the container
    int32_t disks = 0;        // disks indexed by the reader
    int64_t after_last = -1;  // bytes after the last disk's end; -1 when it has none
    int64_t unreachable = -1; // offset of a disk header after the 64th disk, or -1
};

// Facts of disk index of the container that reader has open, length bytes
// long.
void survey_disk(D88Reader& reader, int64_t length, int32_t index, DiskFacts& facts);

// Facts of the whole container of length bytes, after the reader indexed it;
// selects the last disk.
ContainerFacts survey_container(D88Reader& reader, int64_t length);

// The usual meaning of a media-type byte: "2D", "2DD", "2HD", "1D", "1DD" or
// "unknown".
const char* media_meaning(int32_t media);

#endif
