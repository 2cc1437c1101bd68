#include "volume.h"

namespace {

constexpr uint8_t kEndMark = 0xFF;   // first name byte that ends the directory
constexpr uint8_t kEmptyMark = 0x00; // first name byte of an empty entry
constexpr uint8_t kSpace = 0x20;     // fills names and extensions; also marks an empty entry

// Stands for a byte that the host's file names cannot hold.
char safe_name_byte(uint8_t byte)
{
    switch (byte) {
    case 0x00:
    case '?':
    case '*':
    case '/':
    case '\\':
    case ':':
    case '<':
    case '>':
    case '|':
        return '#';
    default:
        return static_cast<char>(byte);
    }
}

} // namespace

uint8_t VolumeDirectory[kDirectoryBytes];
uint8_t VolumeImage[kVolumeBytes];

DirEntry dir_entry(const uint8_t* bytes)
{
    DirEntry entry{};
    for (int i = 0; i < 6; ++i) {
        entry.name[i] = bytes[i];
    }
    for (int i = 0; i < 3; ++i) {
        entry.extension[i] = bytes[6 + i];
    }
    entry.attributes = bytes[9];
    entry.start_track = bytes[10];
    entry.start_unit = bytes[11];
    entry.load_address = static_cast<uint16_t>(le16(bytes + 12));
    entry.file_size = static_cast<uint16_t>(le16(bytes + 14));
    return entry;
}

EntryKind entry_kind(const DirEntry& entry)
{
    if (entry.name[0] == kEndMark) {
        return EntryKind::End;
    }
    if (entry.name[0] == kEmptyMark || entry.name[0] == kSpace) {
        return EntryKind::Empty;
    }
    return EntryKind::File;
}

bool select_volume(D88Reader& reader, int32_t index)
{
    const bool selected = reader.select_disk(index);
    reader.set_sector_range(TrackLayout::kFirstSector, TrackLayout::kLastSector);
    return selected;
}

int32_t read_directory(D88Reader& reader, uint8_t* directory)
{
    // Sectors 3 to 5 in the run of the long size code, then sector 6.
    const int32_t t = kDirectoryTrack;
    const int32_t c = TrackLayout::cylinder(t);
    const int32_t h = TrackLayout::head(t);
    const TrackLayout::Run& last = TrackLayout::kRuns[1];
    const int32_t head_bytes = last.offset - TrackLayout::sector_offset(kDirectoryFirstSector);
    const int32_t a = reader.read_sectors(t, c, h, kDirectoryFirstSector, TrackLayout::size_code(kDirectoryFirstSector),
                                          directory, head_bytes);
    const int32_t b = reader.read_sectors(t, c, h, last.first_sector, last.size_code, directory + head_bytes,
                                          last.bytes);
    return a + b;
}

void load_volume(D88Reader& reader, uint8_t* image)
{
    for (int32_t t = TrackLayout::kFirstTrack; t <= TrackLayout::kLastTrack; ++t) {
        uint8_t* track = image + static_cast<ptrdiff_t>(t) * TrackLayout::kTrackBytes;
        for (const TrackLayout::Run& run : TrackLayout::kRuns) {
            reader.read_sectors(t, TrackLayout::cylinder(t), TrackLayout::head(t), run.first_sector, run.size_code,
                                track + run.offset, run.bytes);
        }
    }
}

void build_file_name(const DirEntry& entry, char* name)
{
    size_t length = 0;
    for (int i = 0; i < 6 && entry.name[i] != kSpace; ++i) {
        name[length++] = safe_name_byte(entry.name[i]);
    }
    if (entry.extension[0] != kSpace) {
        name[length++] = '.';
        for (int i = 0; i < 3 && entry.extension[i] != kSpace; ++i) {
            name[length++] = safe_name_byte(entry.extension[i]);
        }
    }
    name[length] = '\0';
}

int32_t track_offset(const DirEntry& entry)
{
    return (entry.start_unit - 1) * kUnitBytes;
}

int32_t entry_sector(const DirEntry& entry)
{
    return track_offset(entry) / TrackLayout::kLongSectorBytes + 1;
}

int32_t entry_data_offset(const DirEntry& entry)
{
    return entry.start_track * TrackLayout::kTrackBytes + track_offset(entry);
}

bool entry_data_inside(const DirEntry& entry)
{
    const int32_t offset = entry_data_offset(entry);
    return offset >= 0 && offset + entry.file_size <= kVolumeBytes;
}
