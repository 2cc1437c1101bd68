// d88info: shows what a D88 container holds: one line per disk, and with -t
// the sector IDs of every present track, as text or as one JSON document.
//
//   d88info CONTAINER [-t] [-j]
#include <cerrno>
#include <cinttypes>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "d88_reader.h"
#include "survey.h"

namespace {

// The program's one reader; its destruction at process exit closes the
// container.
D88Reader reader;

// The facts of one disk at a time: too large for the stack.
DiskFacts Survey;

constexpr char kUsage[] = "Usage: d88info CONTAINER [-t] [-j]\n"
                          "       -t  : list the sector IDs of every present track\n"
                          "       -j  : write one JSON document instead of text\n";

struct Options {
    const char* path = nullptr;
    bool tracks = false;
    bool json = false;
};

// Words and JSON names of the marks, in bit order.
constexpr const char* kTrackMarkWords[kTrackMarkKinds] = {"a sector missing", "another size code",
                                                          "another data size", "a sector count other than 6",
                                                          "the container ends inside the track"};
constexpr const char* kTrackMarkNames[kTrackMarkKinds] = {"missing", "size_code", "data_size", "count",
                                                          "ends"};
constexpr char kTrackMarkLetters[kTrackMarkKinds + 1] = "MNSCE";
constexpr const char* kDiskMarkNames[kDiskMarkKinds] = {
    "header_unreadable", "size_zero",      "size_negative",  "size_below_header",
    "size_past_end",     "entry_negative", "entry_past_disk"};

void report(const char* path, int error)
{
    std::fprintf(stderr, "d88info: %s: %s\n", path, std::strerror(error));
}

// Reads the command line; false when the usage text is to be shown (after a
// complaint for an unknown option or a second container).
bool parse_options(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (arg[0] != '-' || arg[1] == '\0') {
            if (options.path != nullptr) {
                std::fprintf(stderr, "d88info: %s: only one container is read\n", arg);
                return false;
            }
            options.path = arg;
            continue;
        }
        for (const char* letter = arg + 1; *letter != '\0'; ++letter) {
            if (*letter == 't') {
                options.tracks = true;
            } else if (*letter == 'j') {
                options.json = true;
            } else {
                if (*letter != 'h' && *letter != '?') {
                    std::fprintf(stderr, "d88info: %s: unknown option\n", arg);
                }
                return false;
            }
        }
    }
    return options.path != nullptr;
}

int32_t first_track_in(const DiskFacts& disk, EntryState state, int32_t* count)
{
    int32_t first = -1;
    *count = 0;
    for (int32_t t = 0; t < D88Reader::kTrackCount; ++t) {
        if (disk.tracks[t].state == state) {
            first = first < 0 ? t : first;
            ++*count;
        }
    }
    return first;
}

// ---- text ----

void print_legend()
{
    std::printf("MARKS:");
    for (int32_t k = 0; k < kTrackMarkKinds; ++k) {
        std::printf("%s %c %s", k == 0 ? "" : ",", kTrackMarkLetters[k], kTrackMarkWords[k]);
    }
    std::printf("\n");
}

void print_mark_words(uint32_t marks)
{
    const char* separator = "";
    for (int32_t k = 0; k < kTrackMarkKinds; ++k) {
        if ((marks & (1U << k)) != 0) {
            std::printf("%s%s", separator, kTrackMarkWords[k]);
            separator = ", ";
        }
    }
}

void print_disk_notes(const DiskFacts& disk, int64_t length)
{
    if ((disk.marks & kMarkUnreadable) != 0) {
        std::printf("     ! the disk header cannot be read\n");
        return;
    }
    if ((disk.marks & kMarkSizeZero) != 0) {
        std::printf("     ! disk size 0: the next disk is read at the same offset\n");
    }
    if ((disk.marks & kMarkSizeNegative) != 0) {
        std::printf("     ! disk size negative: no disk is read after this one\n");
    }
    if ((disk.marks & kMarkSizeBelowHeader) != 0) {
        std::printf("     ! disk size below the %d-byte header: the next header overlaps this one\n",
                    D88Reader::kDiskHeaderSize);
    }
    if ((disk.marks & kMarkSizePastEnd) != 0) {
        std::printf("     ! the disk runs %" PRId64 " bytes past the end of the container\n",
                    static_cast<int64_t>(disk.offset) + disk.size - length);
    }
    int32_t count = 0;
    int32_t first = first_track_in(disk, EntryState::Negative, &count);
    if (count > 0) {
        std::printf("     ! %d track table entries negative (first: track %d): taken as absent\n", count,
                    first);
    }
    first = first_track_in(disk, EntryState::PastDisk, &count);
    if (count > 0) {
        std::printf("     ! %d track table entries past the disk (first: track %d): taken as absent\n", count,
                    first);
    }
    if (disk.tracks_present == 0) {
        std::printf("     ! no track present\n");
    } else if (disk.departing_tracks > 0) {
        std::printf("     ! %d of %d present tracks depart from the fixed layout; first: track %d (",
                    disk.departing_tracks, disk.tracks_present, disk.first_departing_track);
        print_mark_words(disk.tracks[disk.first_departing_track].marks);
        std::printf(")\n");
    }
    if (!disk.directory_complete()) {
        const TrackFacts& track = disk.tracks[kDirectoryTrack];
        std::printf("     ! no complete directory on track %d: %d of %d bytes read", kDirectoryTrack,
                    disk.directory_bytes, kDirectoryBytes);
        if (track.state != EntryState::Present) {
            std::printf(", the track is absent");
        } else if (track.marks != 0) {
            std::printf(" (");
            print_mark_words(track.marks);
            std::printf(")");
        }
        std::printf("\n");
    }
}

void print_track_lines(const DiskFacts& disk)
{
    std::printf("     %5s %10s %7s %-5s %s\n", "TRACK", "ENTRY", "RECORDS", "MARKS",
                "SECTORS (C H R N, hex)");
    for (int32_t t = 0; t < D88Reader::kTrackCount; ++t) {
        const TrackFacts& track = disk.tracks[t];
        switch (track.state) {
        case EntryState::Absent:
            continue;
        case EntryState::Negative:
            std::printf("     %5d %10d %7s entry negative: taken as absent\n", t, track.entry, "-");
            continue;
        case EntryState::PastDisk:
            std::printf("     %5d %10d %7s entry past the disk: taken as absent\n", t, track.entry, "-");
            continue;
        case EntryState::Present:
            break;
        }
        char letters[kTrackMarkKinds + 1];
        for (int32_t k = 0; k < kTrackMarkKinds; ++k) {
            letters[k] = (track.marks & (1U << k)) != 0 ? kTrackMarkLetters[k] : '-';
        }
        letters[kTrackMarkKinds] = '\0';
        std::printf("     %5d %10d %7d %-5s", t, track.entry, track.records, letters);
        for (int32_t i = 0; i < track.records; ++i) {
            const SectorRecord& record = track.record[i];
            std::printf("%s%02X %02X %02X %02X", i == 0 ? " " : "  ", record.c, record.h, record.r, record.n);
        }
        std::printf("\n");
    }
}

void print_disk_text(const DiskFacts& disk, int64_t length, bool tracks)
{
    std::printf("%4d %10d %11d ", disk.index, disk.offset, disk.size);
    if (disk.media >= 0) {
        std::printf("0x%02X %-7s", static_cast<unsigned>(disk.media), media_meaning(disk.media));
    } else {
        std::printf("%-12s", "-");
    }
    std::printf(" %6d %-6s %-9s [%s]\n", disk.tracks_present, disk.fixed_layout() ? "yes" : "no",
                disk.directory_complete() ? "yes" : "no", disk.name);
    print_disk_notes(disk, length);
    if (tracks && disk.readable) {
        print_track_lines(disk);
    }
}

void print_container_text(const ContainerFacts& container)
{
    std::printf("%d %s in %" PRId64 " bytes", container.disks, container.disks == 1 ? "disk" : "disks",
                container.length);
    if (container.disks == 0) {
        std::printf(", fewer than a %d-byte disk header", D88Reader::kDiskHeaderSize);
    }
    if (container.after_last >= 0) {
        std::printf(", %" PRId64 " bytes after the last disk", container.after_last);
    }
    if (container.unreachable >= 0) {
        std::printf(", a disk after the %dth at offset %" PRId64 " cannot be reached", D88Reader::kMaxDisks,
                    container.unreachable);
    }
    std::printf("\n");
}

// ---- JSON ----

// A JSON string of raw bytes: printable ASCII as it is, '"' and '\' escaped,
// every other byte as \u00XX.
void print_json_string(const char* text)
{
    std::putchar('"');
    for (const char* p = text; *p != '\0'; ++p) {
        const auto byte = static_cast<unsigned char>(*p);
        if (byte == '"' || byte == '\\') {
            std::putchar('\\');
            std::putchar(byte);
        } else if (byte >= 0x20 && byte < 0x7F) {
            std::putchar(byte);
        } else {
            std::printf("\\u%04X", byte);
        }
    }
    std::putchar('"');
}

void print_json_marks(uint32_t marks, const char* const* names, int32_t kinds)
{
    std::putchar('[');
    const char* separator = "";
    for (int32_t k = 0; k < kinds; ++k) {
        if ((marks & (1U << k)) != 0) {
            std::printf("%s\"%s\"", separator, names[k]);
            separator = ", ";
        }
    }
    std::putchar(']');
}

void print_json_number_or_null(int64_t value)
{
    if (value >= 0) {
        std::printf("%" PRId64, value);
    } else {
        std::printf("null");
    }
}

void print_json_tracks(const DiskFacts& disk)
{
    std::printf(",\n      \"tracks\": [");
    bool any = false;
    for (int32_t t = 0; t < D88Reader::kTrackCount; ++t) {
        const TrackFacts& track = disk.tracks[t];
        if (track.state == EntryState::Absent) {
            continue;
        }
        const char* state = track.state == EntryState::Present    ? "present"
                            : track.state == EntryState::Negative ? "entry_negative"
                                                                  : "entry_past_disk";
        std::printf("%s\n        {\"track\": %d, \"entry\": %d, \"state\": \"%s\", \"marks\": ",
                    any ? "," : "", t, track.entry, state);
        any = true;
        print_json_marks(track.marks, kTrackMarkNames, kTrackMarkKinds);
        std::printf(", \"records\": [");
        for (int32_t i = 0; i < track.records; ++i) {
            const SectorRecord& record = track.record[i];
            std::printf("%s\n          {\"c\": %d, \"h\": %d, \"r\": %d, \"n\": %d, \"count\": %d, "
                        "\"data_size\": %d}",
                        i == 0 ? "" : ",", record.c, record.h, record.r, record.n, record.sector_count,
                        record.data_size);
        }
        std::printf("%s]}", track.records == 0 ? "" : "\n        ");
    }
    std::printf("%s]", any ? "\n      " : "");
}

void print_disk_json(const DiskFacts& disk, bool first, bool tracks)
{
    std::printf("%s\n    {\n", first ? "" : ",");
    std::printf("      \"index\": %d,\n      \"offset\": %d,\n      \"readable\": %s,\n      \"name\": ",
                disk.index, disk.offset, disk.readable ? "true" : "false");
    print_json_string(disk.name);
    std::printf(",\n      \"media_type\": ");
    print_json_number_or_null(disk.media);
    std::printf(",\n      \"media\": ");
    if (disk.media >= 0) {
        std::printf("\"%s\"", media_meaning(disk.media));
    } else {
        std::printf("null");
    }
    std::printf(",\n      \"size\": %d,\n      \"marks\": ", disk.size);
    print_json_marks(disk.marks, kDiskMarkNames, kDiskMarkKinds);
    std::printf(",\n      \"tracks_present\": %d,\n      \"departing_tracks\": %d,\n"
                "      \"first_departing_track\": ",
                disk.tracks_present, disk.departing_tracks);
    print_json_number_or_null(disk.first_departing_track);
    std::printf(",\n      \"fixed_layout\": %s,\n      \"directory_bytes\": %d,\n"
                "      \"directory_complete\": %s",
                disk.fixed_layout() ? "true" : "false", disk.directory_bytes,
                disk.directory_complete() ? "true" : "false");
    if (tracks) {
        print_json_tracks(disk);
    }
    std::printf("\n    }");
}

void print_container_json_head(const ContainerFacts& container)
{
    std::printf("{\n  \"bytes\": %" PRId64 ",\n  \"disk_count\": %d,\n  \"bytes_after_last_disk\": ",
                container.length, container.disks);
    print_json_number_or_null(container.after_last);
    std::printf(",\n  \"unreachable_disk_offset\": ");
    print_json_number_or_null(container.unreachable);
    std::printf(",\n  \"disks\": [");
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!parse_options(argc, argv, options)) {
        std::fputs(kUsage, stderr);
        return 1;
    }
    if (!reader.open(options.path)) {
        report(options.path, errno);
        return 1;
    }
    const int64_t length = reader.container_size();
    if (length < 0) {
        report(options.path, errno != 0 ? errno : EIO);
        return 1;
    }

    const ContainerFacts container = survey_container(reader, length);
    if (options.json) {
        print_container_json_head(container);
    } else {
        if (options.tracks) {
            print_legend();
        }
        std::printf("%4s %10s %11s %-12s %6s %-6s %-9s %s\n", "DISK", "OFFSET", "SIZE", "MEDIA", "TRACKS",
                    "LAYOUT", "DIRECTORY", "NAME");
    }
    for (int32_t d = 0; d < container.disks; ++d) {
        survey_disk(reader, length, d, Survey);
        if (options.json) {
            print_disk_json(Survey, d == 0, options.tracks);
        } else {
            print_disk_text(Survey, length, options.tracks);
        }
    }
    if (options.json) {
        std::printf("%s]\n}\n", container.disks == 0 ? "" : "\n  ");
    } else {
        print_container_text(container);
    }

    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
        std::fprintf(stderr, "d88info: standard output: %s\n", std::strerror(errno != 0 ? errno : EIO));
        return 1;
    }
    return 0;
}
