// Starting a program from a Windows-style command line on POSIX.
#pragma once

#include <sys/types.h>

#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/services.h"

namespace tessaly::platform::posix {

// Splits the command line as the started program would on Windows (SplitCommandLine) and
// hands the arguments to posix_spawn directly. No shell is involved, so no character of an
// argument can run anything else. The environment is inherited; descriptors are not (where
// the C library can close them in the child), as with CreateProcess without inheritance.
//
// Each child is reaped by a small detached thread that only waits for it, so no zombie stays
// behind, SIGCHLD is left alone, and destroying the launcher never waits for a child that
// runs on.
class PosixProcessLauncher final : public ProcessLauncher {
  public:
    PosixProcessLauncher() = default;
    PosixProcessLauncher(const PosixProcessLauncher&) = delete;
    PosixProcessLauncher& operator=(const PosixProcessLauncher&) = delete;
    ~PosixProcessLauncher() override;

    // False when the line is refused (IsStartableCommandLine), names no program, cannot be
    // converted to UTF-8, or the program could not be started (missing, not executable).
    // The program is found where Windows finds it for the same line (see ProgramFile). With
    // glibc and musl a failed exec is reported here; elsewhere such a child may merely exit
    // with status 127.
    bool Start(std::u16string_view commandLine) override;

    // Start, returning the child's process id.
    std::optional<pid_t> Spawn(std::u16string_view commandLine);

  private:
    void ReapUnwatched();

    std::mutex mutex_;
    // Children whose waiter thread could not be created; reaped without blocking later.
    std::vector<pid_t> unwatched_;
};

}  // namespace tessaly::platform::posix
