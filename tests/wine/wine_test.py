#!/usr/bin/python3
"""The Wine tests' driver: runs Windows programs in the test's Wine prefix through
tools/wine-run.sh and checks what they did. One command per kind of test; `--help` lists them.

    wine_test.py --config build/windows-x64/tests/wine/wine_test.json --work DIR COMMAND ...

The prefix is the one in TESSALY_WINEPREFIX (as for tools/wine-run.sh); CTest sets it, and the
one lock of that prefix, per test (tests/wine/CMakeLists.txt). `sim-same-as-standin` and
`sim-dials` run tessaly-sim on Linux and need no configuration.

TESSALY_UPDATE_EXPECTED=1 writes the transcripts and layouts the runs produced into the
expected files instead of comparing."""

import argparse
import concurrent.futures
import difflib
import json
import os
import re
import shutil
import subprocess
import sys
from pathlib import Path

SOURCE = Path(__file__).resolve().parents[2]
E2E = SOURCE / "tests/wine/e2e"
TOOL_SCRIPTS = SOURCE / "tests/unit/tool/scripts"

ADDIN_KEY = r"HKCU\Software\Wrenfield\Brindle Outlook AddIn"
SOFTPHONE_GUID = "{6F1A2B3C-4D5E-4F60-8172-93A4B5C6D7E8}"


def decoded(output):
    """A program's output as text with Unix line ends."""
    return output.decode("utf-8", "replace").replace("\r", "")


class Failure(Exception):
    """A check that failed; the message says what was expected and what came."""


def check(condition, message):
    if not condition:
        raise Failure(message)


def diff(expected, actual, expected_name, actual_name):
    """The differing lines of two texts (or lists of lines), with a little context."""
    if isinstance(expected, str):
        expected, actual = expected.splitlines(), actual.splitlines()
    return "\n".join(
        difflib.unified_diff(expected, actual, expected_name, actual_name, n=2, lineterm=""))


def updating():
    return bool(os.environ.get("TESSALY_UPDATE_EXPECTED"))


def expect_file(text, path, what):
    """`text` must be the content of `path` (written there with TESSALY_UPDATE_EXPECTED)."""
    if updating():
        Path(path).write_text(text)
    expected = Path(path).read_text()
    check(text == expected, f"{what} differs from {path}:\n" +
          diff(expected, text, str(path), what))


def reg_text(*blocks):
    """A .reg file's text, as `reg import` and tessaly-sim's --registry read it."""
    return "Windows Registry Editor Version 5.00\n\n" + "\n".join(blocks)


def reg_string(value):
    return '"' + value.replace("\\", "\\\\").replace('"', '\\"') + '"'


def softphone_reg(app_path, reset_addin_key=False):
    """The softphone installation every test registers: `app_path` as the one softphone. With
    `reset_addin_key`, the add-in's key is removed first, so that no stored layout is left."""
    key = "HKEY_CURRENT_USER" + ADDIN_KEY[4:]
    blocks = [f"[-{key}]\n"] if reset_addin_key else []
    blocks.append(f'[{key}\\Softphone\\{SOFTPHONE_GUID}]\n"AppPath"={reg_string(app_path)}\n')
    return reg_text(*blocks)


# --- What tessaly-sim and the stand-in host print ----------------------------------------

def normalise(text):
    """Standard output made comparable: line ends, timings, the DLL's and softphone's paths."""
    text = text.replace("\r", "")
    text = re.sub(r"took [0-9]+ ms", "took N ms", text)
    text = re.sub(r"(addin: [^:\n]+: loading) [^\n]*", r"\1 DLL", text)
    return re.sub(r"(launch: )[^\n]*recorder\.exe ", r"\1RECORDER ", text)


def comparable_lines(text, event_errors=False):
    """What tessaly-sim and the stand-in host must agree on: the `show` lines (window headers,
    the indented lines under them, the ribbon's and the menus' lines), `launch:`,
    `launch failed:` and `message:`; the softphone's path, which differs between their registries, as RECORDER.
    With `event_errors`, also which event handler failed (not the wording of its error)."""
    shown = (r"(?:window [0-9]+:|  |ribbon [0-9]+: |menu [0-9]+: |launch: |launch failed: "
             r"|message: )[^\n]*")
    failed = r"|event-error: [^:\n]+(?=:)" if event_errors else ""
    lines = re.findall(rf"^(?:{shown}{failed})", text.replace("\r", ""), re.M)
    return [re.sub(r"^(launch(?: failed)?: )[^\n]*recorder\.exe ", r"\1RECORDER ", line)
            for line in lines]


def expect_same_lines(text, expected_file, what):
    ours = comparable_lines(text)
    theirs = comparable_lines(Path(expected_file).read_text())
    check(ours and ours == theirs, f"{what}: show, launch and message lines differ from "
          f"{expected_file}:\n" + diff(theirs, ours, str(expected_file), what))


def stored_layout(reg):
    """The add-in's stored layout in a .reg text: every key under the add-in's but the
    softphones', with its values. Keys and values are sorted: their order means nothing, and
    the two registries list them differently."""
    keys = []
    prefix = "[HKEY_CURRENT_USER" + ADDIN_KEY[4:]
    for block in re.split(r"\n\n+", reg.replace("\r", "")):
        header, *values = block.split("\n")
        if not (header == prefix + "]" or header.startswith(prefix + "\\")):
            continue
        if re.match(r"^\[[^]\n]*\\Softphone(\\[^]\n]*)?\]", header):
            continue
        keys.append("\n".join([header] + sorted(v for v in values if v)))
    return "\n\n".join(sorted(keys)) + "\n"


def expect_layout(reg, expected_file, what):
    expect_file(stored_layout(reg), expected_file, f"{what}: stored layout")


def expect_same_dials(toolbar, ribbon, minimum):
    """The toolbar's and the ribbon's runs of the same dials both show the ribbon and give the
    same launch and message lines, at least `minimum` of them."""
    lines = {}
    for name, out in (("toolbar", toolbar), ("ribbon", ribbon)):
        check('ribbon 1: Business: button label="Business" image=no enabled=yes' in out,
              f"{name} script: no ribbon in show:\n{out}")
        lines[name] = re.findall(r"(?:launch|launch failed|message): [^\n]*", out)
    check(lines["toolbar"] == lines["ribbon"] and len(lines["toolbar"]) >= minimum,
          f"the toolbar's and the ribbon's launch and message lines (at least {minimum}):\n" +
          diff(lines["toolbar"], lines["ribbon"], "toolbar", "ribbon"))
    print(f"the same {len(lines['toolbar'])} launch and message lines from the ribbon as from "
          "the toolbar")


def line_matching(pattern, text):
    found = re.search(pattern, text, re.M)
    return found.group(0) if found else None


def expect_clean_shutdown(out):
    """The host's shutdown check passed: nothing referenced, nothing advised, no timer of the
    add-in still set; when an add-in was loaded, it was disconnected and agreed to unload."""
    leak = line_matching(r"^leak: .*", out)
    check(not leak, f"the host reports a leak: {leak}")
    check(re.search(r"^check: objects=0 connections=0 timers=0$", out, re.M),
          "no clean shutdown check (check: objects=0 connections=0 timers=0)")
    if re.search(r"^addin: ", out, re.M):
        check("\nshutdown: OnDisconnection took N ms\n" in out, "the add-in was not disconnected")
        expect_unloaded(out)


def expect_unloaded(out):
    """The add-in, once let go, left nothing behind and agreed to unload."""
    leak = line_matching(r"^leak: .*", out)
    check(not leak, f"the host reports a leak: {leak}")
    check(out.endswith("\ncheck: objects=0 connections=0 timers=0\n"
                       "unload: DllCanUnloadNow returned S_OK\n"),
          "the run does not end with the clean check and DllCanUnloadNow S_OK")


def expect_recorded(record, expected):
    """The softphone recorder's lines, one per start, are `expected` in any order: each start
    is a process of its own, and two started close together may write either way round."""
    got = record.read_text().splitlines() if record.exists() else []
    check(sorted(got) == sorted(expected),
          f"the softphone was started {len(got)} time(s), expected {len(expected)}:\n" +
          diff(sorted(expected), sorted(got), "expected starts", "recorded starts"))


# --- Wine -------------------------------------------------------------------------------

class Wine:
    """Programs in the test's prefix (TESSALY_WINEPREFIX) through tools/wine-run.sh, which makes
    the prefix and keeps its Wine processes warm; paths as Wine programs see them."""

    def __init__(self, config, work):
        self.config = config
        self.work = work
        self.regsvr32 = config["regsvr32"]
        self.recorder = self.windows_path(config["recorder"]) if "recorder" in config else None

    @staticmethod
    def windows_path(path):
        """A Unix path as Wine programs see it: the Unix root is drive Z:."""
        return "Z:" + os.path.abspath(path).replace("/", "\\")

    def run(self, *args, env=None):
        """Runs a program; its status, its standard output (line ends made Unix's) and error.
        In English whatever the user's language, as the checks read Wine's messages."""
        done = subprocess.run([self.config["wine_run"], *map(str, args)], capture_output=True,
                              env={**os.environ, "LC_ALL": "C.UTF-8", **(env or {})})
        return done.returncode, decoded(done.stdout), decoded(done.stderr)

    def tool(self, name, *args, expect=0):
        """Runs one of Wine's own programs (reg, regsvr32, msiexec; or a path) by its path in the
        prefix, so that Wine's loader runs it itself. By name, and where the loader must hand a
        program to the other bitness's (a 32-bit loader, a 64-bit tool), Wine starts it through
        its start.exe instead, whose CreateProcess under load now and then finds the new
        process gone before it started ("ShellExecuteEx failed: Internal error", status 1, the
        tool never run): only that is run again, up to three times. `expect`: the status it
        must end with (None: any). Returns the status and the output (standard output, then
        error)."""
        if not re.search(r"[/\\]", name):
            name = rf"C:\windows\system32\{name}.exe"
        for attempt in range(1, 4):
            status, out, err = self.run(name, *args)
            if "ShellExecuteEx failed" not in out + err or attempt == 3:
                break
            print(f"wine: start.exe did not start {name}; starting it again")
        check(expect is None or status == expect,
              f"{name} {' '.join(map(str, args))}: status {status}, expected {expect}\n{out}{err}")
        return status, out + err

    def reg(self, *args):
        """`reg ARGS` that may find no key: whether it found one, and its output. Any other
        failure of reg ends the test, rather than passing for a key that is not there."""
        status, out = self.tool("reg", *args, expect=None)
        check(status == 0 or "Unable to find the specified registry key" in out,
              f"reg {' '.join(args)}: status {status}\n{out}")
        return status == 0, out

    def reg_import(self, text, name="import.reg"):
        path = self.work / name
        path.write_text(text)
        self.tool("reg", "import", self.windows_path(path))
        path.unlink()

    def reg_export(self, key, name="export.reg"):
        """`key` as `reg export` writes it (UTF-16), as text with its line ends; None when it
        does not exist."""
        path = self.work / name
        path.unlink(missing_ok=True)
        if not self.reg("export", key, self.windows_path(path), "/y")[0]:
            return None
        data = path.read_bytes()
        path.unlink()
        return data.decode("utf-16").lstrip("\ufeff")

    def register_softphone(self, reset_addin_key=False):
        self.reg_import(softphone_reg(self.recorder, reset_addin_key))

    def standin(self, script, *args, profile=None, record=None, expect=0, label=""):
        """Runs the stand-in host on a script and returns its status and standard output, made
        comparable (normalise) except in `.raw`; `record`: the softphone recorder's file."""
        command = [self.config["standin"], "--script", self.windows_path(script)]
        if profile:
            command += ["--profile", self.windows_path(profile)]
        env = {"TESSALY_RECORD_FILE": self.windows_path(record)} if record else {}
        status, raw, err = self.run(*command, *args, env=env)
        name = re.sub(r"[^A-Za-z0-9_.-]+", "_", f"{Path(script).stem}{label}")
        saved = self.work / f"{name}.out"
        saved.write_text(raw + (f"\n--- standard error\n{err}" if err else ""))
        print(f"{Path(script).name} {' '.join(args)}: status {status}, "
              f"{len(raw.splitlines())} lines (in {saved})")
        check(expect is None or status == expect,
              f"exit status {status}, expected {expect}\n{err}{raw[-2000:]}")
        return Run(status, normalise(raw), raw, err)


class Run(str):
    """A stand-in run's standard output, comparable, with its status, raw text and errors."""

    def __new__(cls, status, out, raw, err):
        run = super().__new__(cls, out)
        run.status, run.raw, run.err = status, raw, err
        return run


def dialed(wine, number):
    """The command line the recorder receives for a dial of `number`."""
    return f'{wine.recorder} /ap "/postpone "{number}""'


# --- The end-to-end scenarios of the stand-in host (run twice, idle and strict) --------------

# One invalidation names its controls in each copy of the group (Mail's tab, then Contacts').
RIBBON_INVALIDATIONS = [f'call RibbonUI.InvalidateControl("Brindle_OutlookAddIn__{control}{copy}")'
                        for batch in ["Combo"] * 4 + ["Combo Mobile Home"]
                        for copy in ("_Mail", "_Contacts") for control in batch.split()]

# The combo box texts the add-in sets in two_windows: each window's number at the connection,
# then each click's notice, then the notices' ends, each in its window and in the clicks' order.
TWO_NOTICES = [f'call CommandBarComboBox.Text = "{text}"' for text in (
    "+44 20 7946 0101", "+39 02 5550 1234", "Dialing number +44 7700 900101",
    "Dialing number +39 02 5550 1234", "+44 7700 900101", "+39 02 5550 1234")]

# name: script, and what each run is held to:
#   profile; args; expected (the transcript file); exit (default 0); dials (the softphone's
#   starts, by number); reset (the add-in's key put back to "softphone registered, no layout"
#   before and after each run); max_last_invokes (idle mode: the last `calls` line's Invoke
#   increase stays below); no_repeated_lookups; trace_pattern (a regular expression the
#   trace must match); trace_select and trace_expected (the trace's lines matching the
#   first must be the second); unloaded_after_failure (exit 1, yet nothing of the add-in
#   stays behind)
SCENARIOS = {
    # Without the DLL registered: the model alone over the script.
    "host_only": dict(script="host_only", expected="host_only"),
    # One dial: the notice, the softphone's exact command line, after 1500 ms of real time the
    # bare number again.
    "dial": dict(script="dial", expected="dial", dials=["+44 7700 900101"]),
    # The same through IDispatch::Invoke instead of the IDTExtensibility2 vtable; the trace
    # shows the toolbar added, then OnUpdate and the tracking's lookups.
    "dial_invoke": dict(script="dial", expected="dial", args=["--invoke"],
                        dials=["+44 7700 900101"], trace_pattern=(
        r'call CommandBars.Add\("Brindle", , , True\) -> CommandBar#1\n(.*\n)?'
        r"event CommandBars.OnUpdate\n"
        r'call CommandBars.FindControl\(1, , "Brindle_OutlookAddIn__ShowContacts", \) -> '
        r"Nothing\n")),
    # A selection change costs fewer than 60 Invoke calls; no name is looked up twice on one
    # object.
    "selection_refresh": dict(script="selection_refresh", max_last_invokes=60),
    "lookup_once": dict(script="selection_refresh", no_repeated_lookups=True),
    # The host failing under the add-in: it still loads, unloads and lets go of everything.
    "host_failures": dict(script="dial", args=["--fail", "ContactItem.MobileTelephoneNumber",
                                               "--fail", "CommandBarControl.Tag=:3"]),
    # A connection failing after the first window's handler was made: Outlook lets go of the
    # add-in without disconnecting it, and nothing of it may stay behind.
    "failed_connection": dict(script="two_windows", profile="two_windows",
                              args=["--fail", "Explorers.Item(2):1"], exit=1,
                              unloaded_after_failure=True),
    # Two windows on different contacts: both toolbars built, each click dials once with its
    # own window's number, and each notice ends on its own, in the order of the clicks: an
    # order the trace holds, where a show between the two ends would race the host's clock.
    "two_windows": dict(script="two_windows", profile="two_windows", expected="two_windows",
                        dials=["+44 7700 900101", "+39 02 5550 1234"],
                        trace_select=r"^call CommandBarComboBox\.Text = ",
                        trace_expected=TWO_NOTICES),
    # The ribbon over COM on the same two windows: each group lists its own window's numbers,
    # the notices reach the ribbon through the invalidation of the combo box alone, a
    # selection change invalidates only the controls that changed (the clicks, the notices'
    # ends, then Alma to Bruno in window 1: the list, Mobile and Home; window 2's selection
    # changes nothing), and no IRibbonUI is held after OnDisconnection.
    "ribbon": dict(script="ribbon", profile="two_windows", expected="ribbon",
                   dials=["+44 7700 900101", "+39 02 5550 1234"],
                   trace_select=r"^call RibbonUI\.", trace_expected=RIBBON_INVALIDATIONS),
    # A window whose command bars become ready only at its first activation.
    "bars_not_ready": dict(script="bars_not_ready", profile="bars_not_ready",
                           expected="bars_not_ready"),
    # The user moves Dial to another bar and deletes Business while the add-in runs.
    "customized_toolbar": dict(script="customized_toolbar", profile="nine_numbers",
                               expected="customized_toolbar", reset=True,
                               dials=["+44 20 7946 0101"]),
    # The contact's dial menus: right-click and dial, a flagged contact, none to dial, the
    # open contact after its number changed, two open contacts, the notice on the open
    # contact's menu; the group on the Home tab of the folder's kind.
    "contact_menus": dict(script="contact_menus", profile="menus", expected="contact_menus",
                          dials=["+44 7700 900101", "+39 02 5550 9999", "+44 20 7946 0102"]),
    # The mail's: the sender as a contact, an Exchange user, an address found in another case
    # or with a quote; the first To recipient of a sent mail, nobody for a draft; the open mail.
    # Selecting mails is the toolbar's reset: nobody behind a mail is looked up before a
    # menu drops.
    "mail_selection": dict(script="mail_selection", profile="menus",
                           trace_select=r"^call (MailItem\.(Sender|Recipients)|AddressEntry\.|"
                                        r"Items\.Find|NameSpace\.CurrentUser)",
                           trace_expected=[]),
    "mail_menus": dict(script="mail_menus", profile="menus", expected="mail_menus",
                       dials=["+39 02 5550 1234", "+1 917 555 0143"]),
}


def scenario(wine, name):
    case = SCENARIOS[name]
    record = wine.work / "softphone.txt"
    for mode in ("idle", "strict"):
        print(f"--- OnUpdate mode {mode}")
        record.unlink(missing_ok=True)
        args = case.get("args", []) + [f"--on-update={mode}"]
        trace = wine.work / f"trace-{mode}.txt"
        if "trace_pattern" in case or "trace_select" in case:
            trace.unlink(missing_ok=True)
            args += ["--trace", wine.windows_path(trace)]
        if case.get("reset"):
            wine.register_softphone(reset_addin_key=True)
        profile = E2E / f"{case['profile']}.json" if "profile" in case else None
        out = wine.standin(E2E / f"{case['script']}.script", *args, profile=profile,
                           record=record, expect=case.get("exit", 0), label=f"-{mode}")
        if case.get("reset"):
            wine.register_softphone(reset_addin_key=True)

        if "trace_pattern" in case:
            traced = trace.read_text().replace("\r", "")
            check(re.search(case["trace_pattern"], traced, re.S),
                  f"the trace does not match \"{case['trace_pattern']}\" (in {trace})")
        if "trace_select" in case:
            selected = [line for line in trace.read_text().replace("\r", "").splitlines()
                        if re.search(case["trace_select"], line)]
            check(selected == case["trace_expected"],
                  f"the trace's lines matching \"{case['trace_select']}\":\n" +
                  diff(case["trace_expected"], selected, "expected", str(trace)))
        if "expected" in case:
            expect_file(out, E2E / f"{case['expected']}.expected", f"{mode} mode: transcript")
        if not case.get("exit"):
            expect_clean_shutdown(out)
        if case.get("unloaded_after_failure"):
            check(re.search(r"^addin: ", out, re.M), "no add-in was loaded")
            expect_unloaded(out)
        failed = line_matching(r"^event-error: .*", out)
        check(not failed, f"an event handler of the add-in failed: {failed}")
        if "dials" in case:
            expect_recorded(record, [dialed(wine, number) for number in case["dials"]])
        calls = re.findall(r"calls: invoke=[0-9]+ \(\+([0-9]+)\)[^\n]*get-ids", out)
        if "max_last_invokes" in case and mode == "idle":
            check(calls, "no calls line")
            check(int(calls[-1]) < case["max_last_invokes"],
                  f"{calls[-1]} Invoke calls, expected fewer than {case['max_last_invokes']}")
        if case.get("no_repeated_lookups"):
            check("calls: repeated " not in out,
                  "GetIDsOfNames was asked again for a name of the same object")


def deep_profile(wine):
    """A profile nested 200,000 levels deep is refused before anything runs: exit status 2 and
    an error line naming the file and line, where it used to exhaust the stack."""
    profile = wine.work / "deep_profile.json"
    profile.write_text('{"folders":\n' + "[" * 200000 + "\n")
    out = wine.standin(E2E / "host_only.script", "--no-launch", profile=profile, expect=2)
    profile.unlink()
    check(re.search(r"^error: [^\n]*deep_profile\.json:2: arrays and objects nested deeper than "
                    r"64 levels$", out.err, re.M), f"no error line for the nesting:\n{out.err}")
    check(not re.search(r"^addin: ", out, re.M), f"the add-in was loaded:\n{out}")


def layout_persistence(wine, mode):
    """The toolbar layout outlives the host: a first start moves Home to the Standard bar and
    closes the window, which stores the layout; a second start builds the toolbar from it. The
    add-in's key is reset before and after, so that no other test sees the moved button; the
    checks come after the reset, so that a failure leaves nothing behind."""
    home = ADDIN_KEY + r"\Brindle_OutlookAddIn__Home"
    wine.register_softphone(reset_addin_key=True)
    check(not wine.reg("query", home)[0], "a layout for Home is stored before the first start")
    first = wine.standin(E2E / "layout_save.script", f"--on-update={mode}", expect=None)
    home_stored, home_values = wine.reg("query", home)
    mobile_stored, mobile_values = wine.reg(
        "query", ADDIN_KEY + r"\Brindle_OutlookAddIn__Mobile", "/v", "CommandBarName")
    stored = wine.reg_export(ADDIN_KEY)
    print(home_values + mobile_values)
    second = wine.standin(E2E / "layout_restore.script", f"--on-update={mode}", expect=None)
    wine.register_softphone(reset_addin_key=True)
    home_left = wine.reg("query", home)[0]

    check(not home_left, "the reset left the layout for Home")
    check(first.status == 0 and second.status == 0,
          f"exit status {first.status} and {second.status}, expected 0 and 0")
    expect_file(first, E2E / "layout_save.expected", "the first start's transcript")
    expect_clean_shutdown(first)
    # All that is stored is tessaly-sim's for the same script.
    expect_layout(stored or "", E2E / "layout_save.layout", f"{mode} mode")
    # What the first start stored for Home, and for a button left on the add-in's toolbar.
    check(home_stored and mobile_stored,
          "the first start stored no layout for Home or Mobile")
    for value in ("Exists +REG_DWORD +0x1", "CommandBarName +REG_SZ +Standard",
                  "BeforePos +REG_SZ +4", "Visible +REG_SZ +True"):
        check(re.search(rf"\n +{value}\n", home_values), f'no value matching "{value}" for Home')
    check(re.search(r"\n +CommandBarName +REG_SZ +Brindle\n", mobile_values),
          "Mobile is not stored on the add-in's toolbar")
    expect_file(second, E2E / "layout_restore.expected", "the second start's transcript")
    expect_clean_shutdown(second)


def message_box(wine):
    """Dialing with no softphone installed: the add-in says so in a real message box, which
    the host's watcher reads and dismisses. On a virtual display in a prefix of its own: Wine's
    desktop process belongs to the first program of a prefix and shows windows only on that
    program's display."""
    if not os.environ.get("TESSALY_ON_XVFB"):
        if not shutil.which("xvfb-run"):
            print("skipped: no xvfb-run")
            return 77
        return subprocess.run(["xvfb-run", "-a", sys.executable, *sys.argv],
                              env={**os.environ, "TESSALY_ON_XVFB": "1"}).returncode

    def end_prefix():
        # Nothing started here may outlive this display, nor anything a failed run left.
        subprocess.run(["wineserver", "-k"], env={**os.environ, "WINEPREFIX":
                                                  os.environ["TESSALY_WINEPREFIX"]})
    end_prefix()
    # Without a window manager, Wine waits two seconds for each hidden window to be
    # withdrawn; unmanaged windows go at once.
    wine.tool("reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed", "/t", "REG_SZ",
              "/d", "N", "/f")
    dll = wine.windows_path(wine.config["dll"])
    wine.tool(wine.regsvr32, "/s", dll)
    wine.tool("reg", "delete", ADDIN_KEY, "/f", expect=None)
    softphone_key, _ = wine.reg("query", ADDIN_KEY + r"\Softphone")
    runs = {mode: wine.standin(E2E / "message_box.script", f"--on-update={mode}", expect=None,
                               label=f"-{mode}") for mode in ("idle", "strict")}
    unregistered, _ = wine.tool(wine.regsvr32, "/s", "/u", dll, expect=None)
    end_prefix()

    check(not softphone_key, "a softphone key exists in this prefix; the test needs none")
    for mode, out in runs.items():
        check(out.status == 0, f"{mode} mode: exit status {out.status}, expected 0")
        expect_file(out, E2E / "message_box.expected", f"{mode} mode: transcript")
        expect_clean_shutdown(out)
    check(unregistered == 0, f"regsvr32 /u failed with {unregistered}")


def ribbon_dials_as_toolbar(wine):
    """tessaly-sim's pair of dial scripts through the stand-in host with the real DLL: both
    show the ribbon, give the same launch and message lines, and unload cleanly."""
    outputs = []
    for script in ("dial_toolbar", "dial_ribbon"):
        out = wine.standin(TOOL_SCRIPTS / f"{script}.script", "--no-launch")
        expect_clean_shutdown(out)
        bad = line_matching(r"^(note|ribbon-error|event-error|leak): .*", out)
        check(not bad, f"{script}: {bad}")
        outputs.append(out)
    # Five softphone starts; the two refusals of "/--" are message boxes, which the host sees
    # only on a display (standin_e2e_message_box has one).
    expect_same_dials(*outputs, 5)


# --- The figures ---------------------------------------------------------------------------

def median(values):
    return sorted(values)[len(values) // 2]


def ms(us):
    """Microseconds as milliseconds with one decimal."""
    tenths = (us + 50) // 100
    return f"{tenths // 10}.{tenths % 10} ms"


class SameEachTime(dict):
    """Call counts that every start must repeat: a difference means the figures are not the
    add-in's alone."""

    def __call__(self, name, value):
        check(self.setdefault(name, value) == value,
              f"{name}: {value}, but {self[name]} in an earlier start")


def list_entries(profile, contact):
    """How many entries the combo box lists for `contact`: within each group of numbers, the
    contact's distinct non-blank ones."""
    groups = [["Business", "Business2"], ["Mobile"], ["Home", "Home2"],
              ["Callback", "Car", "Assistant", "CompanyMain"]]
    entries = 0
    for item in (i for i in profile["folders"][0]["items"] if i.get("name") == contact):
        for group in groups:
            numbers = {str(item.get(f"{field}TelephoneNumber", "")).strip() for field in group}
            entries += len(numbers - {""})
    return entries


def invoke_floor(profile, contacts):
    """The Invoke calls a connection makes when each step of the algorithms calls the host
    once for what it needs and nothing is asked twice, counted along their code paths
    (addin/tessaly.cpp, explorer/toolbar_builder.cpp, explorer/contact_numbers.cpp) for a
    profile with no stored layout and the bundled string table.
      Per connection: Application.Explorers, Explorers.Count                              2
      Per window, until the contact:
        Explorers.Item(i), Explorer.CommandBars, CommandBars.AdaptiveMenus = True          3
        the toolbar: CommandBars.Item (failing in a new window), CommandBars.Add            2
        its placement with nothing stored: AdaptiveMenu, Visible, Position                  3
        FindOrAddControl, for each of the five controls: the toolbar's Name, CommandBars.Item
          of that name, the bar's Controls and their Count, CommandBar.FindControl,
          CommandBarControls.Add, the control's Parent, that bar's Name, the control's Index,
          Tag                                                                          5 x 10
          (ShowContacts has neither caption nor pictures in the string table: no call)
        the four buttons: BeginGroup, Caption, Style, TooltipText; Dial, whose face and
          mask exist, also Picture and Mask                                          4 x 4 + 2
        the combo box: TooltipText, Style, DropDownLines, Width                             4
        Dial's Enabled from the combo box's Text (read, set); Protection (read, set)         4
                                                                                     sum  84
      Per window, the contact's numbers (RefreshContactNumbers): Explorer.Selection, its
        Count and Item(1) (the type name comes from the item's type information, not from
        Invoke), the combo box's Clear, the nine number properties, the Enabled of the three
        number buttons, one AddItem per list entry (N), with entries ListCount, ListIndex,
        List(1) and Text, without ListCount and Text, then Text read twice and Dial's Enabled
                                                        3 + 1 + 9 + 3 + N + (4 or 2) + 3"""
    floor = 2
    for contact in contacts:
        n = list_entries(profile, contact)
        floor += 84 + 3 + 1 + 9 + 3 + n + (4 if n else 2) + 3
    return floor


def call_figures(line):
    """"calls: invoke=N (+I) get-ids-of-names=N (+G) repeated-lookups=R" -> (I, G, R)"""
    found = re.search(r"\(\+([0-9]+)\) get-ids-of-names=[0-9]+ \(\+([0-9]+)\) "
                      r"repeated-lookups=([0-9]+)", line)
    check(found, f"not a calls line: {line}")
    return tuple(map(int, found.groups()))


def startup_figures(out, progid):
    """"stats: ProgID: load=L us on-connection=C us" (--stats) -> (L, C)"""
    found = re.search(rf"^stats: {re.escape(progid)}: load=([0-9]+) us on-connection=([0-9]+) "
                      r"us$", out, re.M)
    check(found, f"no startup figures of {progid}")
    return tuple(map(int, found.groups()))


def measurements(wine, runs, setup, windows=20, max_refresh_invokes=60):
    """The host's figures for the add-in's toolbar (--no-ribbon), each beside the least it
    could be: loading the DLL and OnConnection with 1 and with `windows` windows against the
    null add-in's (a DLL that does nothing, loaded the same way); the connection's Invoke calls
    against their floor; the Invoke and GetIDsOfNames calls of one selection refresh on a
    contact with nine numbers and of one dial. Times are medians of `runs` starts, reported,
    never asserted; a selection refresh must cost fewer than `max_refresh_invokes` calls.
    `setup`: register the add-in and the softphone first and remove both at the end, for a
    prefix where nothing else does (the benchmark's)."""
    addins = r"HKCU\Software\Microsoft\Office\Outlook\Addins\BrindleAddin.Tessaly"
    dll, null_dll = (wine.windows_path(wine.config[k]) for k in ("dll", "null_dll"))
    if setup:
        wine.tool(wine.regsvr32, "/s", dll)
        wine.register_softphone()
    profile = json.loads((E2E / "nine_numbers.json").read_text())
    names = ["Alma Reyes", "Bruno Castellani", "Chen Wei", "Dana Ortiz", "Nadia Novak"]
    many_contacts = [names[i % 5] for i in range(windows)]
    many = wine.work / f"measure_{windows}_windows.json"
    many.write_text(json.dumps({**profile, "explorers": [
        {"folder": "Contacts", "selection": [c]} for c in many_contacts]}, indent=1) + "\n")
    record = wine.work / "softphone.txt"
    record.unlink(missing_ok=True)

    def measure(which):
        starts = []
        for run in range(runs):
            one = wine.standin(E2E / "measure_one_window.script", "--stats", "--no-ribbon",
                               profile=E2E / "nine_numbers.json", record=record, expect=None,
                               label=f"-{which}-{run}")
            big = wine.standin(E2E / "measure_many_windows.script", "--stats", "--no-ribbon",
                               profile=many, record=record, expect=None, label=f"-{which}-{run}")
            starts.append((one, big))
        return starts

    ours = measure("ours")
    # The null add-in alone: registered, and ours set not to load, as Outlook's LoadBehavior 0.
    null_registered, _ = wine.tool(wine.regsvr32, "/s", null_dll, expect=None)
    ours_off, _ = wine.tool("reg", "add", addins, "/v", "LoadBehavior", "/t", "REG_DWORD",
                            "/d", "0", "/f", expect=None)
    null = measure("null") if null_registered == 0 and ours_off == 0 else []
    # Put back before judging, so that a failure leaves the prefix as the other tests expect.
    restored, _ = wine.tool("reg", "add", addins, "/v", "LoadBehavior", "/t", "REG_DWORD",
                            "/d", "3", "/f", expect=None)
    null_removed, _ = wine.tool(wine.regsvr32, "/s", "/u", null_dll, expect=None)
    if setup:
        wine.tool("reg", "delete", rf"{ADDIN_KEY}\Softphone\{SOFTPHONE_GUID}", "/f", expect=None)
        wine.tool(wine.regsvr32, "/s", "/u", dll, expect=None)
    check(null_registered == 0 and ours_off == 0, "the null add-in could not be measured alone: "
          f"regsvr32 {null_registered}, LoadBehavior 0: {ours_off}")
    check(restored == 0 and null_removed == 0,
          f"the add-ins' registrations were not put back ({restored}, {null_removed})")

    same = SameEachTime()
    figures = {key: [] for key in ("one_load", "one_connection", "one_total", "many_connection",
                                   "many_total", "null_one_load", "null_one_total",
                                   "null_many_total")}
    for one, big in ours:
        for out in (one, big):
            check(out.status == 0, f"exit status {out.status}, expected 0")
            expect_clean_shutdown(out)
        load, connection = startup_figures(one, "BrindleAddin.Tessaly")
        figures["one_load"].append(load)
        figures["one_connection"].append(connection)
        figures["one_total"].append(load + connection)
        lines = re.findall(r"calls: invoke=[^\n]*", one)
        # The four of the script and the one of --stats.
        check(len(lines) == 5, f"{len(lines)} calls lines, expected 5")
        for step, line in zip(("connect", "refresh", "dial", "notice"), lines):
            same(step, call_figures(line))
        load, connection = startup_figures(big, "BrindleAddin.Tessaly")
        figures["many_connection"].append(connection)
        figures["many_total"].append(load + connection)
        lines = re.findall(r"calls: invoke=[^\n]*", big)
        check(lines, "no calls line")
        same("connect_many", call_figures(lines[0]))
    for one, big in null:
        for size, out in (("one", one), ("many", big)):
            check(out.status == 0, f"exit status {out.status}, expected 0")
            # Between its check and the unload the host notes that the null add-in imports no
            # timer functions; everything else is as for any add-in.
            expect_clean_shutdown(out.replace(
                "\nnote: the add-in imports neither SetTimer nor KillTimer; its timers are not "
                "tracked\n", "\n"))
            check(not re.search(r"^addin: BrindleAddin", out, re.M),
                  "the add-in was loaded beside the null add-in")
            load, connection = startup_figures(out, "Tessaly.NullAddin")
            figures[f"null_{size}_total"].append(load + connection)
            if size == "one":
                figures["null_one_load"].append(load)
    # The Dial button dials the combo box's first entry, once per start of ours.
    expect_recorded(record, [dialed(wine, "+385 1 4800 101")] * runs)

    # The calls above the floor are those of each window's build and refresh: the same for
    # every window, whichever contact it shows and however many windows there are.
    connect, connect_many = same["connect"], same["connect_many"]
    one_floor = invoke_floor(profile, ["Alma Reyes"])
    many_floor = invoke_floor(profile, many_contacts)
    one_excess, many_excess = connect[0] - one_floor, connect_many[0] - many_floor
    check(one_excess >= 0 and many_excess == one_excess * windows,
          "the connection's Invoke calls above the floor are not the same for each window: "
          f"{one_excess} with 1 window ({connect[0]}, floor {one_floor}), {many_excess} with "
          f"{windows} ({connect_many[0]}, floor {many_floor})")

    m = {key: median(values) for key, values in figures.items()}
    each = {key: ", ".join(ms(v) for v in figures[key]) for key in figures}

    def ratio(a, b):
        return f"{a / (b or 1):.2f}"

    def goal(met):
        return "met" if met else "NOT met"

    def calls(f):
        return f"Invoke {f[0]}, GetIDsOfNames {f[1]} (names looked up again on one object: {f[2]})"
    print(f"""
== tessaly-standin measurements (median of {runs} host start(s) each) ==
load + OnConnection, 1 window:   {ms(m['one_total'])} (load {ms(m['one_load'])}, OnConnection \
{ms(m['one_connection'])}); null add-in {ms(m['null_one_total'])} (load {ms(m['null_one_load'])}); \
ratio {ratio(m['one_total'], m['null_one_total'])}, goal within 2: \
{goal(m['one_total'] <= 2 * m['null_one_total'])}
    each start: ours {each['one_total']}; null add-in {each['null_one_total']}
load + OnConnection, {windows} windows: {ms(m['many_total'])} (OnConnection \
{ms(m['many_connection'])}, goal under 50 ms: {goal(m['many_connection'] < 50000)}); null add-in \
{ms(m['null_many_total'])}; ratio {ratio(m['many_total'], m['null_many_total'])}
    each start: ours {each['many_total']}; null add-in {each['null_many_total']}
connection with 1 window:   Invoke calls: {connect[0]} (floor {one_floor}), GetIDsOfNames \
{connect[1]}
connection with {windows} windows: Invoke calls: {connect_many[0]} (floor {many_floor}), \
GetIDsOfNames {connect_many[1]}
    above the floor: {one_excess} per window
calls, one selection refresh on a contact with nine numbers: {calls(same['refresh'])}
calls, one dial (click Dial):      {calls(same['dial'])}
calls, the end of its notice:      {calls(same['notice'])}
""")
    check(same["refresh"][0] < max_refresh_invokes, f"a selection refresh costs "
          f"{same['refresh'][0]} Invoke calls, expected fewer than {max_refresh_invokes}")


def ribbon_measurements(wine, runs):
    """The ribbon's cost beside the toolbar's (--no-ribbon), with the real DLL: OnConnection
    and the ribbon's load right after it (medians), the Invoke and GetIDsOfNames calls the
    add-in makes into the host for the connection, a selection refresh on a contact with nine
    numbers, a dial and the end of its notice, and the host's calls of the add-in's ribbon
    callbacks. Figures are printed, never held to a time; every start counts the same calls."""
    steps = ("the connection", "one selection refresh", "one dial (click Dial)",
             "the end of its notice")

    def figures(out, prefix=""):
        return re.findall(rf"calls: {prefix}invoke=[0-9]+ \(\+([0-9]+)\) get-ids-of-names=[0-9]+ "
                          r"\(\+([0-9]+)\)", out)

    same = SameEachTime()
    times = {"ribbon": [], "toolbar": [], "load": []}
    for variant in ("ribbon", "toolbar"):
        args = ["--no-launch"] + (["--no-ribbon"] if variant == "toolbar" else [])
        for run in range(runs):
            out = wine.standin(E2E / "measure_one_window.script", *args,
                               profile=E2E / "nine_numbers.json", label=f"-{variant}-{run}")
            connection = re.search(r"^startup: OnConnection took ([0-9]+) ms$", out.raw, re.M)
            check(connection, "no OnConnection time")
            times[variant].append(int(connection.group(1)))
            expect_clean_shutdown(out)
            host = figures(out)
            check(len(host) == 4, f"{len(host)} calls lines, expected 4")
            same(f"{variant}_host", host)
            if variant == "ribbon":
                load = re.search(r"\nstartup: the ribbon took ([0-9]+) ms\n", out.raw)
                check(load, "no time for the ribbon's load")
                times["load"].append(int(load.group(1)))
                same("callbacks", figures(out, "ribbon callbacks "))
            else:
                ribbon = line_matching(r"^ribbon [0-9]+: .*", out)
                check(not ribbon, f"--no-ribbon shows a ribbon: {ribbon}")

    def calls(f):
        return f"Invoke {f[0]}, GetIDsOfNames {f[1]}"
    rows = "\n".join(
        f"  {step + ':':31}{calls(same['ribbon_host'][i])} with the ribbon, "
        f"{calls(same['toolbar_host'][i])} without; callbacks called: {calls(same['callbacks'][i])}"
        for i, step in enumerate(steps))
    each = {key: " ".join(map(str, values)) for key, values in times.items()}
    print(f"""
== tessaly-standin: the ribbon beside the toolbar (one window, median of {runs} starts) ==
OnConnection with the ribbon:        {median(times['ribbon'])} ms   (each start: {each['ribbon']})
OnConnection, toolbar only:          {median(times['toolbar'])} ms   (each start: {each['toolbar']})
the ribbon's load after OnConnection: {median(times['load'])} ms   (each start: {each['load']})
   (GetCustomUI, the XML parsed, callbacks resolved, onLoad, the first queries;
    Outlook's limit for an add-in's start: 1000 ms)
calls into the host (Outlook allows 10,000 a second):
{rows}
""")


MENU_STEPS = ("the connection", "select a contact (Bruno Castellani)",
              "right-click Bruno Castellani", "drop the contact's Dial menu",
              "switch to the Inbox", "select a mail (a)", "select a mail (c)",
              "right-click a mail (a)", "drop: (a) sender is a contact",
              "right-click a mail (b)", "drop: (b) an Exchange user",
              "right-click a mail (c)", "drop: (c) found by address")


def many_contacts_profile(path, count):
    """menus.json with `count` more contacts, none of whom wrote a mail, before the others."""
    profile = json.loads((E2E / "menus.json").read_text())
    contacts = next(f for f in profile["folders"] if f["name"] == "Contacts")
    contacts["items"][:0] = [{"type": "ContactItem", "name": f"Contact {i:05}",
                              "BusinessTelephoneNumber": f"+44 20 7946 {i % 10000:04}",
                              "Email1Address": f"contact{i}@example.net"} for i in range(count)]
    path.write_text(json.dumps(profile) + "\n")
    return path


def menu_measurements(wine, runs, contacts=10000):
    """The dial menus' cost beside the toolbar's selection refresh: for each step of
    measure_menus.script the add-in's Invoke calls into the host, and for a drop the time
    the host spent in the add-in's getContent (median of `runs` starts), with the bundled
    contacts and with `contacts` more. Held to: each start makes the same calls; a larger
    Contacts folder changes no count; a drop through (c) makes one Items.Find. Times are printed, never held."""
    profiles = {"small": E2E / "menus.json",
                "large": many_contacts_profile(wine.work / "many_contacts.json", contacts)}
    same = SameEachTime()
    times = {name: [] for name in profiles}
    for name, profile in profiles.items():
        for run in range(runs):
            trace = wine.work / f"menus-{name}-{run}.trace"
            trace.unlink(missing_ok=True)
            out = wine.standin(E2E / "measure_menus.script", "--no-launch", "--stats", "--trace",
                               wine.windows_path(trace), profile=profile,
                               label=f"-{name}-{run}")
            expect_clean_shutdown(out)
            host = re.findall(r"calls: invoke=[0-9]+ \(\+([0-9]+)\)", out)
            spent = re.findall(r"calls: ribbon callbacks [^\n]* time=[0-9]+ us \(\+([0-9]+) us\)",
                               out)
            # One line per step (--stats adds its own at the end).
            check(len(host) > len(MENU_STEPS) and len(spent) >= len(MENU_STEPS),
                  f"{len(host)} and {len(spent)} calls lines, expected {len(MENU_STEPS)}")
            host, spent = host[:len(MENU_STEPS)], spent[:len(MENU_STEPS)]
            same("host calls", host)
            times[name].append([int(us) for us in spent])
            traced = trace.read_text().replace("\r", "")
            finds = re.findall(r"^call Items\.Find\(", traced, re.M)
            check(len(finds) == 1, f"{len(finds)} Items.Find calls, expected 1 (in {trace})")
    steps = "\n".join(
        f"  {step + ':':38}Invoke {same['host calls'][i]:>3}" +
        (f"   getContent {ms(median([t[i] for t in times['small']]))}, with "
         f"{contacts:,} more contacts {ms(median([t[i] for t in times['large']]))}"
         if step.startswith("drop") else "")
        for i, step in enumerate(MENU_STEPS))
    print(f"""
== tessaly-standin: the dial menus beside the toolbar (median of {runs} starts) ==
calls into the host per step, the same with {contacts:,} more contacts; a drop's time:
{steps}
""")


# --- Registration -------------------------------------------------------------------------

def registration_cycle(wine):
    """The real regsvr32 in the prefix, each time followed by the checker reading the registry
    back: register, unregister, unregister what is no longer there, and the same through
    DllInstall (/n /i:user). One test, since each step needs the one before it."""
    dll, checker = wine.windows_path(wine.config["dll"]), wine.config["registration_check"]
    steps = [("register", [wine.regsvr32, "/s", dll]),
             ("registered", [checker, "registered", dll]),
             ("unregister", [wine.regsvr32, "/s", "/u", dll]),
             ("unregistered", [checker, "unregistered"]),
             ("unregister_again", [wine.regsvr32, "/s", "/u", dll]),
             ("user_install", [wine.regsvr32, "/s", "/n", "/i:user", dll]),
             ("user_installed", [checker, "registered", dll]),
             ("user_uninstall", [wine.regsvr32, "/s", "/u", "/n", "/i:user", dll]),
             ("user_uninstalled", [checker, "unregistered"])]
    for name, command in steps:
        status, out = wine.tool(*command, expect=None)
        check(status == 0, f"{name}: status {status}, expected 0\n{out}")
        print(f"{name}: passed")


def interface_key(wine, mode):
    """The host's add-in interface belongs to another library: registering and unregistering
    the add-in leave an Interface key that library made byte for byte as it was (mode
    "foreign"), and make none where there was none ("none"). Wine registers type libraries
    machine-wide and Windows per user, so the key is checked under both roots."""
    iid = "{B65AD801-ABAF-11D0-BB8B-00A0C90F2744}"
    roots = [r"HKCU\Software\Classes", r"HKLM\Software\Classes"]

    def import_keys(make):
        # One import removes the keys of both roots, or removes and makes them again as
        # another product's type library registers them; a marker names the root, so that a
        # copy from one root to the other shows too.
        blocks = []
        for root in ("HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"):
            key = rf"{root}\Software\Classes\Interface\{iid}"
            blocks.append(f"[-{key}]\n")
            if make:
                blocks += [f'[{key}]\n@="IDTExtensibility2"\n"Marker"="{root}"\n',
                           f"[{key}\\ProxyStubClsid32]\n"
                           '@="{00020424-0000-0000-C000-000000000046}"\n',
                           f'[{key}\\TypeLib]\n@="{{AC0714F2-3D04-11D1-AE7D-00A0C90F26F4}}"\n'
                           '"Version"="1.0"\n']
        wine.reg_import(reg_text(*blocks))

    def snapshot(expected=None):
        """The key as exported under each root (None: absent), and, when that is not
        `expected`, a listing to show."""
        keys = {root: wine.reg_export(rf"{root}\Interface\{iid}") for root in roots}
        listing = ""
        for root, text in keys.items() if keys != expected else ():
            listing += f"{root}:\n"
            listing += (wine.tool("reg", "query", rf"{root}\Interface\{iid}", "/s")[1]
                        if text is not None else "absent\n")
        return keys, listing

    import_keys(mode == "foreign")
    before, before_text = snapshot()
    registered_status, _ = wine.tool(wine.regsvr32, "/s", wine.windows_path(wine.config["dll"]),
                                     expect=None)
    typelib, _ = wine.reg("query", r"HKCR\TypeLib\{BC59B8F3-285E-489D-B844-DBF403C984A9}")
    registered, registered_text = snapshot(before)
    unregistered_status, _ = wine.tool(wine.regsvr32, "/s", "/u",
                                       wine.windows_path(wine.config["dll"]), expect=None)
    unregistered, unregistered_text = snapshot(before)
    # Cleaned up before judging, so that a failure leaves no foreign key for later tests.
    import_keys(False)

    check(registered_status == 0 and unregistered_status == 0,
          f"regsvr32: status {registered_status}, /u: {unregistered_status}")
    check(typelib, "the add-in's type library was not registered")
    if mode == "foreign":
        check(None not in before.values(), f"the foreign keys were not made:\n{before_text}")
    else:
        check(set(before.values()) == {None}, f"the key exists before the test:\n{before_text}")
    for what, after, after_text in (("registering", registered, registered_text),
                                    ("unregistering", unregistered, unregistered_text)):
        check(after == before, f"{what} changed the key:\n" +
              diff(before_text, after_text, "before", f"after {what}"))
    print(before_text)


def remade_prefix(wine):
    """tools/wine-run.sh makes a prefix anew when another Wine made it (as one made before
    Wine's 32-bit half was installed, which no longer starts), and keeps one its own Wine made."""
    prefix = wine.work / "wineprefix-stale"
    shutil.rmtree(prefix, ignore_errors=True)
    prefix.mkdir(parents=True)
    (prefix / ".tessaly-ready").write_text("wine-0.0 win64\n")
    (prefix / "left-by-the-old-wine").write_text("")

    def run():
        # No keeper: nothing may still run in the prefix when it is removed at the end.
        done = subprocess.run(
            [wine.config["wine_run"], r"C:\windows\system32\cmd.exe", "/c", "exit", "3"],
            env={**os.environ, "TESSALY_WINEPREFIX": str(prefix), "TESSALY_WINE_KEEP_WARM": "0"},
            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        return done.returncode, done.stderr

    status, err = run()
    check(status == 3, f"a program in the remade prefix ended with {status}, not 3:\n{err}")
    check("making it anew" in err and not (prefix / "left-by-the-old-wine").exists(),
          f"the prefix of another Wine was kept:\n{err}")
    marker = (prefix / ".tessaly-ready").read_text()
    check("wine-0.0" not in marker, f"the remade prefix still names the old Wine: {marker}")
    status, err = run()
    check(status == 3 and "making it anew" not in err,
          f"the prefix of this Wine was made again (status {status}):\n{err}")
    shutil.rmtree(prefix)


# --- The installer package ----------------------------------------------------------------

ADD_IN_KEYS = [r"Software\Classes\BrindleAddin.Tessaly",
               r"Software\Classes\CLSID\{77A93BD5-642A-486A-95E4-93077930DBAE}",
               r"Software\Classes\TypeLib\{BC59B8F3-285E-489D-B844-DBF403C984A9}",
               r"Software\Classes\Interface\{C790B70A-AF7A-4EFE-96F2-1B4238FBD19B}",
               r"Software\Classes\Interface\{16193E2F-2A3D-4B74-82E4-E23294F52825}",
               r"Software\Microsoft\Office\Outlook\Addins\BrindleAddin.Tessaly"]


def msiexec(wine, *args, expect=0):
    return wine.tool("msiexec", *args, "/qn", expect=expect)[0]


def users(wine):
    return Path(os.environ["TESSALY_WINEPREFIX"]) / "drive_c/users"


def snapshot(wine):
    """The whole of HKEY_CURRENT_USER as `reg export` writes it and every file and folder of the
    profiles (their names, the files' sizes), for comparing before and after."""
    hive = wine.reg_export("HKCU", "hkcu.reg").replace("\r", "")
    # Wine's own bookkeeping of window positions and start-up times changes with every start.
    hive = re.sub(r"\n\[[^]\n]*\\Wine\\(Explorer|WineDbg)[^]\n]*\][^[]*", "\n", hive)
    tree = []
    for entry in sorted(users(wine).rglob("*"), key=str):  # not into the symbolic links
        name = str(entry.relative_to(users(wine)))
        # The profile's folders that Wine links to the Unix home are not the profile's.
        tree.append(f"{name} ->" if entry.is_symlink() else f"{name}/" if entry.is_dir()
                    else f"{name} {entry.stat().st_size}")
    return hive + "\n--- files\n" + "\n".join(tree) + "\n"


def expect_same_snapshot(before, after, what):
    check(before == after, f"{what} left a trace:\n" + diff(before, after, "before", "after"))


def add_in_registry(wine):
    """The add-in's keys under the user's and the machine's classes, the root left out: Windows
    registers the type library for the user, Wine for the machine."""
    text = ""
    for key in ADD_IN_KEYS:
        for root in ["HKCU"] + (["HKLM"] if key.startswith("Software\\Classes\\") else []):
            found, listing = wine.reg("query", f"{root}\\{key}", "/s")
            if found:
                text += re.sub(r"HKEY_(CURRENT_USER|LOCAL_MACHINE)\\", "", listing)
    return text


def uninstall_every_build(wine):
    """Removes the add-in's package whichever build made it. Each build's package has a product
    code of its own: one an earlier run installed and did not remove (stopped, or failing
    before its msiexec /x) stays installed beside this build's, sharing its components, so
    that removing this build's leaves them."""
    for root in (r"HKLM\Software", r"HKLM\Software\Wow6432Node"):
        _, listing = wine.reg("query", root + r"\Microsoft\Windows\CurrentVersion\Uninstall", "/s")
        for code in re.findall(r"^HKEY[^\n]*\\(\{[-0-9A-F]{36}\})\n(?: [^\n]*\n)*? +DisplayName +"
                               r"REG_SZ +Tessaly Outlook Add-In$", listing, re.M | re.I):
            msiexec(wine, "/x", code, expect=None)


def install_cycle(wine):
    """The per-user package under Wine's msiexec: it installs without administrator rights,
    writes what regsvr32 of the same DLL writes, upgrades a lower version in place, refuses a
    downgrade, and uninstalling leaves the user's hive and profile as they were."""
    dll_dir = Path(wine.config["dll"]).parent
    packages = {"current": wine.windows_path(wine.config["msi"])}
    for name, version in (("older", "1.0.1"), ("newer", "9.0.0")):
        output = wine.work / f"tessaly-{version}.msi"
        done = subprocess.run([*wine.config["wixl"], "-D", f"ProductVersion={version}", "-o",
                               str(output)], cwd=dll_dir, capture_output=True, text=True)
        check(done.returncode == 0, f"wixl {version}: {done.stderr}")
        packages[name] = wine.windows_path(output)
    current, older, newer = packages["current"], packages["older"], packages["newer"]
    # Whatever an earlier run that failed or was stopped left behind goes first: its packages,
    # and the DLL it registered with regsvr32 at the package's place, which the package would
    # take over on install and then leave behind.
    uninstall_every_build(wine)
    for folder in users(wine).glob("*/AppData/Local/Wrenfield"):
        for dll in folder.glob("Tessaly/TessalyOutlook.dll"):
            wine.tool(wine.regsvr32, "/s", "/u", wine.windows_path(dll), expect=None)
        shutil.rmtree(folder)
    before = snapshot(wine)

    msiexec(wine, "/i", current)
    installed = list(users(wine).glob("*/AppData/Local/Wrenfield/Tessaly/TessalyOutlook.dll"))
    check(installed, "no TessalyOutlook.dll under AppData\\Local\\Wrenfield\\Tessaly")
    installed = installed[0]
    by_package = add_in_registry(wine)
    msiexec(wine, "/x", current)
    expect_same_snapshot(before, snapshot(wine), "msiexec /x")

    # The same DLL at the same place, registered by regsvr32: the same values.
    installed.parent.mkdir(parents=True, exist_ok=True)
    shutil.copy(wine.config["dll"], installed)
    dll = "C:\\" + str(installed.relative_to(users(wine).parent)).replace("/", "\\")
    wine.tool(wine.regsvr32, "/s", dll)
    by_regsvr32 = add_in_registry(wine)
    wine.tool(wine.regsvr32, "/s", "/u", dll)
    shutil.rmtree(installed.parent.parent)
    check(by_package == by_regsvr32, "the package writes other values than regsvr32:\n" +
          diff(by_regsvr32, by_package, "by regsvr32", "by the package"))
    expect_same_snapshot(before, snapshot(wine), "regsvr32 /u")

    # A lower version is upgraded in place: after removing the current one, nothing is left.
    msiexec(wine, "/i", older)
    msiexec(wine, "/i", current)
    msiexec(wine, "/x", current)
    expect_same_snapshot(before, snapshot(wine), "an upgrade from 1.0.1 and msiexec /x")

    # A downgrade is refused and leaves the newer version installed.
    msiexec(wine, "/i", newer)
    downgrade = msiexec(wine, "/i", current, expect=None)
    still_there = installed.exists()
    msiexec(wine, "/x", newer)
    after = snapshot(wine)
    check(downgrade != 0, f"installing {wine.config['msi']} over 9.0.0 succeeded")
    check(still_there, "the refused downgrade removed the installed DLL")
    expect_same_snapshot(before, after, "a refused downgrade and msiexec /x")
    print(f"by the package and by regsvr32:\n{by_package}")


def installed_standin(wine):
    """The stand-in host loads the add-in the package installed, as Outlook finds it (nothing
    registered by hand), and a click dials with the exact command line."""
    package = wine.windows_path(wine.config["msi"])
    uninstall_every_build(wine)
    record = wine.work / "softphone.txt"
    record.unlink(missing_ok=True)
    msiexec(wine, "/i", package)
    wine.register_softphone()
    out = wine.standin(E2E / "dial.script", record=record, expect=None)
    # Undone before judging, so that a failure leaves the prefix as it was.
    wine.tool("reg", "delete", r"HKCU\Software\Wrenfield", "/f", expect=None)
    uninstalled = msiexec(wine, "/x", package, expect=None)

    check(out.status == 0, f"the stand-in host ended with status {out.status}")
    check(re.search(r"^addin: [^\n]*loading DLL$", out, re.M), "the stand-in host loaded no add-in")
    expect_clean_shutdown(out)
    expect_recorded(record, [dialed(wine, "+44 7700 900101")])
    check(uninstalled == 0, f"msiexec /x: status {uninstalled}")


# --- tessaly-sim on Linux, held to the stand-in host's scenarios --------------------------

def sim(path, registry, script, *args):
    """tessaly-sim's status, standard output and error."""
    done = subprocess.run([path, "--no-launch", "--registry", str(registry), *args, "--script",
                           str(script)], capture_output=True, text=True)
    return done.returncode, done.stdout, done.stderr


def fake_softphone(work):
    """A softphone for tessaly-sim's registry: only a file that exists."""
    softphone = work / "softphone/recorder.exe"
    softphone.parent.mkdir(parents=True, exist_ok=True)
    softphone.touch()
    return softphone


def sim_same_as_standin(path, work):
    """tessaly-sim on the stand-in host's scenarios, in both OnUpdate modes, held to what the
    stand-in host is held to: the `show` lines (the ribbon's too), the `launch:` and `message:`
    lines of the scenario's transcript, and the toolbar layout stored in the registry."""
    softphone = fake_softphone(work)
    for mode in ("idle", "strict"):
        registry = work / f"same-{mode}.reg"

        def run(name, profile=None, softphone_registered=True, keep_registry=False):
            if not keep_registry:
                registry.write_text(softphone_reg(str(softphone)) if softphone_registered
                                    else reg_text())
            status, out, err = sim(path, registry, E2E / f"{name}.script", f"--on-update={mode}",
                                   *(["--profile", str(E2E / profile)] if profile else []))
            out += err
            check(status == 0, f"{name} ({mode}): exit status {status}:\n{out}")
            failed = line_matching(r"^event-error: .*", out)
            check(not failed, f"{name} ({mode}): an event handler failed: {failed}")
            expect_same_lines(out, E2E / f"{name}.expected", f"{name} ({mode})")
            return out

        run("dial")
        run("two_windows", "two_windows.json")
        run("ribbon", "two_windows.json")
        run("bars_not_ready", "bars_not_ready.json")
        run("message_box", softphone_registered=False)
        run("customized_toolbar", "nine_numbers.json")
        run("contact_menus", "menus.json")
        run("mail_menus", "menus.json")
        # One start stores the layout, the next builds from it.
        run("layout_save")
        expect_layout(registry.read_text(), E2E / "layout_save.layout", f"layout_save ({mode})")
        run("layout_restore", keep_registry=True)
        print(f"{mode}: the same as the stand-in host's transcripts and layouts")


def sim_dials(path, work):
    """tessaly-sim's dial scripts from the toolbar and from the ribbon give the same softphone
    starts and messages; the program itself stands in for the softphone's executable."""
    outputs = []
    for script in ("dial_toolbar", "dial_ribbon"):
        registry = work / "same_dial.reg"
        registry.write_text(softphone_reg(path))
        status, out, err = sim(path, registry, TOOL_SCRIPTS / f"{script}.script")
        out += err
        check(status == 0 and not re.search(r"(note|ribbon-error|event-error):", out),
              f"{script}: exit status {status}:\n{out}")
        outputs.append(out)
    # Five softphone starts and the two messages of the refused "/--".
    expect_same_dials(*outputs, 6)


def faults_agree(wine, sims, jobs=3):
    """tessaly-sim (the newest of `sims` built) and the stand-in host with the real DLL run
    faults.script without a fault, then with --fail OP:1 for each operation the add-in's calls
    go through there (in order of first use in tessaly-sim's trace), and must agree each time
    on the comparable lines, which event handlers failed and how the run ended: normally, a
    call into the add-in failing (status 1), or the stand-in host's shutdown check finding
    what the add-in left behind (3). The stand-in host sees the add-in's message boxes only on
    a display: a fault after which tessaly-sim shows one shows as a disagreement."""
    built = [path for path in sims if os.access(path, os.X_OK)]
    if not built:
        print("skipped: no tessaly-sim of the Linux build (build the linux or linux-asan preset)")
        return 77
    path = max(built, key=os.path.getmtime)
    print(f"tessaly-sim: {path}")
    script = E2E / "faults.script"
    regsvr32(wine)
    wine.register_softphone(reset_addin_key=True)
    hive = softphone_reg(str(fake_softphone(wine.work)))

    def in_sim(name, *args):
        registry = wine.work / f"sim-{name}.reg"  # each run its own: tessaly-sim writes to it
        registry.write_text(hive)
        return sim(path, registry, script, *args)

    trace = wine.work / "trace.txt"
    status, out, err = in_sim("trace", "--trace", str(trace))
    check(status == 0, f"tessaly-sim without a fault: status {status}\n{out}{err}")
    operations = []
    for call in re.finditer(r"^call ([A-Za-z_]\w*\.[A-Za-z_]\w*)( = )?", trace.read_text(), re.M):
        operation = call.group(1) + ("=" if call.group(2) else "")
        if operation not in operations:
            operations.append(operation)

    def ending(status):
        return {0: "the run ended normally", 1: "a call into the add-in failed"}.get(
            status, f"exit status {status}")

    def compare(index, operation):
        """None when both hosts agree on the run, else what tells them apart."""
        args = ["--fail", f"{operation}:1"] if operation else []
        sim_status, sim_out, sim_err = in_sim(index, *args)
        theirs = wine.standin(script, "--no-launch", *args, expect=None, label=f"-{index}")
        ours = comparable_lines(sim_out, True) + [ending(sim_status)]
        standin = comparable_lines(theirs.raw, True) + [ending(theirs.status)]
        if ours == standin:
            return None
        return (f"{diff(ours, standin, 'tessaly-sim', 'stand-in host')}\n--- tessaly-sim's "
                f"transcript:\n{sim_out}{sim_err}--- the stand-in host's transcript:\n"
                f"{theirs.raw}{theirs.err}")

    runs = [None] + operations
    # The stand-in host's runs share the prefix; each starts while others run in Wine.
    with concurrent.futures.ThreadPoolExecutor(max_workers=jobs) as pool:
        results = list(pool.map(compare, range(len(runs)), runs))
    different = [f"with {'--fail ' + operation + ':1' if operation else 'no fault'}:\n{what}"
                 for operation, what in zip(runs, results) if what]
    print(f"no fault and {len(operations)} operations failing once each: "
          f"{len(runs) - len(different)} of {len(runs)} runs agree")
    check(not different, "tessaly-sim and the stand-in host differ " + "\n".join(different))


# --- Command line -------------------------------------------------------------------------

def regsvr32(wine, *options):
    wine.tool(wine.regsvr32, "/s", *options, wine.windows_path(wine.config["dll"]))


MODES = dict(choices=["idle", "strict"])
RUNS = dict(flags="--runs", type=int, default=1, help="host starts per figure (their median)")
# name: what it runs (given the Wine and the arguments; Linux: no Wine), what it tests, and
# its arguments
COMMANDS = {
    "e2e": (lambda w, a: scenario(w, a.scenario), "one stand-in host scenario, idle and strict",
            [dict(flags="scenario", choices=SCENARIOS)]),
    "deep-profile": (lambda w, a: deep_profile(w), "a profile nested too deep is refused", []),
    "layout-persistence": (lambda w, a: layout_persistence(w, a.mode),
                           "the layout one host start stores, the next builds",
                           [dict(flags="mode", **MODES)]),
    "message-box": (lambda w, a: message_box(w), "the real message box, on a virtual display",
                    []),
    "dials-as-toolbar": (lambda w, a: ribbon_dials_as_toolbar(w),
                         "the ribbon's dials as the toolbar's", []),
    "measurements": (lambda w, a: measurements(w, a.runs, a.setup), "the host's figures",
                     [RUNS, dict(flags="--setup", action="store_true",
                                 help="register the add-in and the softphone first")]),
    "ribbon-measurements": (lambda w, a: ribbon_measurements(w, a.runs),
                            "the ribbon's figures beside the toolbar's", [RUNS]),
    "menu-measurements": (lambda w, a: menu_measurements(w, a.runs),
                          "the dial menus' figures beside the toolbar's", [RUNS]),
    "registration-cycle": (lambda w, a: registration_cycle(w), "regsvr32 and the registry", []),
    "interface-key": (lambda w, a: interface_key(w, a.mode),
                      "another library's interface key stays as it was",
                      [dict(flags="mode", choices=["foreign", "none"])]),
    "remade-prefix": (lambda w, a: remade_prefix(w), "tools/wine-run.sh remakes a stale prefix",
                      []),
    "install-cycle": (lambda w, a: install_cycle(w), "the package's install, upgrade, removal",
                      []),
    "installed-standin": (lambda w, a: installed_standin(w), "the installed add-in dials", []),
    "register": (lambda w, a: regsvr32(w), "register the add-in in the prefix", []),
    "register-softphone": (lambda w, a: w.register_softphone(),
                           "register the recorder as the softphone", []),
    "unregister": (lambda w, a: regsvr32(w, "/u"), "unregister the add-in", []),
    "faults-agree": (lambda w, a: faults_agree(w, a.sim),
                     "tessaly-sim and the stand-in host under each failing Outlook call",
                     [dict(flags="--sim", action="append", default=[],
                           help="a Linux build's tessaly-sim (the newest built is run)")]),
    "sim-same-as-standin": (lambda w, a: sim_same_as_standin(a.sim, a.work),
                            "Linux: tessaly-sim on the host's scenarios",
                            [dict(flags="--sim", required=True)]),
    "sim-dials": (lambda w, a: sim_dials(a.sim, a.work),
                  "Linux: tessaly-sim's ribbon dials as its toolbar's",
                  [dict(flags="--sim", required=True)]),
}


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--config", type=Path,
                        help="the Windows build's tests/wine/wine_test.json")
    parser.add_argument("--work", type=Path, required=True, help="a scratch folder of the test")
    commands = parser.add_subparsers(dest="command", required=True, metavar="COMMAND")
    for name, (_, what, arguments) in COMMANDS.items():
        command = commands.add_parser(name, help=what)
        for argument in arguments:
            argument = dict(argument)
            command.add_argument(argument.pop("flags"), **argument)
    args = parser.parse_args()
    args.work.mkdir(parents=True, exist_ok=True)
    wine = None
    if not args.command.startswith("sim-"):
        check(args.config, f"{args.command} needs --config")
        wine = Wine(json.loads(args.config.read_text()), args.work)
    return COMMANDS[args.command][0](wine, args) or 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except Failure as failure:
        print(f"FAILED: {failure}", file=sys.stderr)
        sys.exit(1)
