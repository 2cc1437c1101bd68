// Runs a program as a user would, in a folder of its own, and captures what
// it prints and its exit code.
#ifndef TESTS_RUN_PROGRAM_H
#define TESTS_RUN_PROGRAM_H

#include <string>
#include <vector>

namespace d88test {

struct RunResult {
    int exit_code = -1; // -1 when the program did not exit normally
    int signal = 0;     // the signal that ended the program, 0 when it exited
    std::string out;
    std::string err;
};

// The path of a program under test: built, unless the environment variable
// names another program to run in its place (scripts/windows_check.sh names
// wrappers that run the Windows build under Wine).
std::string program_under_test(const char* variable, const char* built);

// What the child gets besides its arguments, set between fork and exec.
struct RunOptions {
    // Wall-clock seconds after which the program is killed with SIGALRM; 0
    // for no limit.
    unsigned time_limit_seconds = 0;
    // Largest file the program may write, in bytes (RLIMIT_FSIZE); -1 for no
    // limit. SIGXFSZ is ignored, so a write past the limit fails with EFBIG.
    long long file_size_limit = -1;
    // Runs the program as this user and group, without supplementary groups;
    // -1 keeps the test's own.
    int uid = -1;
    int gid = -1;
};

// Runs argv[0] with argv in folder cwd, standard input empty.
RunResult run_program(const std::vector<std::string>& argv, const std::string& cwd,
                      const RunOptions& options = {});

// A fresh folder below the system's temporary folder, removed with all it
// holds when the object goes.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& path() const { return dir; }
    std::string operator/(const std::string& name) const { return dir + "/" + name; }

private:
    std::string dir;
};

// The names in a folder, sorted; folders get a trailing '/'.
std::vector<std::string> list_dir(const std::string& path);

} // namespace d88test

#endif
