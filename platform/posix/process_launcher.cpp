#include "platform/posix/process_launcher.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
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

    // Windows hands the program a NUL-terminated line: nothing after a NUL exists for it.
    commandLine = commandLine.substr(0, commandLine.find(u'\0'));
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
    // A bare name is looked up in PATH, as Windows searches for it; a name with a slash is
    // taken as given.
    const bool searchPath = utf8[0].find('/') == std::string::npos;
    pid_t pid = 0;
    const int rc =
        searchPath
            ? posix_spawnp(&pid, argv[0], actions.get(), attributes.get(), argv.data(), environ)
            : posix_spawn(&pid, argv[0], actions.get(), attributes.get(), argv.data(), environ);
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
