#include "platform.h"

namespace platform {

bool names_file(const char* path, const FileIdentity* identity)
{
    FileIdentity other;
    return identity != nullptr && file_identity(path, &other) == 0 && other.device == identity->device &&
           other.inode == identity->inode;
}

} // namespace platform
