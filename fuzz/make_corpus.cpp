// Writes the seed corpus of the fuzz targets, built with the test builder:
//   make_fuzz_corpus FOLDER   writes FOLDER/reader, FOLDER/volume, FOLDER/cutter
// Every seed stays small: tracks that a seed does not need are absent (track
// table entry 0).
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "d88_builder.h"

using namespace d88test;

namespace {

std::filesystem::path root;

void put(const std::string& target, const std::string& name, const Bytes& bytes)
{
    const std::filesystem::path folder = root / target;
    std::filesystem::create_directories(folder);
    write_file((folder / name).string(), bytes);
}

void put_le(Bytes& out, uint32_t value, int width)
{
    for (int i = 0; i < width; ++i) {
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The worked example: one track of two 256-byte sectors.
Disk two_sector_disk(const std::string& name)
{
    Disk d;
    d.name = name;
    d.tracks[0].sectors = {sector(0, 0, 1, 1, 2, 256, 0xA1), sector(0, 0, 2, 1, 2, 256, 0xB2)};
    return d;
}

// ---- reader: settings, operations, container -------------------------------

struct Op {
    uint8_t kind; // 0 read_sector, 1 read_sectors, 2 read_sector_ids
    int8_t n;
    int16_t track, c, h, r;
    int32_t length;
};

Bytes reader_input(const Bytes& container, const std::vector<Op>& ops, int8_t first = 1, int8_t last = 6,
                   bool cut = false, uint32_t cut_to = 0)
{
    Bytes out;
    out.push_back(cut ? 1 : 0);
    out.push_back(static_cast<uint8_t>(first));
    out.push_back(static_cast<uint8_t>(last));
    out.push_back(static_cast<uint8_t>(ops.size()));
    put_le(out, cut_to, 4);
    for (const Op& op : ops) {
        out.push_back(op.kind);
        out.push_back(static_cast<uint8_t>(op.n));
        for (const int16_t v : {op.track, op.c, op.h, op.r}) {
            put_le(out, static_cast<uint16_t>(v), 2);
        }
        put_le(out, static_cast<uint32_t>(op.length), 4);
    }
    return out + container;
}

void reader_seeds()
{
    const std::vector<Op> small_ops = {
        {0, 1, 0, 0, 0, 2, 300}, {1, 1, 0, 0, 0, 1, 512}, {2, 0, 0, 0, 0, 0, 64}, {0, 1, 1, 0, 0, 1, 256}};
    const std::vector<Op> layout_ops = {{1, 3, 0, 0, 0, 1, 5120},
                                        {1, 2, 0, 0, 0, 6, 1024},
                                        {0, 2, 1, 0, 1, 6, 512},
                                        {2, 0, 1, 0, 0, 0, 24},
                                        {1, 3, 0, 0, 0, 1, 12000}};

    put("reader", "worked-example", reader_input(build({two_sector_disk("EXAMPLE")}), small_ops));
    put("reader", "layout-tracks-0-1", reader_input(build({layout_tracks("LAYOUT", {0, 1})}), layout_ops));
    put("reader", "three-disks",
        reader_input(build({two_sector_disk("A"), two_sector_disk("B"), layout_tracks("C", {0})}),
                     small_ops));
    put("reader", "window-1-1", reader_input(build({layout_tracks("W", {0, 1, 2})}), layout_ops, 1, 1));
    put("reader", "cut-after-open",
        reader_input(build({two_sector_disk("A"), two_sector_disk("B")}), small_ops, 1, 6, true, 900));
    // Disks larger than a stream buffer, so that a cut reaches what select_disk
    // and the reads load afresh: the second disk's header is cut in half.
    put("reader", "cut-after-open-large",
        reader_input(build({layout_tracks("A", {0}), layout_tracks("B", {1}), layout_tracks("C", {2})}),
                     layout_ops, 1, 6, true, 6416 + 344));

    // Damaged headers and records.
    auto damaged = [&](const std::string& name, const std::function<Bytes()>& make) {
        put("reader", name, reader_input(make(), small_ops));
    };
    damaged("empty", [] { return Bytes{}; });
    damaged("687-bytes", [] { return Bytes(687, 0); });
    auto sized = [](std::optional<int32_t> size) {
        Disk d = two_sector_disk("S");
        d.size = size;
        return build({d, two_sector_disk("T")});
    };
    damaged("disk-size-0", [&] { return sized(0); });
    damaged("disk-size-negative", [&] { return sized(-688); });
    damaged("disk-size-past-end", [&] { return sized(1 << 20); });
    auto entry = [](int32_t value) {
        Disk d = two_sector_disk("E");
        d.table_overrides[0] = value;
        return build({d});
    };
    damaged("track-entry-negative", [&] { return entry(-16); });
    damaged("track-entry-inside-header", [&] { return entry(0x20); });
    damaged("track-entry-past-end", [&] { return entry(0x10000); });
    damaged("track-entry-disk-size", [&] { return entry(0x4D0); });
    auto records = [](uint16_t count, std::optional<uint16_t> data_size) {
        Disk d = two_sector_disk("R");
        d.tracks[0].sectors[0].count = count;
        d.tracks[0].sectors[0].data_size = data_size;
        return build({d});
    };
    damaged("sector-count-0", [&] { return records(0, {}); });
    damaged("sector-count-65535", [&] { return records(65535, {}); });
    damaged("data-size-past-end", [&] { return records(2, 65535); });
    damaged("ends-inside-sector-header", [] {
        Bytes b = build({two_sector_disk("H")});
        b.resize(0x3C0 + 10);
        return b;
    });
    damaged("junk-after-last-disk", [] {
        Bytes b = build({two_sector_disk("J"), two_sector_disk("K")});
        b.resize(b.size() + 100, 0x77);
        return b;
    });
    damaged("65-disks", [] {
        Disk d;
        d.name = "X";
        return build(std::vector<Disk>(65, d));
    });
}

// ---- volume: the container alone -------------------------------------------

// A volume disk that stores track 37 (the directory) and the given tracks.
Disk volume_disk(const Volume& v, const std::string& name, std::initializer_list<int> keep)
{
    std::vector<int> tracks = {37};
    tracks.insert(tracks.end(), keep.begin(), keep.end());
    return v.to_disk(name, tracks);
}

Volume sample_volume()
{
    Volume v;
    v.add_file("BASIC", "BAS", 0, 1, 1, 0, Bytes(700, 0x42));
    v.add_file("PROG", "BIN", 1, 2, 3, 0xC000, Bytes(1500, 0x17));
    v.add_file("NOEXT", "   ", 0, 1, 4, 0, Bytes(30, 0x33));
    v.set_entry(3, Bytes(16, 0x20)); // an empty entry
    v.add_file(std::string("A?\0/:B", 6), "x*|", 0, 1, 5, 0, Bytes(10, 0x44));
    v.add_file("LAST", "D", 1, 83, 11, 0x100, Bytes(600, 0x55)); // data past the volume's end
    v.add_file("FAR", "D", 1, 90, 1, 0, Bytes{});                // track outside the volume
    v.add_file("UNIT0", "D", 0, 0, 0, 0, Bytes{});               // unit 0 begins before the track
    v.end_directory_at(8);
    v.add_file("AFTER", "END", 0, 1, 1, 0, Bytes(5, 0x66)); // behind the end mark
    return v;
}

void volume_seeds()
{
    Volume v = sample_volume();
    put("volume", "one-volume", build({volume_disk(v, "VOL1", {1, 2})}));
    Volume w;
    w.add_file("ONLY", "TXT", 0, 3, 2, 0, Bytes(100, 0x61));
    put("volume", "two-volumes", build({volume_disk(v, "VOL1", {1}), volume_disk(w, "VOL2", {3})}));
    Volume empty;
    put("volume", "empty-directory", build({volume_disk(empty, "EMPTY", {})}));
    Disk short_dir = volume_disk(v, "SHORT", {1});
    short_dir.tracks[37].sectors.pop_back(); // sector 6 of the directory missing
    put("volume", "directory-incomplete", build({short_dir, volume_disk(w, "NEXT", {3})}));
    Disk stale = volume_disk(v, "STALE", {});
    put("volume", "files-on-absent-tracks", build({volume_disk(w, "FIRST", {3}), stale}));
    Volume full;
    for (int i = 0; i < 224; ++i) {
        full.add_file("F" + std::to_string(i), "", 0, 1 + i % 3, 1 + i % 11, 0,
                      Bytes(8, static_cast<uint8_t>(i)));
    }
    put("volume", "full-directory", build({volume_disk(full, "FULL", {1, 2, 3})}));
}

// ---- cutter: arguments, NUL, container ---------------------------------------

Bytes cutter_input(const std::string& arguments, const Bytes& container)
{
    Bytes out(arguments.begin(), arguments.end());
    out.push_back(0);
    return out + container;
}

void cutter_seeds()
{
    const Bytes two_tracks = build({layout_tracks("CUT", {0, 1})});
    put("cutter", "one-sector", cutter_input("0\n0\n1\n", two_tracks));
    put("cutter", "sector-6-default", cutter_input("0\n1\n6\n", two_tracks));
    put("cutter", "across-tracks", cutter_input("0\n0\n5\n3000\n", two_tracks));
    put("cutter", "size-and-offset", cutter_input("0\n0\n1\n100\n1500\n", two_tracks));
    put("cutter", "hexadecimal", cutter_input("0x0\n0x1\n0x6\n0x200\n0x0\n", two_tracks));
    put("cutter", "negative-offset", cutter_input("0\n0\n1\n2000\n-5\n", two_tracks));
    put("cutter", "negative-disk", cutter_input("-1\n0\n1\n", two_tracks));
    put("cutter", "sector-7", cutter_input("0\n0\n7\n", two_tracks));
    put("cutter", "sector-0", cutter_input("0\n0\n0\n", two_tracks));
    put("cutter", "no-such-disk", cutter_input("1\n0\n1\n", two_tracks));
    put("cutter", "tracks-83-84", cutter_input("0\n83\n1\n11264\n", build({layout_tracks("END", {83, 84})})));
    put("cutter", "huge-size", cutter_input("0\n0\n1\n2147483647\n2147483647\n", two_tracks));
    put("cutter", "numbers-odd", cutter_input(" +12abc\n0X10\n 0x6\n4294967296\n0xFFFFFFFF\n", two_tracks));
    put("cutter", "too-few-arguments", cutter_input("0\n0\n", two_tracks));
    put("cutter", "second-disk",
        cutter_input("1\n0\n2\n1024\n", build({two_sector_disk("A"), layout_tracks("B", {0})})));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 1;
    }
    root = argv[1];
    reader_seeds();
    volume_seeds();
    cutter_seeds();
    return 0;
}
