#include <string_view>
#include <utility>

#include "harness/frontend/options.h"
#include "harness/frontend/profile.h"
#include "program.h"

namespace tessaly::sim_tool {

std::string HelpText() {
    std::string text =
        R"(Usage: tessaly-sim [--profile FILE] [--registry FILE] [--script FILE | --interactive]
                  [--no-launch] [--on-update=idle|strict] [--trace FILE]
                  [--fail Interface.Member[:TIMES]]...
       tessaly-sim --softphones [--registry FILE]
       tessaly-sim --help

Runs the Tessaly add-in inside a simulated Outlook: the windows of a profile get the
add-in's toolbar, and a script (or you, interactively) acts as the user.

Options:
  --profile FILE   the folders, items and windows of the simulated Outlook (JSON, below);
                   default: a bundled profile with a few contacts and one window on Contacts
  --registry FILE  the .reg file holding the current user's registry hive; default:
                   $XDG_CONFIG_HOME/tessaly/HKCU.reg, else ~/.config/tessaly/HKCU.reg.
                   A missing file starts an empty hive, written at the first change. A
                   file that exists but is empty (0 bytes, or a byte-order mark alone) is
                   an error, as is a malformed one or one holding a NUL character outside
                   hex data: the run stops (exit status 2) and the file is left as it is
  --script FILE    run the commands of FILE ("-": standard input)
  --interactive    read commands from the terminal, in real time
  --no-launch      print softphone starts but start nothing (each start succeeds)
  --on-update MODE when the toolbar's command bars report a change (OnUpdate): "idle"
                   (default, as Office: once per batch of changes, before the next
                   command and after each timer) or "strict" (at once after every
                   changing call, re-entering the add-in)
  --trace FILE     write the object model's trace to FILE: every call the add-in makes
                   to Outlook and Office and every event the host raises, one line
                   each, in order, as it happens (see Trace below)
%FAIL%
  --softphones     print the softphone installations found in the registry and exit
  --help           print this text and exit
Without --script and --interactive, the program is interactive when standard input is a
terminal, and otherwise runs standard input as a script.

Run:
  The world is built from the profile and its windows are opened; then the add-in is
  connected (OnConnection, OnStartupComplete), the commands run, and at the end the
  add-in is unloaded (OnBeginShutdown, OnDisconnection) unless `shutdown` did so already.
  Right after OnConnection the ribbon asks the add-in for its Explorer customisation, and
  for another kind of window's when the first one shows (see The ribbon below).
  Shutdown unloads the customisations.
  In a script, time is virtual: it passes only with `wait`, so output is repeatable.
  Interactively, time is real and timers fire while the program waits for input.

%PROFILE%
Script:
  One command per line; blank lines are ignored. A "#" at the start of a line or after a
  blank starts a comment, except in the TEXT of `type` and `dial`, which is everything
  after exactly one blank, kept verbatim (it may start with blanks, contain "#", or be
  empty). A name with blanks is written in double quotes: select 1 "Alma Reyes";
  inside quotes \" is a quote and \\ a backslash. Commands are lower case; control
  names are matched without regard to case. Windows are numbered from 1 in the order
  they were opened, profile windows first; numbers are never reused.
  The whole script is checked before anything runs: an unknown command or a missing or
  malformed argument is reported and nothing runs. A command that cannot run when its
  turn comes (a window that does not exist or is closed, an unknown folder or item)
  stops the run at that line. A control that does not exist (yet), a button that cannot
  be clicked and the like are notes, and the script goes on.

%COMMANDS%
  Interactive mode adds: help (this list), quit (or end of input).
  A control is found by its tag, which ends in "_" and the control's name ("..._Dial"),
  on the add-in's toolbar first, then on the window's other bars. "ribbon:NAME" names
  the ribbon control whose id ends in "_" and NAME instead; `type W TEXT` whose TEXT
  begins with "ribbon:" is therefore a ribbon command. `customize W restore`
  puts the control back on the add-in's toolbar with the tag "<prefix>_<Name>".

Output lines:
  launch: <command line>       the add-in started the softphone (with --no-launch: would)
  launch failed: <command line>  the start failed or the line was refused (it holds a NUL
                               or is longer than 32766 characters); the user sees nothing
  message: <title>: <text>     the add-in showed a message box; line breaks become \n.
                               Scripts dismiss it at once; interactively, press Enter.
  event-error: <event>: <what> an event handler of the add-in returned a failure
  note: <text>                 something a command could not do, or what it did
  window N: ... / toolbar ... / N: button|combo ... / on bar ... / bar ...
                               the output of `show`: the add-in's toolbar and controls,
                               its controls on other bars, then every other bar
  window N: inspector of TYPE "NAME"   `show` of an Inspector
%RIBBONLINES%
  softphones: ...              the output of `softphones`
  error: FILE:LINE: <message>  a bad profile or script line (on standard error)
  error: FILE: <message>       a file that cannot be read
  error: add-in: <call>: <what>  a call into the add-in (Create, OnConnection,
                               OnStartupComplete, OnBeginShutdown, OnDisconnection) threw
  Interactively, errors are printed as "error: <stdin>:N: ..." and the session goes on.

%RIBBON%%TRACE%
Exit status:
  0  the run ended normally
  1  a call into the add-in failed (error: add-in: ...)
  2  bad command line, unreadable file, bad profile, or a script line that is malformed
     or cannot run; after such an error nothing else is done, not even unloading the
     add-in
)";
    const std::pair<const char*, const char*> parts[] = {
        {"%COMMANDS%\n", frontend::CommandSummary()}, {"%FAIL%\n", frontend::FailOptionSummary()},
        {"%PROFILE%\n", frontend::ProfileSummary()},  {"%RIBBONLINES%\n", frontend::RibbonLines()},
        {"%RIBBON%", frontend::RibbonSummary()},      {"%TRACE%\n", frontend::TraceSummary()},
    };
    for (const auto& [marker, part] : parts) {
        text.replace(text.find(marker), std::string_view(marker).size(), part);
    }
    return text;
}

}  // namespace tessaly::sim_tool
