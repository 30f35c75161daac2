// The command line tessaly-sim and the stand-in host share: the options both take, read the
// same way, a table to which each program adds its own, and the parts of --help that
// document what both programs do alike.
#pragma once

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tessaly::frontend {

class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// --fail Interface.Member[:TIMES]: the host's operation fails its next TIMES calls (-1: every
// call; 0: none).
struct Failure {
    std::string operation;
    int times = -1;
    bool operator==(const Failure&) const = default;
};

// The options both programs take.
struct CommonOptions {
    std::optional<std::string> profile;
    std::optional<std::string> script;  // "-": standard input
    bool interactive = false;
    bool noLaunch = false;  // print the softphone's starts, start nothing
    bool help = false;
    std::optional<std::string> onUpdate;  // "idle" or "strict"
    std::optional<std::string> trace;     // the file the object model's trace goes to
    std::vector<Failure> failures;        // --fail, in the order given
};

// The options of one program: the common ones, then those the program adds. Each is
// "--name value" or "--name=value"; a flag takes no value.
class OptionTable {
  public:
    explicit OptionTable(CommonOptions& common);

    void flag(std::string name, bool& target);
    // Given at most once; `what` names the value in the error when it is missing or empty
    // ("a file name"); `check`, when given, refuses a value by throwing UsageError.
    void value(std::string name, std::optional<std::string>& target,
               std::string what = "a file name",
               std::function<void(const std::string&)> check = nullptr);
    // Given any number of times; `take` checks and keeps each value (throws UsageError).
    void repeated(std::string name, std::string what, std::function<void(const std::string&)> take);
    // An option the program knows but refuses: "NAME WHY".
    void refuse(std::string name, std::string why);

    // Throws UsageError for anything the table does not take.
    void Parse(const std::vector<std::string>& args);

  private:
    struct Option {
        std::string name;
        std::string what;                              // the value's description
        bool* flag = nullptr;                          // a flag
        std::optional<std::string>* once = nullptr;    // a value given at most once
        std::function<void(const std::string&)> take;  // checks (and keeps) each value
        std::string refused;                           // why the option is refused
    };
    const Option* find(const std::string& name) const;
    // The value of the option at args[i] (inline, or the next argument, which is consumed).
    static std::string valueOf(const Option& option, const std::vector<std::string>& args,
                               std::size_t& i, const std::optional<std::string>& inlineValue);

    CommonOptions& common_;
    std::vector<Option> options_;
};

// The script commands, as --help and interactive `help` list them.
const char* CommandSummary();
// How the ribbon and its menus work, as both programs' --help describe it.
const char* RibbonSummary();
// The output lines of the ribbon and its menus.
const char* RibbonLines();
// What --trace writes (tessaly-sim and the stand-in host write the same).
const char* TraceSummary();
// The --fail option, as both programs' --help describe it.
const char* FailOptionSummary();

}  // namespace tessaly::frontend
