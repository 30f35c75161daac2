// Win32Platform: one of each Win32 service, for one module.
#include "platform/win32/services.h"

#include "platform/win32/service_impls.h"

namespace tessaly::win32 {

struct Win32Platform::Impl {
    explicit Impl(HMODULE module) : resources(module) {}

    Win32Registry registry;
    Win32FileSystem files;
    Win32VersionResources versions;
    Win32ProcessLauncher processes;
    Win32Timers timers;
    Win32MessageBoxes messages;
    Win32Resources resources;
};

Win32Platform::Win32Platform(HMODULE module) : impl_(std::make_unique<Impl>(module)) {}

Win32Platform::~Win32Platform() = default;

platform::Services Win32Platform::services() {
    return platform::Services{impl_->registry,  impl_->registry, impl_->files,    impl_->versions,
                              impl_->processes, impl_->timers,   impl_->messages, impl_->resources};
}

std::size_t Win32Platform::liveTimers() const {
    return impl_->timers.live();
}

}  // namespace tessaly::win32
