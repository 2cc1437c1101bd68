// Builds D88 containers in memory, so that every test makes the fixture it
// needs: disks, tracks and sector records with every header field settable,
// the fixed track layout, and a volume with a directory and files.
#ifndef TESTS_D88_BUILDER_H
#define TESTS_D88_BUILDER_H

#include <cstdint>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "track_layout.h"
#include "volume.h"

namespace d88test {

using Bytes = std::vector<uint8_t>;

// One sector record: a 16-byte header and its data.
struct Sector {
    uint8_t c = 0;
    uint8_t h = 0;
    uint8_t r = 1;
    uint8_t n = 1;
    uint16_t count = 1;  // the track's number of sectors, as this header says
    uint8_t density = 0; // header bytes 6 to 8, which the reader ignores
    uint8_t deleted = 0;
    uint8_t status = 0;
    Bytes data;
    std::optional<uint16_t> data_size; // header's data-size field; data.size() if unset
};

// A record with the given identity and header count, holding size bytes of
// fill.
Sector sector(uint8_t c, uint8_t h, uint8_t r, uint8_t n, uint16_t count, size_t size, uint8_t fill);

struct Track {
    std::vector<Sector> sectors;
};

struct Disk {
    std::string name; // raw bytes; the first 16 go into the header
    uint8_t media = 0;
    std::map<int, Track> tracks;            // track index -> records, stored in index order
    std::optional<int32_t> size;            // disk-size field; the real size if unset
    std::map<int, int32_t> table_overrides; // track table entries to force
};

// The container bytes of the disks, back to back.
Bytes build(const std::vector<Disk>& disks);

// A track of the fixed track layout (TrackLayout), every header giving its
// sector count. Byte i of sector r holds pattern(track, r, i).
uint8_t default_pattern(int track, int r, int i);
Track layout_track(int track, uint8_t (*pattern)(int, int, int) = default_pattern);

// A disk with the fixed layout on tracks 0 to 83.
Disk layout_disk(const std::string& name, uint8_t (*pattern)(int, int, int) = default_pattern);

// A disk with the fixed layout on the listed tracks only, so that the
// container stays small.
Disk layout_tracks(const std::string& name, std::initializer_list<int> tracks);

// The geometry and the volume layout, from the programs' own definitions.
constexpr int kTrackBytes = TrackLayout::kTrackBytes;
constexpr int kVolumeTracks = TrackLayout::kTracks;
using ::kDirectoryEntries;
using ::kDirectoryTrack;
using ::kVolumeBytes;
constexpr int kDirectoryOffset = kDirectoryTrack * kTrackBytes + TrackLayout::sector_offset(kDirectoryFirstSector);

// A volume of the fixed layout: 84 tracks of data, a directory on track 37
// filled with empty entries, and files placed at a track and 512-byte unit.
class Volume {
public:
    Volume();
    // Writes a directory entry (raw 6-byte name and 3-byte extension, padded
    // with spaces) and, when data is given, places the data at the entry's
    // place. Returns the entry's index.
    int add_file(const std::string& name, const std::string& ext, uint8_t attributes, int start_track,
                 int start_unit, uint16_t load_address, const Bytes& data);
    // Writes raw bytes into directory entry index.
    void set_entry(int index, const Bytes& entry);
    // Puts 0xFF, the end mark, at entry index.
    void end_directory_at(int index);
    Bytes& image() { return bytes; }
    // The volume as a disk of the fixed layout; only the listed tracks are
    // stored when tracks is not empty (absent tracks keep containers small).
    Disk to_disk(const std::string& name, const std::vector<int>& tracks = {}) const;

private:
    Bytes bytes;
    int next_entry = 0;
};

// Classic 16-column hex dump, for messages on mismatch.
std::string hex_dump(const Bytes& bytes, size_t limit = 512);

// Where two byte strings first differ, with a dump of both around it; empty
// when equal.
std::string describe_difference(const Bytes& expected, const Bytes& actual);

// Compares a program's output with the golden file at path: empty when equal,
// otherwise the first line that differs. With D88_UPDATE_GOLDEN=1 in the
// environment the output is written to path instead, to make or renew it.
std::string golden_difference(const std::string& path, const std::string& actual);

Bytes read_file(const std::string& path);
void write_file(const std::string& path, const Bytes& bytes);

} // namespace d88test

#endif
