#include "session.h"
#include "softphones.h"

#include "explorer/ribbon.h"
#include "harness/frontend/utf8.h"
#include "harness/outlook/pugixml/pugixml_parser.h"

namespace tessaly::sim_tool {

using frontend::Command;
using frontend::Output;
using frontend::PopulateWorld;
using frontend::PrefixOfTag;
using frontend::Profile;
using frontend::ToUtf16;
using frontend::Verb;

namespace sim = host::sim;

namespace {

constexpr std::u16string_view kFallbackToolbarName = u"Brindle";

}  // namespace

Session::Session(const Profile& profile, Output& out, const SessionConfig& config)
    : out_(out),
      parser_(sim::MakePugiXmlParser()),
      services_(out, config.registryFile, config.launch),
      commands_(world_, PopulateWorld(profile, world_), out, *this) {
    if (config.updateMode) {
        world_.setUpdateMode(*config.updateMode);
    }
    world_.setTrace(config.trace);
    library_ = std::make_unique<Library>(services_.services());
    waiter_ = [this](std::uint64_t ms) { loop().Advance(ms); };
    loop().setAfterTimer([this] { world_.Idle(); });
}

Session::~Session() {
    // A run stopped by an error still unloads the add-in, as Outlook does when it exits, so
    // that it lets go of its host objects before the world that owns them goes away.
    if (addin_) {
        try {
            addin_->IDTExtensibility2_OnBeginShutdown();
            addin_->IDTExtensibility2_OnDisconnection(host::DisconnectMode::HostShutdown);
        } catch (const std::exception&) {
        }
    }
    ribbon_.Unload();
    addin_.reset();
    commands_.ReleaseWindows();
    library_.reset();
    world_.setTrace(nullptr);
}

template <class F>
void Session::CallAddin(const char* what, F&& call) {
    try {
        call();
    } catch (const std::exception& e) {
        throw AddinFailure(std::string(what) + ": " + e.what());
    }
}

void Session::Connect() {
    CallAddin("Create", [&] { addin_ = Tessaly::Create(*library_); });
    CallAddin("OnConnection", [&] {
        addin_->IDTExtensibility2_OnConnection(world_.application(), host::ConnectMode::Startup);
    });
    // Outlook asks for the ribbon right after the connection.
    ribbon_.Load(addin_->ribbon(), *parser_);
    CallAddin("OnStartupComplete", [&] { addin_->IDTExtensibility2_OnStartupComplete(); });
}

void Session::Disconnect() {
    if (!addin_) {
        return;
    }
    world_.Idle();
    // Outlook releases the add-in after disconnecting it, whether or not the calls worked.
    const auto addin = std::move(addin_);
    CallAddin("OnBeginShutdown", [&] { addin->IDTExtensibility2_OnBeginShutdown(); });
    CallAddin("OnDisconnection", [&] {
        addin->IDTExtensibility2_OnDisconnection(host::DisconnectMode::HostShutdown);
    });
    ribbon_.Unload();
}

void Session::ReportEventFailures() {
    for (const sim::EventFailure& failure : world_.eventFailures()) {
        out_.Line("event-error: " + failure.event + ": " + failure.what);
    }
    world_.clearEventFailures();
    for (const std::string& error : ribbon_.errors()) {
        out_.Line("ribbon-error: " + error);
    }
    ribbon_.clearErrors();
}

std::u16string Session::ToolbarName() const {
    const std::u16string& name = library_->common.sToolbarName;
    return name.empty() ? std::u16string(kFallbackToolbarName) : name;
}

std::u16string Session::TagPrefix(const sim::SimExplorer& window,
                                  std::u16string_view toolbar) const {
    // The tag the add-in would give the control: its prefix, or failing that the one its
    // siblings on the toolbar carry.
    std::u16string prefix = library_->common.sTagPrefix;
    const auto bar = window.commandBars()->find(std::u16string(toolbar));
    if (prefix.empty() && bar) {
        for (const auto& sibling : bar->controls()) {
            if (auto p = PrefixOfTag(sibling->tag())) {
                prefix = *p;
                break;
            }
        }
    }
    return prefix;
}

void Session::Execute(const Command& command) {
    commands_.Execute(command);
}

void Session::RunHostCommand(const Command& command) {
    switch (command.verb) {
        case Verb::Wait:
            waiter_(command.number);
            break;
        case Verb::Softphones:
            // Read the registry afresh, as a dial would.
            library_->common.FindSoftphones();
            ShowSoftphones(out_, library_->common);
            break;
        case Verb::Shutdown:
            if (!addin_) {
                out_.Note("the add-in is not connected; shutdown has no effect");
            }
            Disconnect();
            break;
        case Verb::Dial:
            // The same entry point the toolbar uses, so dialing can be tried on its own.
            library_->common.DialNumber(ToUtf16(command.text));
            break;
        default:
            // The world commands run in WorldCommands.
            break;
    }
}

}  // namespace tessaly::sim_tool
