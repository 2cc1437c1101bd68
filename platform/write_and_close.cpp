#include "platform.h"

#include <cerrno>

namespace platform {

int write_and_close(FILE* out, const uint8_t* data, size_t size)
{
    // Unbuffered, the data goes to the file in one system call, straight from
    // the caller's bytes.
    std::setvbuf(out, nullptr, _IONBF, 0);
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
