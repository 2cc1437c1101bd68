#include "platform.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {
int start_directory = -1; // descriptor of the remembered directory
} // namespace

int file_identity(const char* path, FileIdentity* identity)
{
    struct stat info {};
    if (stat(path, &info) != 0) {
        return errno;
    }
    identity->device = static_cast<uint64_t>(info.st_dev);
    identity->inode = static_cast<uint64_t>(info.st_ino);
    return 0;
}

int make_directory(const char* name)
{
    return mkdir(name, 0777) == 0 ? 0 : errno;
}

void remember_start_directory()
{
    if (start_directory >= 0) {
        return;
    }
#ifdef O_PATH
    // A descriptor that only names the directory: it needs search permission
    // on the path, not permission to read the directory.
    start_directory = open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
#endif
    if (start_directory < 0) {
        start_directory = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    }
}

int enter_directory(const char* name)
{
    return chdir(name) == 0 ? 0 : errno;
}

int return_to_start()
{
    const int done = start_directory >= 0 ? fchdir(start_directory) : chdir("..");
    return done == 0 ? 0 : errno;
}

} // namespace platform
