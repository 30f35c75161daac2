#!/usr/bin/env python3
"""Holds tessaly-sim and the stand-in host to the same transcript under each single failing
Outlook call.

Runs SCRIPT once in tessaly-sim with --trace to learn every operation the add-in's calls go
through; then, without a fault and with --fail OP:1 for each operation OP, runs SCRIPT in both
hosts and compares what the user sees: the `show` lines and the `launch:` and `message:`
lines, made comparable as same_lines.cmake does; which event handlers failed; and whether a
call into the add-in failed (exit status 1). The wording of error messages is not compared.
The stand-in host sees the add-in's message boxes only on a display: without one, a fault
that makes the add-in show one in tessaly-sim shows as a disagreement.
The stand-in host's shutdown check must pass after every run: its exit status 3 (the add-in
left objects, connections or timers behind) is a disagreement too.

Usage: same_faults.py --sim PATH [--sim PATH ...] --standin EXE --wine-run PATH --dll WINPATH
                      --regsvr32 PROGRAM --softphone WINPATH --script FILE --work DIR [--jobs N]
The newest existing --sim is used (the Linux build makes it; without one the check is skipped,
exit status 77). TESSALY_WINEPREFIX names the Wine prefix, in which the DLL and the softphone
are registered first. Exit status 0 when every run agrees, 1 otherwise.
"""
import argparse
import concurrent.futures
import difflib
import os
import re
import subprocess
import sys
import time

SOFTPHONE_KEY = ("HKCU\\Software\\Wrenfield\\Brindle Outlook AddIn\\Softphone\\"
                 "{6F1A2B3C-4D5E-4F60-8172-93A4B5C6D7E8}")
ADDIN_KEY = "HKCU\\Software\\Wrenfield\\Brindle Outlook AddIn"
# same_lines.cmake's comparable lines: show (window headers, indented lines, ribbon lines),
# launch and message; the softphone's path differs between the two hosts' registries.
SHOWN = re.compile(r"^(window [0-9]+:|  |ribbon [0-9]+: |launch: |launch failed: |message: )")
SOFTPHONE_PATH = re.compile(r"^(launch(?: failed)?: )[^\n]*recorder\.exe ")
EVENT_ERROR = re.compile(r"^(event-error: [^:]+):")
CALL = re.compile(r"^call ([A-Za-z_]\w*\.[A-Za-z_]\w*)( = )?")


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def start(command):
    return subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                            stdin=subprocess.DEVNULL)


def finish(process, timeout=120):
    """Exit status, standard output and standard error, line ends made comparable."""
    out, err = process.communicate(timeout=timeout)
    return process.returncode, out.decode("utf-8", "replace").replace("\r", ""), \
        err.decode("utf-8", "replace").replace("\r", "")


def run(command):
    return finish(start(command))


def comparable(status, out):
    """What both hosts must agree on, from one run's exit status and standard output."""
    lines = []
    for line in out.split("\n"):
        if SHOWN.match(line):
            lines.append(SOFTPHONE_PATH.sub(r"\1RECORDER ", line))
        elif EVENT_ERROR.match(line):
            lines.append(EVENT_ERROR.match(line).group(1))
    ending = {0: "the run ended normally", 1: "a call into the add-in failed"}
    lines.append(ending.get(status, f"exit status {status}"))
    return lines


class Hosts:
    def __init__(self, args, sim):
        self.args = args
        self.sim = sim
        self.script_windows = windows_path(args.script)
        os.makedirs(args.work, exist_ok=True)
        softphone = os.path.join(args.work, "softphone", "recorder.exe")
        os.makedirs(os.path.dirname(softphone), exist_ok=True)
        open(softphone, "a").close()
        key = SOFTPHONE_KEY.replace("HKCU\\", "HKEY_CURRENT_USER\\", 1)
        self.hive = ("Windows Registry Editor Version 5.00\n\n"
                     f"[{key}]\n\"AppPath\"=\"{softphone}\"\n")

    def wine(self, *command):
        return run([self.args.wine_run, *command])

    def register(self):
        """The add-in and the softphone, registered as the stand-in's tests do, no layout."""
        for step in ([self.args.regsvr32, "/s", self.args.dll],
                     ["reg", "delete", ADDIN_KEY, "/f"],
                     ["reg", "add", SOFTPHONE_KEY, "/v", "AppPath", "/t", "REG_SZ", "/d",
                      self.args.softphone, "/f"]):
            status, out, err = self.wine(*step)
            if status != 0 and step[1] != "delete":
                sys.exit(f"same_faults: {' '.join(step)}: status {status}\n{out}{err}")

    def in_sim(self, name, extra):
        """tessaly-sim, started on a registry of its own."""
        registry = os.path.join(self.args.work, f"sim-{name}.reg")
        with open(registry, "w") as file:
            file.write(self.hive)
        return start([self.sim, "--no-launch", "--registry", registry, "--script",
                      self.args.script, *extra])

    def in_standin(self, extra):
        return self.wine(self.args.standin, "--no-launch", "--script", self.script_windows,
                         *extra)

    def operations(self):
        """Every operation the add-in's calls go through in the script, in order of first use."""
        trace = os.path.join(self.args.work, "trace.txt")
        status, out, err = finish(self.in_sim("trace", ["--trace", trace]))
        if status != 0:
            sys.exit(f"same_faults: tessaly-sim without a fault: status {status}\n{out}{err}")
        found = []
        with open(trace) as file:
            for line in file:
                match = CALL.match(line)
                if match:
                    operation = match.group(1) + ("=" if match.group(2) else "")
                    if operation not in found:
                        found.append(operation)
        return found

    def compare(self, index, operation):
        """None when both hosts agree on the run, else what tells them apart."""
        extra = ["--fail", operation + ":1"] if operation else []
        sim = self.in_sim(str(index), extra)  # runs while the stand-in host starts under Wine
        standin_status, standin_out, standin_err = self.in_standin(extra)
        sim_status, sim_out, sim_err = finish(sim)
        ours, theirs = comparable(sim_status, sim_out), comparable(standin_status, standin_out)
        if ours == theirs:
            return None
        diff = "\n".join(difflib.unified_diff(ours, theirs, "tessaly-sim", "stand-in host",
                                              lineterm=""))
        return (f"{diff}\n--- tessaly-sim's transcript:\n{sim_out}{sim_err}"
                f"--- the stand-in host's transcript:\n{standin_out}{standin_err}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--sim", action="append", required=True)
    for option in ("--standin", "--wine-run", "--dll", "--regsvr32", "--softphone", "--script",
                   "--work"):
        parser.add_argument(option, required=True)
    parser.add_argument("--jobs", type=int, default=3)
    args = parser.parse_args()

    built = [path for path in args.sim if os.access(path, os.X_OK)]
    if not built:
        print("same_faults: no tessaly-sim built (build the linux or linux-asan preset); "
              "not run")
        return 77
    sim = max(built, key=os.path.getmtime)
    print(f"same_faults: tessaly-sim {sim}")
    started = time.monotonic()
    hosts = Hosts(args, sim)
    hosts.register()
    runs = [None] + hosts.operations()
    with concurrent.futures.ThreadPoolExecutor(max_workers=args.jobs) as pool:
        results = list(pool.map(lambda item: hosts.compare(*item), enumerate(runs)))
    failed = 0
    for operation, difference in zip(runs, results):
        if difference:
            failed += 1
            print(f"DIFFERENT with {'--fail ' + operation + ':1' if operation else 'no fault'}:"
                  f"\n{difference}")
    print(f"same_faults: no fault and {len(runs) - 1} operations failing once each, in "
          f"{time.monotonic() - started:.1f} s")
    print(f"{len(runs) - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
