#include "volume.h"

namespace {

constexpr uint8_t kEndMark = 0xFF;         // first name byte that ends the directory
constexpr uint8_t kEmptyMark = 0x00;       // first name byte of an empty entry
constexpr uint8_t kSpace = 0x20;           // fills names and extensions; also marks an empty entry
constexpr int32_t kUnitBytes = 512;        // the unit in which a file's start is given
constexpr int32_t kLongSectorBytes = 1024; // sectors 1 to 5
constexpr int32_t kDirectoryTrack = 37;    // the directory's track (cylinder 18, head 1)
constexpr int32_t kSectorsOneToFive = 5 * kLongSectorBytes;   // where sector 6 begins in a track
constexpr int32_t kSectorsThreeToFive = 3 * kLongSectorBytes; // where sector 6 begins in the directory

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

int32_t read_directory(D88Reader& reader, uint8_t* directory)
{
    const int32_t c = kDirectoryTrack / 2;
    const int32_t h = kDirectoryTrack % 2;
    const int32_t a = reader.read_sectors(kDirectoryTrack, c, h, 3, 3, directory, kSectorsThreeToFive);
    const int32_t b =
        reader.read_sectors(kDirectoryTrack, c, h, 6, 2, directory + kSectorsThreeToFive, kUnitBytes);
    return a + b;
}

void load_volume(D88Reader& reader, uint8_t* image)
{
    for (int32_t t = 0; t < kVolumeTracks; ++t) {
        uint8_t* track = image + static_cast<ptrdiff_t>(t) * kTrackBytes;
        reader.read_sectors(t, t / 2, t % 2, 1, 3, track, kSectorsOneToFive);
        reader.read_sectors(t, t / 2, t % 2, 6, 2, track + kSectorsOneToFive, kUnitBytes);
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
    return track_offset(entry) / kLongSectorBytes + 1;
}

int32_t entry_data_offset(const DirEntry& entry)
{
    return entry.start_track * kTrackBytes + track_offset(entry);
}

bool entry_data_inside(const DirEntry& entry)
{
    const int32_t offset = entry_data_offset(entry);
    return offset >= 0 && offset + entry.file_size <= kVolumeBytes;
}
