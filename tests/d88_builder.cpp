#include "d88_builder.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace d88test {

namespace {

constexpr int kHeaderSize = 688;
constexpr int kTrackTable = 0x20;

void put16(Bytes& out, size_t at, uint32_t value)
{
    out[at] = static_cast<uint8_t>(value);
    out[at + 1] = static_cast<uint8_t>(value >> 8);
}

void put32(Bytes& out, size_t at, uint32_t value)
{
    put16(out, at, value & 0xFFFF);
    put16(out, at + 2, value >> 16);
}

} // namespace

Sector sector(uint8_t c, uint8_t h, uint8_t r, uint8_t n, uint16_t count, size_t size, uint8_t fill)
{
    Sector s;
    s.c = c;
    s.h = h;
    s.r = r;
    s.n = n;
    s.count = count;
    s.data.assign(size, fill);
    return s;
}

Bytes build(const std::vector<Disk>& disks)
{
    Bytes out;
    for (const Disk& disk : disks) {
        const size_t base = out.size();
        out.resize(base + kHeaderSize, 0);
        for (size_t i = 0; i < disk.name.size() && i < 16; ++i) {
            out[base + i] = static_cast<uint8_t>(disk.name[i]);
        }
        out[base + 0x1B] = disk.media;
        for (const auto& [index, track] : disk.tracks) {
            put32(out, base + kTrackTable + 4 * index, static_cast<uint32_t>(out.size() - base));
            for (const Sector& s : track.sectors) {
                const size_t at = out.size();
                out.resize(at + 16, 0);
                out[at] = s.c;
                out[at + 1] = s.h;
                out[at + 2] = s.r;
                out[at + 3] = s.n;
                put16(out, at + 4, s.count);
                out[at + 6] = s.density;
                out[at + 7] = s.deleted;
                out[at + 8] = s.status;
                put16(out, at + 14, s.data_size.value_or(static_cast<uint16_t>(s.data.size())));
                out.insert(out.end(), s.data.begin(), s.data.end());
            }
        }
        for (const auto& [index, entry] : disk.table_overrides) {
            put32(out, base + kTrackTable + 4 * index, static_cast<uint32_t>(entry));
        }
        put32(out, base + 0x1C,
              static_cast<uint32_t>(disk.size.value_or(static_cast<int32_t>(out.size() - base))));
    }
    return out;
}

uint8_t default_pattern(int track, int r, int i)
{
    return static_cast<uint8_t>(track * 7 + r * 31 + i);
}

Track layout_track(int track, uint8_t (*pattern)(int, int, int))
{
    Track t;
    for (int r = TrackLayout::kFirstSector; r <= TrackLayout::kLastSector; ++r) {
        Sector s;
        s.c = static_cast<uint8_t>(TrackLayout::cylinder(track));
        s.h = static_cast<uint8_t>(TrackLayout::head(track));
        s.r = static_cast<uint8_t>(r);
        s.n = static_cast<uint8_t>(TrackLayout::size_code(r));
        s.count = TrackLayout::kSectors;
        s.data.resize(static_cast<size_t>(TrackLayout::sector_bytes(r)));
        for (size_t i = 0; i < s.data.size(); ++i) {
            s.data[i] = pattern(track, r, static_cast<int>(i));
        }
        t.sectors.push_back(s);
    }
    return t;
}

Disk layout_disk(const std::string& name, uint8_t (*pattern)(int, int, int))
{
    Disk d;
    d.name = name;
    for (int t = 0; t < kVolumeTracks; ++t) {
        d.tracks[t] = layout_track(t, pattern);
    }
    return d;
}

Disk layout_tracks(const std::string& name, std::initializer_list<int> tracks)
{
    Disk d;
    d.name = name;
    for (const int t : tracks) {
        d.tracks[t] = layout_track(t);
    }
    return d;
}

Volume::Volume() : bytes(kVolumeBytes, 0)
{
}

int Volume::add_file(const std::string& name, const std::string& ext, uint8_t attributes, int start_track,
                     int start_unit, uint16_t load_address, const Bytes& data)
{
    Bytes entry(16, ' ');
    std::copy_n(name.begin(), std::min<size_t>(name.size(), 6), entry.begin());
    std::copy_n(ext.begin(), std::min<size_t>(ext.size(), 3), entry.begin() + 6);
    entry[9] = attributes;
    entry[10] = static_cast<uint8_t>(start_track);
    entry[11] = static_cast<uint8_t>(start_unit);
    put16(entry, 12, load_address);
    put16(entry, 14, static_cast<uint32_t>(data.size()));
    const long at = static_cast<long>(start_track) * kTrackBytes + (start_unit - 1) * static_cast<long>(kUnitBytes);
    for (size_t i = 0; i < data.size(); ++i) {
        if (at + static_cast<long>(i) >= 0 && at + static_cast<long>(i) < kVolumeBytes) {
            bytes[static_cast<size_t>(at) + i] = data[i];
        }
    }
    const int index = next_entry++;
    set_entry(index, entry);
    return index;
}

void Volume::set_entry(int index, const Bytes& entry)
{
    std::copy(entry.begin(), entry.end(), bytes.begin() + kDirectoryOffset + 16 * index);
    next_entry = std::max(next_entry, index + 1);
}

void Volume::end_directory_at(int index)
{
    bytes[kDirectoryOffset + 16 * index] = 0xFF;
    next_entry = std::max(next_entry, index + 1);
}

Disk Volume::to_disk(const std::string& name, const std::vector<int>& tracks) const
{
    Disk d;
    d.name = name;
    for (int t = 0; t < kVolumeTracks; ++t) {
        if (!tracks.empty() && std::find(tracks.begin(), tracks.end(), t) == tracks.end()) {
            continue;
        }
        Track track = layout_track(t);
        for (Sector& sector : track.sectors) {
            const size_t from = static_cast<size_t>(t) * kTrackBytes + static_cast<size_t>(TrackLayout::sector_offset(sector.r));
            Bytes& data = sector.data;
            std::copy_n(bytes.begin() + static_cast<long>(from), data.size(), data.begin());
        }
        d.tracks[t] = track;
    }
    return d;
}

std::string hex_dump(const Bytes& bytes, size_t limit)
{
    std::string out;
    char line[96];
    for (size_t row = 0; row < bytes.size() && row < limit; row += 16) {
        int used = std::snprintf(line, sizeof line, "%08zx ", row);
        for (size_t i = row; i < row + 16; ++i) {
            used += i < bytes.size() ? std::snprintf(line + used, sizeof line - used, " %02x", bytes[i])
                                     : std::snprintf(line + used, sizeof line - used, "   ");
        }
        used += std::snprintf(line + used, sizeof line - used, "  |");
        for (size_t i = row; i < row + 16 && i < bytes.size(); ++i) {
            line[used++] = bytes[i] >= 0x20 && bytes[i] < 0x7F ? static_cast<char>(bytes[i]) : '.';
        }
        out.append(line, static_cast<size_t>(used));
        out += "|\n";
    }
    if (bytes.size() > limit) {
        out += "...\n";
    }
    return out;
}

std::string describe_difference(const Bytes& expected, const Bytes& actual)
{
    if (expected == actual) {
        return {};
    }
    const auto [e, a] = std::mismatch(expected.begin(), expected.end(), actual.begin(), actual.end());
    const size_t at = static_cast<size_t>(e - expected.begin());
    const size_t from = at & ~static_cast<size_t>(15);
    auto window = [from](const Bytes& b) {
        return Bytes(b.begin() + static_cast<long>(std::min(from, b.size())),
                     b.begin() + static_cast<long>(std::min(from + 64, b.size())));
    };
    (void)a;
    return "sizes " + std::to_string(expected.size()) + " (expected) and " + std::to_string(actual.size()) +
           " (actual), first difference at byte " + std::to_string(at) + "\nexpected from " +
           std::to_string(from) + ":\n" + hex_dump(window(expected)) + "actual from " + std::to_string(from) +
           ":\n" + hex_dump(window(actual));
}

std::string golden_difference(const std::string& path, const std::string& actual)
{
    const char* update = std::getenv("D88_UPDATE_GOLDEN");
    if (update != nullptr && std::string(update) == "1") {
        write_file(path, Bytes(actual.begin(), actual.end()));
        return {};
    }
    if (!std::ifstream(path).good()) {
        return "no golden file " + path + " (D88_UPDATE_GOLDEN=1 writes it)";
    }
    const Bytes golden = read_file(path);
    const std::string expected(golden.begin(), golden.end());
    if (expected == actual) {
        return {};
    }
    std::istringstream e(expected);
    std::istringstream a(actual);
    std::string expected_line;
    std::string actual_line;
    for (int line = 1;; ++line) {
        const bool more_expected = static_cast<bool>(std::getline(e, expected_line));
        const bool more_actual = static_cast<bool>(std::getline(a, actual_line));
        if (!more_expected || !more_actual || expected_line != actual_line) {
            return path + ", line " + std::to_string(line) + ":\nexpected: " +
                   (more_expected ? expected_line : "(end)") + "\nactual:   " +
                   (more_actual ? actual_line : "(end)");
        }
    }
}

Bytes read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path);
    }
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_file(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

} // namespace d88test
