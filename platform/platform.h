// The few host services the programs need beyond standard C streams: the
// identity of a file, and creating and entering directories. Every call
// answers with 0 or the system's error number, and prints nothing.
#ifndef D88_PLATFORM_H
#define D88_PLATFORM_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace platform {

// What tells one file from another whatever the path that names it: the same
// file reached through a symbolic or a hard link has the same identity.
struct FileIdentity {
    uint64_t device = 0;
    uint64_t inode = 0;
};

// 0 and the identity of the file at path, or the error number.
int file_identity(const char* path, FileIdentity* identity);

// Whether path names the file of the given identity; a path that names no
// file, or a null identity, answers no.
bool names_file(const char* path, const FileIdentity* identity);

// Creates directory name in the current directory; 0, or the error number
// (EEXIST when something of that name is already there).
int make_directory(const char* name);

// Remembers the current directory, so that return_to_start can come back to
// it whatever directory was entered since, without needing to read (list) it.
// Where the system offers no way to hold it, return_to_start goes to ".."
// instead.
void remember_start_directory();

// Makes name, relative to the current directory, the current directory.
int enter_directory(const char* name);

// Makes the remembered directory current again, or else "..".
int return_to_start();

// Writes size bytes of data to out in one write and closes out, whatever
// happens; out must be freshly opened, with nothing done on it yet. 0 when
// every byte was written and the close succeeded, otherwise the error number
// of the first failure (the write count, the stream's error indicator and the
// close are all checked).
int write_and_close(FILE* out, const uint8_t* data, size_t size);

} // namespace platform

#endif
