// dirpull: writes out every file listed in the volume directory of every disk
// of a D88 container, by default into one numbered folder per disk.
//
//   dirpull d88file [-d] [-f]
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "d88_reader.h"
#include "platform.h"
#include "volume.h"

namespace {

// The program's one reader; its destruction at process exit closes the
// container.
D88Reader reader;

// Name of the current disk's folder: the disk index in three digits.
char subdirectory[16];

// Shift-JIS texts.
constexpr char kUsage[] = "Usage: dirpull.exe [d88file] [-d][-f]\n";
constexpr char kUsageNoFolders[] =
    "       -d  : \x83T\x83u\x83"
    "f\x83"
    "B\x83\x8c\x83N\x83g\x83\x8a\x82\xf0\x8d\xec\x90\xac\x82\xb5\x82\xc8\x82\xa2\n";
constexpr char kUsageRename[] =
    "       -f  : \x8f"
    "d\x95\xa1\x83t\x83@\x83"
    "C\x83\x8b\x96\xbc\x82\xc9 $ \x82\xf0\x95t\x89\xc1\x82\xb5\x82\xc4\x8fo\x97\xcd\n";
constexpr char kCannotOpen[] =
    "\x83t\x83@\x83"
    "C\x83\x8b\x82\xf0\x83I\x81[\x83v\x83\x93\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1\n";
constexpr char kWriteError[] = "** write error **\n";

// Labels by bit 0 of the attributes.
constexpr const char* kTypeLabels[2] = {"[BAS]", "[BIN]"};

constexpr size_t kLongestName = kNameBufferSize - 1; // a name may grow to 259 bytes

struct Options {
    bool use_subdirectories = true;
    bool rename_duplicates = false;
};

[[noreturn]] void print_usage(int exit_code)
{
    std::fputs(kUsage, stderr);
    std::fputs(kUsageNoFolders, stderr);
    std::fputs(kUsageRename, stderr);
    std::exit(exit_code);
}

// Complaints follow the listing line they belong to, also when both streams
// go to one file.
void complain_errno(const char* name, int error)
{
    std::fflush(stdout);
    std::fprintf(stderr, "dirpull: %s: %s\n", name, std::strerror(error));
}

bool file_exists(const char* name)
{
    FILE* probe = std::fopen(name, "rb");
    if (probe == nullptr) {
        return false;
    }
    std::fclose(probe);
    return true;
}

// Writes file_size bytes of data to out, the freshly created output file
// name, in one write and closes it. False, after "** write error **" and the
// system's reason, when the file was not written whole.
bool write_output(FILE* out, const char* name, const uint8_t* data, int32_t file_size)
{
    const int error = platform::write_and_close(out, data, static_cast<size_t>(file_size));
    if (error != 0) {
        std::fflush(stdout);
        std::fputs(kWriteError, stderr);
        complain_errno(name, error);
        return false;
    }
    return true;
}

void print_listing_line(const char* name, const DirEntry& entry)
{
    std::printf("%-10s : %s trk=%02d sec=%02d trkofs=%04X ", name, kTypeLabels[entry.attributes & 1],
                entry.start_track, entry_sector(entry), static_cast<unsigned>(track_offset(entry)));
    if ((entry.attributes & 1) != 0) {
        std::printf("adr=%04X", entry.load_address);
    } else {
        std::fputs("        ", stdout);
    }
    std::printf(" size=%04X\n", entry.file_size);
}

// Writes one file of the directory into the current folder. False when the
// file was not written whole.
bool extract_entry(const DirEntry& entry, const Options& options, const platform::FileIdentity* container)
{
    char name[kNameBufferSize];
    build_file_name(entry, name);
    if (!entry_data_inside(entry)) {
        std::fflush(stdout);
        std::fprintf(stderr,
                     "dirpull: %s: data lies outside the disk (track %d, unit %d, %d bytes); not written\n",
                     name, entry.start_track, entry.start_unit, entry.file_size);
        return false;
    }
    if (options.rename_duplicates) {
        size_t length = std::strlen(name);
        while (file_exists(name)) {
            if (length == kLongestName) {
                std::fflush(stdout);
                std::fprintf(stderr, "dirpull: %s: no free name of up to %zu bytes; not written\n", name,
                             kLongestName);
                return false;
            }
            name[length++] = '$';
            name[length] = '\0';
        }
    }
    if (platform::names_file(name, container)) {
        std::fflush(stdout);
        std::fprintf(stderr, "dirpull: %s: is the container being read; not overwritten\n", name);
        return false;
    }
    // The probe: creating the file (or cutting it to zero length) must succeed
    // before the entry is listed. The same stream then writes the data.
    FILE* out = std::fopen(name, "wb");
    if (out == nullptr) {
        complain_errno(name, errno);
        return false;
    }
    print_listing_line(name, entry);
    return write_output(out, name, VolumeImage + entry_data_offset(entry), entry.file_size);
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (argc < 2) {
        print_usage(1);
    }
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "-?") == 0 || std::strcmp(argv[i], "-h") == 0) {
            print_usage(1);
        }
        if (std::strcmp(argv[i], "-d") == 0) {
            options.use_subdirectories = false;
        } else if (std::strcmp(argv[i], "-f") == 0) {
            options.rename_duplicates = true;
        }
    }

    if (!reader.open(argv[1])) {
        std::fputs(kCannotOpen, stderr);
        return 1;
    }
    platform::FileIdentity identity;
    const platform::FileIdentity* container =
        platform::file_identity(argv[1], &identity) == 0 ? &identity : nullptr;
    if (options.use_subdirectories) {
        platform::remember_start_directory();
    }

    bool failed = false;
    for (int32_t d = 0; d < reader.disk_count(); ++d) {
        select_volume(reader, d);
        if (read_directory(reader, VolumeDirectory) != kDirectoryBytes) {
            break; // a disk without a complete directory ends the run
        }
        if (options.use_subdirectories) {
            std::snprintf(subdirectory, sizeof subdirectory, "%03d", d);
            const int made = platform::make_directory(subdirectory);
            const int entered = platform::enter_directory(subdirectory);
            if (entered != 0) {
                complain_errno(subdirectory, made != 0 && made != EEXIST ? made : entered);
                failed = true;
                continue; // the disk is skipped; the next one is tried
            }
            std::printf("\n[%s] -> %s\n", reader.disk_name(), subdirectory);
        } else {
            std::printf("\n[%s]\n", reader.disk_name());
        }
        load_volume(reader, VolumeImage);
        walk_directory(VolumeDirectory, [&](const DirEntry& entry) {
            failed = !extract_entry(entry, options, container) || failed;
        });
        if (options.use_subdirectories) {
            const int error = platform::return_to_start();
            if (error != 0) {
                complain_errno("..", error);
                return 1;
            }
        }
    }
    return failed ? 1 : 0;
}
