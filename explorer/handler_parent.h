// What a window's handler asks of the object that made it and keeps it (the connect class).
#pragma once

#include <memory>

namespace tessaly::explorer {

class ExplorerHandler;
class Ribbon;

class HandlerParent {
  public:
    virtual ~HandlerParent() = default;

    // Called by a handler whose window has closed.
    virtual void OnExplorerClose(const std::shared_ptr<ExplorerHandler>& oExplorer) = 0;
    // The Explorer windows' ribbon, which a handler tells what its window now shows.
    virtual Ribbon& ribbon() const = 0;
};

}  // namespace tessaly::explorer
