// Runs a program as a user would, in a folder of its own, and captures what
// it prints and its exit code.
#ifndef TESTS_RUN_PROGRAM_H
#define TESTS_RUN_PROGRAM_H

#include <string>
#include <vector>

namespace d88test {

struct RunResult {
    int exit_code = -1; // -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// The path of a program under test: built, unless the environment variable
// names another program to run in its place (scripts/windows_check.sh names
// wrappers that run the Windows build under Wine).
std::string program_under_test(const char* variable, const char* built);

// Runs argv[0] with argv in folder cwd, standard input empty.
RunResult run_program(const std::vector<std::string>& argv, const std::string& cwd);

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
