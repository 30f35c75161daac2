#include "session.h"

#include "explorer/ribbon.h"
#include "harness/frontend/utf8.h"
#include "harness/outlook/pugixml/pugixml_parser.h"
#include "interactive.h"
#include "softphones.h"

namespace tessaly::sim_tool {

using frontend::AddinFailure;
using frontend::Command;
using frontend::Output;
using frontend::PrefixOfTag;
using frontend::Profile;
using frontend::ToUtf16;
using frontend::Verb;

namespace sim = host::sim;

namespace {

constexpr std::u16string_view kFallbackToolbarName = u"Brindle";

}  // namespace

InProcessSession::InProcessSession(const Profile& profile, Output& out, const SessionConfig& config)
    : Session(profile, config.options, out, config.trace),
      parser_(sim::MakePugiXmlParser()),
      services_(out, config.registryFile, !config.options.noLaunch),
      inputFd_(config.inputFd) {
    library_ = std::make_unique<Library>(services_.services());
    waiter_ = [this](std::uint64_t ms) { loop().Advance(ms); };
    loop().setAfterTimer([this] { world_.Idle(); });
}

InProcessSession::~InProcessSession() {
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
}

void InProcessSession::Interact() {
    RunInteractive(*this, out_, inputFd_);
}

void InProcessSession::Echo(const Command& command) {
    if (command.verb != Verb::Show && command.verb != Verb::Softphones) {
        ShowAll();
    }
}

template <class F>
void InProcessSession::CallAddin(const char* what, F&& call) {
    try {
        call();
    } catch (const std::exception& e) {
        throw AddinFailure(std::string(what) + ": " + e.what());
    }
}

void InProcessSession::Connect() {
    CallAddin("Create", [&] { addin_ = Tessaly::Create(*library_); });
    CallAddin("OnConnection", [&] {
        addin_->IDTExtensibility2_OnConnection(world_.application(), host::ConnectMode::Startup);
    });
    // Outlook asks for the ribbon right after the connection.
    ribbon_.Load(addin_->ribbon(), *parser_);
    CallAddin("OnStartupComplete", [&] { addin_->IDTExtensibility2_OnStartupComplete(); });
}

void InProcessSession::Disconnect() {
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

std::u16string InProcessSession::ToolbarName() const {
    const std::u16string& name = library_->common.sToolbarName;
    return name.empty() ? std::u16string(kFallbackToolbarName) : name;
}

std::u16string InProcessSession::TagPrefix(const sim::SimExplorer& window,
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

void InProcessSession::RunProgramCommand(const Command& command) {
    switch (command.verb) {
        case Verb::Wait:
            waiter_(command.number);
            break;
        case Verb::Softphones:
            // Read the registry afresh, as a dial would.
            library_->common.FindSoftphones();
            ShowSoftphones(out_, library_->common);
            break;
        case Verb::Dial:
            // The same entry point the toolbar uses, so dialing can be tried on its own.
            library_->common.DialNumber(ToUtf16(command.text));
            break;
        default:
            // Neither `fail` nor `calls` is one of tessaly-sim's commands.
            break;
    }
}

}  // namespace tessaly::sim_tool
