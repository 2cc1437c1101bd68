#include "platform.h"

#include <cerrno>

namespace platform {

int write_and_close(FILE* out, const uint8_t* data, size_t size)
{
    errno = 0;
    int error = 0;
    if (std::fwrite(data, 1, size, out) != size || std::ferror(out) != 0) {
        error = errno != 0 ? errno : EIO;
    }
    if (std::fclose(out) != 0 && error == 0) {
        error = errno != 0 ? errno : EIO;
    }
    return error;
}

} // namespace platform
