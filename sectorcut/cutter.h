// The sector cutter: number parsing and the gathering of a run of sectors.
#ifndef SECTORCUT_CUTTER_H
#define SECTORCUT_CUTTER_H

#include <cstdint>

#include "d88_reader.h"
#include "track_layout.h"

// Reads a number the way the command line gives it: "0x" followed by
// hexadecimal digits, otherwise a decimal number with an optional sign after
// any blanks. Text without a number gives 0; digits after the number are
// ignored ("12abc" gives 12). A number is taken modulo 2^32 as a 32-bit
// two's-complement pattern: 0xFFFFFFFF gives -1, 4294967296 gives 0.
int32_t parse_number(const char* text);

// The longest run a cut can gather: sector 0, which the layout lacks but a
// run may start at, and the rest of the first track, then every track that a
// run moves on to, up to the one after the last track of the layout.
constexpr int32_t kCutBufferSize = TrackLayout::sector_bytes(0) + TrackLayout::kTrackBytes +
                                   (TrackLayout::kTracks) * TrackLayout::kTrackBytes;

// The gathering store; one cut per run, so bytes of a slot that the reader did
// not fill keep the value zero.
extern uint8_t CutBuffer[kCutBufferSize];

// The bytes of CutBuffer that a cut writes.
struct CutRange {
    int32_t start;
    int32_t length;
};

// Gathers sectors into CutBuffer from (track, sector) on, in the order of the
// track layout (sector after sector up to sector 6, then sector 1 of the next
// track), until size + offset bytes are counted or a sector is missing. A
// negative offset counts as 0. Call only with sector 6 or below.
CutRange gather_sectors(D88Reader& reader, int32_t track, int32_t sector, int32_t size, int32_t offset);

#endif
