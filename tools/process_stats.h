// What this process costs, from /proc: its peak resident memory, and the
// processor time of its threads grouped by the planet's thread names. For the
// headless tools; Linux only.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <sys/resource.h>
#include <sys/time.h>

#include "planet/planet.h"

namespace gravelkin::tools {

// A KiB figure of /proc/self/status, by its field ("VmRSS:"); -1 if absent.
inline long processStatusKiB(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0) return std::strtol(line.c_str() + field.size(), nullptr, 10);
    }
    return -1;
}

// Peak resident set size of this process, from the kernel's VmHWM line.
inline long peakResidentKiB() { return processStatusKiB("VmHWM:"); }
// The resident set size now.
inline long residentKiB() { return processStatusKiB("VmRSS:"); }

// Processor time of this process's threads, grouped by thread name: the
// planet's manager, its factories, and everything else (this thread).
struct ThreadTimes {
    double manager = 0.0;
    double factories = 0.0;
    double other = 0.0;
};

// The time spent between two readings.
inline ThreadTimes operator-(const ThreadTimes& later, const ThreadTimes& earlier) {
    return {later.manager - earlier.manager, later.factories - earlier.factories, later.other - earlier.other};
}

inline std::string firstLine(const std::filesystem::path& path) {
    std::ifstream file(path);
    std::string line;
    std::getline(file, line);
    return line;
}

// From /proc/self/task/*/schedstat, whose first field is the nanoseconds the
// thread has run. Threads that have ended are not counted.
inline ThreadTimes threadTimes() {
    ThreadTimes times;
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task", error)) {
        const std::string name = firstLine(task.path() / "comm");
        const double seconds = std::strtod(firstLine(task.path() / "schedstat").c_str(), nullptr) / 1e9;
        if (name == Planet::managerThreadName) {
            times.manager += seconds;
        } else if (name.rfind(Planet::factoryThreadNamePrefix, 0) == 0) {
            times.factories += seconds;
        } else {
            times.other += seconds;
        }
    }
    return times;
}

// Processor time of the whole process, every thread's, in user mode and in
// the kernel. On a virtual machine the kernel's share swings from run to run
// with how much of the memory the host still has to back; the user share is
// the steadier measure of the work itself.
struct ProcessTimes {
    double user = 0.0;
    double system = 0.0;
};

inline ProcessTimes operator-(const ProcessTimes& later, const ProcessTimes& earlier) {
    return {later.user - earlier.user, later.system - earlier.system};
}

inline ProcessTimes processTimes() {
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) != 0) return {};
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    return {seconds(usage.ru_utime), seconds(usage.ru_stime)};
}

}  // namespace gravelkin::tools
