#include "cli/arguments.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace gravelkin {

namespace {

std::string quoted(std::string_view word) { return "'" + std::string(word) + "'"; }

std::string named(std::string_view option) { return std::string(option) + ": "; }

std::string shortForm(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
    return text;
}

}  // namespace

UsageError unknownOption(std::string_view option) { return UsageError("unknown option " + quoted(option)); }

Arguments::Arguments(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) words_.emplace_back(argv[i]);
}

std::string_view Arguments::option() { return words_.at(next_++); }

std::string_view Arguments::text(std::string_view option) {
    if (done() || words_[next_].starts_with("--")) throw UsageError(named(option) + "a value is missing");
    return words_[next_++];
}

float Arguments::number(std::string_view option) {
    const std::string word(text(option));
    char* end = nullptr;
    errno = 0;
    const float value = std::strtof(word.c_str(), &end);
    if (word.empty() || *end != '\0') throw UsageError(named(option) + quoted(word) + " is not a number");
    if (!std::isfinite(value) || errno == ERANGE) {
        throw UsageError(named(option) + quoted(word) + " is not a finite number within the float range");
    }
    return value;
}

float Arguments::numberAbove(std::string_view option, float above, float atMost) {
    const float value = number(option);
    if (!(value > above && value <= atMost)) {
        throw UsageError(named(option) + "must be above " + shortForm(above) + " and at most " + shortForm(atMost) +
                         " (got " + shortForm(value) + ")");
    }
    return value;
}

std::int32_t Arguments::integer(std::string_view option) {
    const std::string word(text(option));
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(word.c_str(), &end, 10);
    if (word.empty() || *end != '\0' || errno == ERANGE || value < INT32_MIN || value > INT32_MAX) {
        throw UsageError(named(option) + quoted(word) + " is not a whole number from -2147483648 to 2147483647");
    }
    return static_cast<std::int32_t>(value);
}

}  // namespace gravelkin
