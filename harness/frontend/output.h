// Everything the program prints. Transcript lines go to stdout, `error:` lines to stderr
// (after flushing stdout, so a merged stream keeps the order).
#pragma once

#include <fstream>
#include <optional>
#include <string>
#include <string_view>

#include "harness/outlook/ribbon.h"
#include "harness/outlook/sim_host.h"

namespace tessaly::frontend {

class Output {
  public:
    Output(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}

    void Line(std::string_view text);
    void Note(std::string_view text) { Line("note: " + std::string(text)); }
    void Error(std::string_view text);
    // Writes without a newline (the interactive prompt).
    void Prompt(std::string_view text);

  private:
    std::ostream& out_;
    std::ostream& err_;
};

// The file of --trace, written as the run goes.
class TraceFile {
  public:
    // Nothing to open without a path; false after printing why the file cannot be written.
    bool Open(const std::optional<std::string>& path, Output& out);
    // The sink to attach to the world, or nothing without a file. It lives as long as this.
    host::sim::TraceSink* sink() { return writer_ ? &*writer_ : nullptr; }

  private:
    std::ofstream file_;
    std::optional<host::sim::TraceWriter> writer_;
};

// A message box's text on one line: each line break (CR LF, LF or CR) becomes "\n".
std::string OneLine(std::u16string_view text);

// A value in double quotes, with \" \\ \n \r \t escaped.
std::string QuotedValue(std::u16string_view text);

// `show`: the window's folder and selection, the add-in's toolbar and its controls, the
// add-in's controls that sit on other bars, and every other bar's position and visibility.
void ShowWindow(Output& out, int number, const host::sim::SimExplorer& window,
                std::u16string_view toolbarName);

// `show` of an Inspector: the item it shows.
void ShowInspector(Output& out, int number, const host::sim::SimInspector& inspector);

// `show`: the add-in's groups the window shows, each a line naming its tab and group, then
// one line per control, every line beginning "ribbon N: ".
void ShowRibbon(Output& out, int number, const host::sim::SimWindow& window,
                const host::sim::SimRibbon& ribbon);

// A menu that opened in window N: its name, then one line per entry, each beginning
// "menu N: ".
void ShowMenu(Output& out, int number, const host::sim::RibbonMenu& menu);

}  // namespace tessaly::frontend
