#include "standin_program.h"

#include <string_view>
#include <utility>

#include "com_session.h"
#include "harness/frontend/options.h"
#include "harness/frontend/profile.h"

namespace tessaly::standin {

std::string StandinProgram::help() const {
    return StandinHelpText();
}

void StandinProgram::addOptions(frontend::OptionTable& table) {
    table.flag("--invoke", own_.invoke);
    table.flag("--stats", own_.stats);
    table.flag("--no-ribbon", own_.noRibbon);
    const std::string registry = "is not supported: the stand-in host uses the real registry";
    table.refuse("--registry", registry);
    table.refuse("--softphones", registry);
}

std::unique_ptr<frontend::Session> StandinProgram::start(const frontend::Profile& profile,
                                                         const frontend::CommonOptions& options,
                                                         frontend::Output& out,
                                                         host::sim::TraceSink* trace) {
    return std::make_unique<ComSession>(profile, options, own_, out, trace, in_);
}

int Run(const std::vector<std::string>& args, frontend::Output& out, std::istream& in,
        bool inIsTerminal) {
    StandinProgram program(in);
    return frontend::Run(program, args, out, in, inIsTerminal);
}

std::string StandinHelpText() {
    std::string text =
        R"(Usage: tessaly-standin [--profile FILE] [--script FILE | --interactive] [--invoke]
                       [--stats] [--fail Interface.Member[:TIMES]]... [--no-ribbon]
                       [--on-update=idle|strict] [--trace FILE]
       tessaly-standin --help

A stand-in for Outlook: the simulated Outlook of tessaly-sim, exposed over COM. It loads
every add-in registered for the current user as Outlook does (HKCU\Software\Microsoft\
Office\Outlook\Addins\<ProgID> with LoadBehavior 3, the ProgID's CLSID and InprocServer32
under HKCU\Software\Classes, DllGetClassObject, IDTExtensibility2), runs the script against
the simulated windows and unloads the add-ins at the end.

Options:
  --profile FILE   the folders, items and windows (tessaly-sim's profile format);
                   default: tessaly-sim's bundled profile
  --script FILE    run the commands of FILE ("-": standard input)
  --interactive    read commands from standard input as they come
  --invoke         call OnConnection ... OnBeginShutdown through IDispatch::Invoke
                   (DISPIDs 1 to 5) instead of the IDTExtensibility2 vtable
  --stats          print each add-in's load and OnConnection times and the call
                   counts (as `calls` does) before exiting
%FAIL%
  --help           print this text and exit
  --no-launch      print the add-in's process starts as `launch:` lines but start nothing
  --no-ribbon      do not ask the add-in for its ribbon: its toolbar only, as Outlook
                   before 2010 (for comparing figures)
  --on-update MODE when the command bars report a change (OnUpdate): "idle" (default,
                   as Office: once per batch, when the message queue is empty) or
                   "strict" (at once after every changing call, re-entering the add-in)
  --trace FILE     write the object model's trace to FILE: every call the add-in makes
                   to the host's objects (through IDispatch) and every event the host
                   raises, one line each, in order, as tessaly-sim does (see Trace below)
Not supported: --registry (the real registry is used), --softphones.

Time is real: `wait MS` runs the message loop for MS milliseconds, so the add-in's
SetTimer timers fire. Between commands pending messages are dispatched.

The ribbon: right after OnConnection the host asks the add-in's object for
IRibbonExtensibility (once, as Outlook does) and calls its GetCustomUI through the vtable,
for "Microsoft.Outlook.Explorer" at once and for another kind of window when the first one
opens; it parses the XML with the system's MSXML and checks it as tessaly-sim does (see
The ribbon below). Every callback name the XML gives (getContent and a menu entry's
onAction included) is resolved through the add-in's GetIDsOfNames and called with Invoke,
with the host's own IRibbonControl objects (Id, Context = that window's Explorer or
Inspector, or a context menu's Selection, Tag) and, for onLoad, its IRibbonUI, whose
Invalidate and InvalidateControl make the ribbon ask again at the next idle moment;
getLabel, getContent and the like answer a BSTR. Inspectors and Selections are COM objects
too: Inspector.CurrentItem and .Session, its events on InspectorEvents_10 and
InspectorEvents (Close), Selection.Parent. The ribbon and menu commands and the ribbon and
menu lines work exactly as in tessaly-sim.

%COMMANDS%
Commands of the stand-in host:
  calls                              print the IDispatch call counts
  softphones, dial                   not available: the add-in owns the softphone list

Output lines (besides tessaly-sim's note:, event-error:, show output, error:):
  addin: <ProgID>: loading <DLL path>
  startup: OnConnection took N ms
  startup: the ribbon took N ms    the Explorer's GetCustomUI, onLoad and first queries
%RIBBONLINES%  shutdown: OnDisconnection took N ms
  shutdown: no IRibbonUI held after OnDisconnection
  leak: IRibbonUI still held after OnDisconnection
  unload: DllCanUnloadNow returned S_OK|S_FALSE|0x...
  leak: <Type> #<serial> holds N reference(s)    an object still referenced at exit
  leak: <Type> #<serial> has N connection(s)     an event connection never ended
  leak: timer <id> (N ms) is still set           an add-in timer never killed
  check: objects=N connections=N timers=N        the shutdown check, after every run
  stats: <ProgID>: load=N us on-connection=N us   with --stats: LoadLibraryW to the
                             add-in object (the host's own work left out), and OnConnection
  calls: invoke=N (+N) get-ids-of-names=N (+N) repeated-lookups=N
  calls: repeated <Type>#<serial>.<name> xN      a name looked up again on one object
  calls: ribbon callbacks invoke=N (+N) get-ids-of-names=N (+N) time=N us (+N us)
                             the host's calls into the add-in for its ribbon, and the
                             time spent in them (the add-in's calls into the host included)
  message: <title>: <text>   a message box of this process, seen by a watcher thread
                             and dismissed at once (needs a display, e.g. xvfb-run)
  launch: <command line>   every process the add-in starts (its CreateProcessW calls)
  launch failed: <command line>   such a call that failed (a line the add-in refuses
                           before calling CreateProcessW is not seen here)

%PROFILE%
%RIBBON%%TRACE%
Exit status:
  0  normal end, nothing left referenced, DllCanUnloadNow returned S_OK
  1  a call into the add-in failed (error: add-in: <ProgID>: <call>: <HRESULT>)
  2  bad command line, unreadable file, bad profile or script line
  3  the shutdown check failed: objects, connections or add-in timers left, or
     DllCanUnloadNow not S_OK
)";
    const std::pair<const char*, const char*> parts[] = {
        {"%COMMANDS%\n", frontend::CommandSummary()}, {"%FAIL%\n", frontend::FailOptionSummary()},
        {"%PROFILE%\n", frontend::ProfileSummary()},  {"%RIBBONLINES%", frontend::RibbonLines()},
        {"%RIBBON%", frontend::RibbonSummary()},      {"%TRACE%\n", frontend::TraceSummary()},
    };
    for (const auto& [marker, part] : parts) {
        text.replace(text.find(marker), std::string_view(marker).size(), part);
    }
    return text;
}

}  // namespace tessaly::standin
