#include "platform.h"

#include <cerrno>
#include <direct.h>
#include <windows.h>

namespace platform {

namespace {

// The remembered directory, by its full path. Paths through the programs'
// narrow-character calls are at most MAX_PATH bytes; the buffer leaves room
// for longer ones all the same.
char start_directory[32768];
bool start_remembered = false;

// The error number of a failed Windows call, for the callers' messages.
int error_number(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        return EACCES;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return ENOMEM;
    default:
        return EIO;
    }
}

} // namespace

int file_identity(const char* path, FileIdentity* identity)
{
    // No access rights asked for: the handle only reads the file's attributes,
    // so it opens whatever other opens hold the file. Backup semantics let it
    // open a directory as well.
    HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return error_number(GetLastError());
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const BOOL known = GetFileInformationByHandle(file, &info);
    const DWORD error = GetLastError();
    CloseHandle(file);
    if (known == 0) {
        return error_number(error);
    }
    // The volume and the file's index on it tell files apart, hard links included.
    identity->device = info.dwVolumeSerialNumber;
    identity->inode = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return 0;
}

int make_directory(const char* name)
{
    return _mkdir(name) == 0 ? 0 : errno;
}

void remember_start_directory()
{
    if (!start_remembered) {
        start_remembered = _getcwd(start_directory, sizeof start_directory) != nullptr;
    }
}

int enter_directory(const char* name)
{
    if (_chdir(name) == 0) {
        return 0;
    }
    const int error = errno;
    // A plain file of that name: say so, as the reason Windows gives for it
    // (an invalid argument or a missing path) tells less.
    const DWORD attributes = GetFileAttributesA(name);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return ENOTDIR;
    }
    return error;
}

int return_to_start()
{
    return _chdir(start_remembered ? start_directory : "..") == 0 ? 0 : errno;
}

} // namespace platform
