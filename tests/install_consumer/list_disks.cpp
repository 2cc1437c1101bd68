// Lists the disks of a container through the installed reader: per disk its
// name, media type and the number of sectors on track 0.
//
//   list_disks CONTAINER
#include <cstdio>

#include "d88_reader.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: list_disks CONTAINER\n", stderr);
        return 2;
    }
    static D88Reader reader;
    if (!reader.open(argv[1])) {
        std::perror(argv[1]);
        return 1;
    }
    std::printf("%d disks\n", reader.disk_count());
    for (int32_t d = 0; d < reader.disk_count(); ++d) {
        reader.select_disk(d);
        uint8_t ids[4 * 64];
        const int32_t sectors = reader.read_sector_ids(0, ids, sizeof ids) / 4;
        std::printf("%d [%s] media %02X, track 0: %d sectors\n", d, reader.disk_name(), reader.media_type(),
                    sectors);
    }
    return 0;
}
