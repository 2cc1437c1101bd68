// The least work that gives the same tree as extracting a benchmark container:
// read the file list and the bytes once, create each folder, and write each
// file with one open, one write and one close.
//
//   baseline LIST BLOB      (writes into the current folder)
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::vector<char> slurp(const char* path)
{
    std::vector<char> bytes;
    FILE* in = std::fopen(path, "rb");
    if (in == nullptr) {
        std::perror(path);
        std::exit(1);
    }
    std::fseek(in, 0, SEEK_END);
    bytes.resize(static_cast<size_t>(std::ftell(in)));
    std::fseek(in, 0, SEEK_SET);
    if (std::fread(bytes.data(), 1, bytes.size(), in) != bytes.size()) {
        std::perror(path);
        std::exit(1);
    }
    std::fclose(in);
    return bytes;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: baseline LIST BLOB\n");
        return 1;
    }
    std::vector<char> list = slurp(argv[1]);
    const std::vector<char> blob = slurp(argv[2]);
    list.push_back('\0');
    size_t data = 0;
    std::string folder;
    for (char* line = list.data(); *line != '\0';) {
        char* end = std::strchr(line, '\n');
        *end = '\0';
        char* space = std::strrchr(line, ' ');
        *space = '\0';
        const size_t size = std::strtoul(space + 1, nullptr, 10);
        const char* slash = std::strchr(line, '/');
        const std::string this_folder(line, static_cast<size_t>(slash - line));
        if (this_folder != folder) {
            folder = this_folder;
            if (mkdir(folder.c_str(), 0777) != 0) {
                std::perror(folder.c_str());
                return 1;
            }
        }
        const int fd = open(line, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd < 0 || write(fd, blob.data() + data, size) != static_cast<ssize_t>(size) || close(fd) != 0) {
            std::perror(line);
            return 1;
        }
        data += size;
        line = end + 1;
    }
    return 0;
}
