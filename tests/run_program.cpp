#include "run_program.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <iterator>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace d88test {

namespace {

std::string slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Applies options in the child; false when one cannot be applied.
bool apply_options(const RunOptions& options)
{
    if (options.file_size_limit >= 0) {
        const rlimit limit{static_cast<rlim_t>(options.file_size_limit),
                           static_cast<rlim_t>(options.file_size_limit)};
        if (std::signal(SIGXFSZ, SIG_IGN) == SIG_ERR || setrlimit(RLIMIT_FSIZE, &limit) != 0) {
            return false;
        }
    }
    if (options.gid >= 0 && (setgroups(0, nullptr) != 0 || setgid(static_cast<gid_t>(options.gid)) != 0)) {
        return false;
    }
    if (options.uid >= 0 && setuid(static_cast<uid_t>(options.uid)) != 0) {
        return false;
    }
    // An alarm stays set across exec and, not handled, ends the program.
    alarm(options.time_limit_seconds);
    return true;
}

} // namespace

std::string program_under_test(const char* variable, const char* built)
{
    const char* other = std::getenv(variable);
    return other != nullptr && *other != '\0' ? other : built;
}

RunResult run_program(const std::vector<std::string>& argv, const std::string& cwd, const RunOptions& options)
{
    ScratchDir capture;
    const std::string out_path = capture / "stdout";
    const std::string err_path = capture / "stderr";
    const int in = open("/dev/null", O_RDONLY | O_CLOEXEC);
    const int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    std::vector<char*> args;
    for (const std::string& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    // The child shares the test's memory until it execs (a copy of a large,
    // sanitized test process would cost more than the run itself), so it
    // only makes system calls on what is prepared here.
    const pid_t pid = in < 0 || out < 0 || err < 0 ? -1 : vfork();
    if (pid == 0) {
        if (dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0 || !apply_options(options) ||
            chdir(cwd.c_str()) != 0) {
            _exit(127);
        }
        execv(args[0], args.data());
        _exit(127);
    }
    for (const int fd : {in, out, err}) {
        if (fd >= 0) {
            close(fd);
        }
    }
    if (pid < 0) {
        throw std::runtime_error("cannot start " + argv.at(0));
    }
    int status = 0;
    waitpid(pid, &status, 0);
    RunResult result;
    result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    result.out = slurp(out_path);
    result.err = slurp(err_path);
    return result;
}

ScratchDir::ScratchDir()
{
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr ? tmp : "/tmp") + "/d88test.XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    dir = pattern;
}

ScratchDir::~ScratchDir()
{
    std::error_code ignored;
    // Folders a test made unwritable must become writable to be removed.
    for (auto it = std::filesystem::recursive_directory_iterator(dir, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
        if (it->is_directory(ignored) && !it->is_symlink(ignored)) {
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ignored);
        }
    }
    std::filesystem::remove_all(dir, ignored);
}

std::vector<std::string> list_dir(const std::string& path)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path)) {
        names.push_back(entry.path().filename().string() +
                        (entry.is_directory() && !entry.is_symlink() ? "/" : ""));
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace d88test
