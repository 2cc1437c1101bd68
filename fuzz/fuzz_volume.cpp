// Fuzz target for the extractor's volume path, run as dirpull runs it on each
// disk: the directory read with the sector window 1 to 6, the volume loaded,
// the directory walked, each file's name built and its data located; the data
// of each file whose bytes lie inside the volume goes to a checksum instead
// of a file.
//
// Input: the container.
#include <cstdint>
#include <cstring>

#include "d88_reader.h"
#include "fuzz_support.h"
#include "volume.h"

namespace {

d88fuzz::ScratchContainer scratch;

bool host_safe(char c)
{
    return std::strchr("?*/\\:<>|", c) == nullptr && c != '\0';
}

void check_entry(const DirEntry& entry, uint32_t* sink)
{
    // The name: 1 to 10 bytes that the host can take, in a buffer whose
    // remaining bytes stay as they were.
    char name[kNameBufferSize];
    std::memset(name, 0x5A, sizeof name);
    build_file_name(entry, name);
    const size_t length = strnlen(name, sizeof name);
    FUZZ_CHECK(length >= 1 && length <= 10);
    for (size_t i = 0; i < length; ++i) {
        FUZZ_CHECK(host_safe(name[i]));
    }
    for (size_t i = length + 1; i < sizeof name; ++i) {
        FUZZ_CHECK(name[i] == 0x5A);
    }

    // What the listing line shows.
    const int32_t offset_in_track = track_offset(entry);
    FUZZ_CHECK(offset_in_track >= -kUnitBytes && offset_in_track <= 254 * kUnitBytes);
    FUZZ_CHECK(entry_sector(entry) == offset_in_track / TrackLayout::kLongSectorBytes + 1);

    // Where the data lies, worked out here in 64 bits.
    const int64_t start = static_cast<int64_t>(entry.start_track) * TrackLayout::kTrackBytes + offset_in_track;
    const int32_t offset = entry_data_offset(entry);
    FUZZ_CHECK(offset == start);
    const bool inside = start >= 0 && start + entry.file_size <= kVolumeBytes;
    FUZZ_CHECK(entry_data_inside(entry) == inside);
    if (!inside) {
        return; // dirpull writes nothing for it
    }
    const uint8_t* data = VolumeImage + offset;
    uint32_t sum = *sink;
    for (uint32_t i = 0; i < entry.file_size; ++i) {
        sum = sum * 31 + data[i];
    }
    *sink = sum;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A run starts with zeroed buffers; clearing them keeps each input's
    // result its own.
    std::memset(VolumeDirectory, 0, sizeof VolumeDirectory);
    std::memset(VolumeImage, 0, sizeof VolumeImage);

    D88Reader reader;
    FUZZ_CHECK(reader.open(scratch.write(data, size)));
    uint32_t sink = 0;
    int32_t files = 0;
    for (int32_t d = 0; d < reader.disk_count(); ++d) {
        FUZZ_CHECK(select_volume(reader, d));
        const int32_t got = read_directory(reader, VolumeDirectory);
        FUZZ_CHECK(got >= 0 && got <= kDirectoryBytes);
        if (got != kDirectoryBytes) {
            break; // as in dirpull: a disk without a complete directory ends the run
        }
        load_volume(reader, VolumeImage);
        walk_directory(VolumeDirectory, [&](const DirEntry& entry) {
            FUZZ_CHECK(entry_kind(entry) == EntryKind::File);
            check_entry(entry, &sink);
            ++files;
        });
        FUZZ_CHECK(files <= (d + 1) * kDirectoryEntries);
    }
    d88fuzz::written_checksum = sink;
    return 0;
}
