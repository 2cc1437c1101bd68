// The fixed volume layout that dirpull extracts and d88info shows, on top of
// the fixed track layout: a directory of 224 entries of 16 bytes in sectors 3
// to 6 of track 37, and files stored as runs of bytes that begin at a track
// and a 512-byte unit and run on through the volume in track order.
#ifndef DIRPULL_VOLUME_H
#define DIRPULL_VOLUME_H

#include <cstddef>
#include <cstdint>

#include "d88_reader.h"
#include "track_layout.h"

constexpr int32_t kVolumeBytes = TrackLayout::kTracks * TrackLayout::kTrackBytes; // 473,088
constexpr int32_t kDirectoryTrack = 37;      // holds the directory (cylinder 18, head 1)
constexpr int32_t kDirectoryFirstSector = 3; // the directory is sectors 3 to 6 of its track
constexpr int32_t kEntryBytes = 16;          // bytes of one directory entry
constexpr int32_t kDirectoryEntries = 224;   // entries of the directory
constexpr int32_t kDirectoryBytes = kDirectoryEntries * kEntryBytes; // 3584
// The unit in which a file's start is given: as long as sector 6, two of them
// to each of sectors 1 to 5.
constexpr int32_t kUnitBytes = TrackLayout::kShortSectorBytes;
constexpr size_t kNameBufferSize = 260;      // a file name: at most 259 bytes and a NUL

static_assert(kDirectoryBytes == TrackLayout::kTrackBytes - TrackLayout::sector_offset(kDirectoryFirstSector),
              "the directory fills its track from its first sector on");

// Static buffers reused for every disk and never cleared: a disk whose sectors
// are missing keeps the previous disk's bytes in their places.
extern uint8_t VolumeDirectory[kDirectoryBytes];
extern uint8_t VolumeImage[kVolumeBytes];

// One directory entry, taken from its 16 bytes.
struct DirEntry {
    uint8_t name[6];       // filled out with spaces; the first byte marks the state
    uint8_t extension[3];  // filled out with spaces
    uint8_t attributes;    // bit 0: BIN file, else BAS file
    uint8_t start_track;   // track in which the data begins
    uint8_t start_unit;    // unit of that track (kUnitBytes), counted from 1
    uint16_t load_address; // where a BIN file is loaded
    uint16_t file_size;    // bytes of data
};

DirEntry dir_entry(const uint8_t* bytes);

enum class EntryKind { End, Empty, File };
EntryKind entry_kind(const DirEntry& entry);

// Makes disk index the reader's selected disk, with the sector window of the
// track layout that the reads below step through. False when the disk cannot
// be selected; every read then finds nothing.
bool select_volume(D88Reader& reader, int32_t index);

// Reads sectors 3 to 5, then sector 6, of the directory's track into
// directory (kDirectoryBytes). The reader needs a disk selected and the sector
// window 1 to 6. Returns the bytes read: kDirectoryBytes when the directory is
// complete.
int32_t read_directory(D88Reader& reader, uint8_t* directory);

// Reads every track of the layout into image (kVolumeBytes), in the two runs
// of each; places that cannot be read keep their bytes.
void load_volume(D88Reader& reader, uint8_t* image);

// Calls visit(entry) for each entry of directory that is a file, in order,
// until the end mark or the last entry.
template <typename Visit> void walk_directory(const uint8_t* directory, Visit&& visit)
{
    for (int32_t i = 0; i < kDirectoryEntries; ++i) {
        const DirEntry entry = dir_entry(directory + static_cast<ptrdiff_t>(i) * kEntryBytes);
        const EntryKind kind = entry_kind(entry);
        if (kind == EntryKind::End) {
            return;
        }
        if (kind == EntryKind::File) {
            visit(entry);
        }
    }
}

// The output name of a file entry: the name up to its first space, then '.'
// and the extension up to its first space unless the extension begins with a
// space; NUL and ?*/\:<>| become '#'. 1 to 10 bytes and a NUL, written into a
// buffer of kNameBufferSize.
void build_file_name(const DirEntry& entry, char* name);

// Byte offset in the track at which the data begins: (start_unit - 1) units.
int32_t track_offset(const DirEntry& entry);

// Sector in which the data begins: track_offset / 1024 + 1, 1024 being the
// size of sectors 1 to 5.
int32_t entry_sector(const DirEntry& entry);

// Where the data begins in the volume image.
int32_t entry_data_offset(const DirEntry& entry);

// Whether all file_size bytes of the data lie inside the volume image.
bool entry_data_inside(const DirEntry& entry);

#endif
