// Read-only access to D88 disk image containers.
//
// A container holds the images of one or more floppy disks back to back. Each
// disk starts with a 688-byte header (name, media type, disk size and a table
// of 164 track positions); each track is a run of sector records, every record
// a 16-byte header followed by the sector's data.
//
// D88Reader indexes the disks of a container, loads one disk's header at a
// time and copies sectors, found by their C, H, R and N bytes, into buffers
// that the caller owns. It prints nothing, throws nothing and allocates no
// memory: every result is a truth value or a byte count.
//
// The container is read through a window of 64 KiB kept in the reader: every
// lookup still scans its track from the first sector header and takes each
// header's sector count afresh, but a track that fits in the window is read
// from the container only once, and a run of tracks is read in large pieces
// one after another, so the container is read about once in all.
#ifndef D88_D88_READER_H
#define D88_D88_READER_H

#include <cstdint>
#include <cstdio>

// Little-endian fields, assembled byte by byte so that the machine's byte order
// does not matter.
int32_t le16(const uint8_t* bytes); // 0 to 65535
int32_t le32(const uint8_t* bytes); // the four bytes as a signed 32-bit value

// One sector record of a track as the container stores it: every field of
// its 16-byte header, and where its data lie.
struct SectorRecord {
    uint8_t c = 0; // the sector's ID: cylinder, head, record number, size code
    uint8_t h = 0;
    uint8_t r = 0;
    uint8_t n = 0;
    uint8_t density = 0; // header byte 6: recording density
    uint8_t deleted = 0; // header byte 7: deleted-data mark
    uint8_t status = 0;  // header byte 8: the controller's status when the disk was read
    int32_t sector_count = 0;  // sectors of the track, as this header says
    int32_t data_size = 0;     // data bytes after the header
    int64_t data_position = 0; // where the data begin in the container
};

// What a scan of a track's records found.
struct RecordScan {
    int32_t records = 0;         // records written, in stored order
    bool container_ends = false; // the container ends inside a header or the data of the track
};

class D88Reader {
public:
    static constexpr int32_t kMaxDisks = 64;         // disks indexed at most
    static constexpr int32_t kTrackCount = 164;      // entries of a disk's track table
    static constexpr int32_t kDiskHeaderSize = 688;  // bytes of a disk header
    static constexpr int32_t kSectorHeaderSize = 16; // bytes of a sector header
    static constexpr int32_t kNameLength = 16;       // bytes of a disk's name field

    D88Reader() = default;
    ~D88Reader();
    D88Reader(const D88Reader&) = delete;
    D88Reader& operator=(const D88Reader&) = delete;

    // Opens the container at path and indexes its disks; a null path closes
    // the container. False when the file cannot be opened or read, a folder
    // for one (errno tells why).
    bool open(const char* path);

    int32_t disk_count() const { return indexed_disks; }

    // Loads the header of disk index (from 0). False when no container is open,
    // the index is out of range or the header cannot be read; every read then
    // returns 0 until a disk is selected.
    bool select_disk(int32_t index);

    // The sector window that read_sectors steps through.
    void set_sector_range(int32_t first, int32_t last);

    // Name of the selected disk: at most 16 raw bytes, NUL-terminated; changes
    // with the next select_disk.
    const char* disk_name() const { return name_buffer; }

    // Media-type byte of the selected disk (0 to 255), -1 with no disk selected.
    int32_t media_type() const { return media; }

    // Copies the first min(data size, length) bytes of the sector (c, h, r, n)
    // of track into buffer. Returns the number of bytes copied; 0 when the
    // sector is not found. When the container ends inside the sector's data,
    // the bytes that are there are copied and counted.
    int32_t read_sector(int32_t track, int32_t c, int32_t h, int32_t r, int32_t n, uint8_t* buffer,
                        int32_t length);

    // Reads consecutive sectors of size code n from (track, c, h, r) on, in
    // pieces of 128 << n bytes, stepping through the sector window, until
    // length bytes are read or a piece comes short. Returns the bytes of the
    // whole pieces read.
    int32_t read_sectors(int32_t track, int32_t c, int32_t h, int32_t r, int32_t n, uint8_t* buffer,
                         int32_t length);

    // Lists C, H, R and N of each sector of track in stored order, 4 bytes a
    // sector, whole entries only. Returns the number of bytes written.
    int32_t read_sector_ids(int32_t track, uint8_t* buffer, int32_t length);

    // Lists the sector records of track in stored order, at most capacity of
    // them, into records: the records that read_sector_ids lists, ending where
    // it ends. No records when the track cannot be read.
    RecordScan read_sector_records(int32_t track, SectorRecord* records, int32_t capacity);

    // Facts of the container as indexed and of the selected disk as stored,
    // for programs that show a container's structure; none of them reads.
    // Byte position of disk index's header, -1 for an index outside 0 to
    // disk_count() - 1.
    int32_t disk_offset(int32_t index) const
    {
        return index >= 0 && index < indexed_disks ? disk_offsets[index] : -1;
    }
    // Length of the open container in bytes, -1 when it cannot be told. The
    // only fact here that asks the system.
    int64_t container_size();
    // Disk-size field of the selected disk, 0 with no disk selected.
    int32_t disk_size_field() const { return disk_size; }
    // Track table entry of the selected disk as stored (0: no track), 0 with
    // no disk selected or a track index outside 0 to 163.
    int32_t track_entry(int32_t track) const
    {
        return disk_base >= 0 && track >= 0 && track < kTrackCount ? track_table[track] : 0;
    }

private:
    static constexpr int32_t kWindowSize = 65536; // more than the data of any sector (65535)
    static constexpr int32_t kFirstFill = 8192;   // read at a new place: a track of the fixed layout

    // Position of track's first sector header in the container, or -1 when the
    // track cannot be read.
    int64_t track_position(int32_t track) const;

    // How a walk over a track's records ended.
    enum class WalkEnd {
        NoTrack,       // the track cannot be read
        Stopped,       // visit asked to stop, or max_records were visited
        CountedOut,    // after the record whose sector count equals its place in the track
        ContainerEnds, // a header came short: the container ends
    };
    // Walks at most max_records of track's records in stored order, calling
    // visit(header, data_position, first) with each 16-byte header, where its
    // data begin and where the track's first header lies (the anchor of reads
    // in the track); visit returns false to stop.
    template <typename Visit> WalkEnd walk_records(int32_t track, int32_t max_records, Visit&& visit);

    // Copies the count bytes (at most kWindowSize) of the container at
    // position into out, as far as the container holds them, and returns how
    // many were copied. anchor (at most position) is the first header of the
    // track being scanned: it stays in the window while the track fits, so
    // that later lookups in the track are served from memory. With read_ahead
    // the window is filled beyond the bytes asked for, up to the end of the
    // selected disk.
    int32_t read_at(int64_t position, uint8_t* out, int32_t count, int64_t anchor, bool read_ahead);
    // Makes the window begin at start and hold the bytes up to end, and more
    // with read_ahead, keeping what it already holds from start on.
    void refill(int64_t start, int64_t end, bool read_ahead);

    FILE* stream = nullptr;
    int64_t stream_position = -1; // where the stream stands; -1 when not known
    int64_t known_size = -1;      // the container's length once asked for; -1 before
    int64_t window_start = 0;     // container position of window[0]
    int32_t window_length = 0;    // bytes held in window
    uint8_t window[kWindowSize];
    int32_t indexed_disks = 0;
    int32_t first_sector = 1;
    int32_t last_sector = 16;
    int32_t disk_offsets[kMaxDisks] = {};
    int32_t disk_size = 0;
    int32_t disk_base = 0;
    int32_t track_table[kTrackCount] = {};
    int32_t media = -1;
    char name_buffer[kNameLength + 1] = {};
};

#endif
