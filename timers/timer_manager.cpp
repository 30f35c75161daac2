#include "timers/timer_manager.h"

#include "explorer/explorer_handler.h"

namespace tessaly::timers {

// The dialing notice does not exist yet, so nothing is ever deferred.
void TimerManager::StartTimer(std::int32_t, const std::shared_ptr<explorer::ExplorerHandler>&) {}

void TimerManager::StopTimer(const std::shared_ptr<explorer::ExplorerHandler>&) {}

void TimerManager::TimerProc(std::uint32_t) {}

}  // namespace tessaly::timers
