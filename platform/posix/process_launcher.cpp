#include "platform/posix/process_launcher.h"

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <system_error>
#include <thread>

#include "platform/posix/command_line.h"
#include "platform/utf.h"

extern "C" {
extern char** environ;
}

namespace tessaly::platform::posix {
namespace {

class SpawnAttributes {
  public:
    SpawnAttributes() : ok_(posix_spawnattr_init(&attr_) == 0) {}
    ~SpawnAttributes() {
        if (ok_) {
            posix_spawnattr_destroy(&attr_);
        }
    }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;

    // The child starts with no blocked signals and default dispositions, whatever the host
    // has blocked or ignored on the calling thread (an ignored SIGPIPE would otherwise carry
    // over through exec).
    bool ResetSignals() {
        sigset_t none;
        sigset_t defaults;
        sigemptyset(&none);
        sigemptyset(&defaults);
        for (int sig : {SIGHUP, SIGINT, SIGQUIT, SIGPIPE, SIGALRM, SIGTERM, SIGCHLD, SIGUSR1,
                        SIGUSR2, SIGTSTP, SIGTTIN, SIGTTOU, SIGXFSZ}) {
            sigaddset(&defaults, sig);
        }
        return ok_ && posix_spawnattr_setsigmask(&attr_, &none) == 0 &&
               posix_spawnattr_setsigdefault(&attr_, &defaults) == 0 &&
               posix_spawnattr_setflags(&attr_, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF) ==
                   0;
    }
    const posix_spawnattr_t* get() const { return &attr_; }

  private:
    posix_spawnattr_t attr_{};
    bool ok_;
};

class SpawnFileActions {
  public:
    SpawnFileActions() : ok_(posix_spawn_file_actions_init(&actions_) == 0) {}
    ~SpawnFileActions() {
        if (ok_) {
            posix_spawn_file_actions_destroy(&actions_);
        }
    }
    SpawnFileActions(const SpawnFileActions&) = delete;
    SpawnFileActions& operator=(const SpawnFileActions&) = delete;

    // Keeps the host's descriptors (sockets, files) out of the child; only the standard
    // streams are passed on.
    bool CloseInheritedDescriptors() {
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
        return ok_ && posix_spawn_file_actions_addclosefrom_np(&actions_, 3) == 0;
#else
        return ok_;  // only descriptors opened with O_CLOEXEC stay behind
#endif
    }
    const posix_spawn_file_actions_t* get() const {
        return &actions_;
    }

  private:
    posix_spawn_file_actions_t actions_{};
    bool ok_;
};

bool IsFile(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && !S_ISDIR(status.st_mode);
}

std::optional<std::string> RunningProgramDirectory() {
    std::string path(4096, '\0');
    const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= path.size()) {
        return std::nullopt;
    }
    path.resize(static_cast<std::size_t>(length));
    return path.substr(0, path.rfind('/') + 1);
}

// The file to start for the program named first on the line, found as CreateProcessW finds
// it when given no application name: a name with a directory part is taken relative to the
// working directory; a bare name is looked for in the running program's directory, then the
// working directory, then each directory of PATH (where the system directories are here).
// The first file found is started, or fails to start; a directory is passed over. Windows
// would also try the name with ".exe" appended first, which programs here do not carry.
std::optional<std::string> ProgramFile(const std::string& name) {
    if (name.find('/') != std::string::npos) {
        return name;
    }
    std::vector<std::string> directories;
    if (auto own = RunningProgramDirectory()) {
        directories.push_back(std::move(*own));
    }
    directories.emplace_back();  // the working directory
    if (const char* path = std::getenv("PATH")) {
        std::string_view rest = path;
        while (!rest.empty()) {
            const auto colon = std::min(rest.find(':'), rest.size());
            if (colon > 0) {  // an empty entry is the working directory, already searched
                directories.push_back(std::string(rest.substr(0, colon)) + "/");
            }
            rest.remove_prefix(std::min(colon + 1, rest.size()));
        }
    }
    for (const auto& directory : directories) {
        if (IsFile(directory + name)) {
            return directory + name;
        }
    }
    return std::nullopt;
}

void WaitFor(pid_t pid) {
    while (waitpid(pid, nullptr, 0) == -1 && errno == EINTR) {
    }
}

}  // namespace

PosixProcessLauncher::~PosixProcessLauncher() {
    ReapUnwatched();
}

bool PosixProcessLauncher::Start(std::u16string_view commandLine) {
    return Spawn(commandLine).has_value();
}

std::optional<pid_t> PosixProcessLauncher::Spawn(std::u16string_view commandLine) {
    ReapUnwatched();

    if (!IsStartableCommandLine(commandLine)) {
        return std::nullopt;
    }
    const auto args = SplitCommandLine(commandLine);
    if (args.empty() || args[0].empty()) {
        return std::nullopt;
    }
    std::vector<std::string> utf8;
    utf8.reserve(args.size());
    try {
        for (const auto& arg : args) {
            utf8.push_back(toUtf8(arg));
        }
    } catch (const UtfError&) {
        return std::nullopt;  // an unpaired surrogate has no UTF-8 form
    }
    std::vector<char*> argv;
    argv.reserve(utf8.size() + 1);
    for (auto& arg : utf8) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);

    SpawnAttributes attributes;
    SpawnFileActions actions;
    if (!attributes.ResetSignals() || !actions.CloseInheritedDescriptors()) {
        return std::nullopt;
    }
    const auto program = ProgramFile(utf8[0]);
    if (!program) {
        return std::nullopt;
    }
    pid_t pid = 0;
    const int rc =
        posix_spawn(&pid, program->c_str(), actions.get(), attributes.get(), argv.data(), environ);
    if (rc != 0) {
        return std::nullopt;  // the C library has already reaped a child whose exec failed
    }

    try {
        std::thread(WaitFor, pid).detach();
    } catch (const std::system_error&) {
        const std::lock_guard lock(mutex_);
        unwatched_.push_back(pid);
    }
    return pid;
}

void PosixProcessLauncher::ReapUnwatched() {
    const std::lock_guard lock(mutex_);
    std::erase_if(unwatched_, [](pid_t pid) {
        const pid_t r = waitpid(pid, nullptr, WNOHANG);
        return r == pid || (r == -1 && errno == ECHILD);
    });
}

}  // namespace tessaly::platform::posix
