// Layer cli (cli/): command-line parsing shared by the program and the tools.
//
// A cursor over a command line's words, and the checked conversion of option
// values. Every problem is thrown as a UsageError whose message names the
// option and what was wrong with it, for the caller to print with its usage
// text and to end with exitUsage, before anything else starts.
//
// Numbers are decimal (or anything strtof/strtol read whole); a value must be
// finite and, for floats, within the float range. A word that starts with
// "--" is never taken as a value: `--yaw --pitch 3` lacks the yaw.
//
// Threads: plain values; one cursor per caller.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace gravelkin {

// EX_USAGE of sysexits.h: the command line was wrong.
inline constexpr int exitUsage = 64;

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// "unknown option '<option>'", for a parser's last branch.
UsageError unknownOption(std::string_view option);

class Arguments {
public:
    // The words after the program's name.
    Arguments(int argc, const char* const* argv);

    bool done() const { return next_ == words_.size(); }
    // The next word, taken as an option's name. Call only when !done().
    std::string_view option();

    // The next word as the value of `option`.
    std::string_view text(std::string_view option);
    // The next word as a finite float.
    float number(std::string_view option);
    // The next word as a finite float within (above, atMost].
    float numberAbove(std::string_view option, float above, float atMost);
    // The next word as a whole number within the int32 range.
    std::int32_t integer(std::string_view option);
    // The word taken last, for messages about a value.
    std::string_view lastWord() const { return next_ == 0 ? std::string_view() : words_[next_ - 1]; }

private:
    std::vector<std::string_view> words_;
    std::size_t next_ = 0;
};

}  // namespace gravelkin
