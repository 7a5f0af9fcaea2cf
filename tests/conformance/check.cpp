#include "check.h"

#include <cmath>
#include <cstdio>
#include <filesystem>

namespace conformance {

Checks &checks() {
    static Checks instance;
    return instance;
}

bool Checks::record(bool ok, const char *file, int line, const std::string &what) {
    if (ok) {
        ++passed_;
        return true;
    }
    ++failed_;
    std::fprintf(stderr, "%s:%d: FAILED [%s] %s\n",
                 std::filesystem::path(file).filename().string().c_str(), line, subject_.c_str(),
                 what.c_str());
    return false;
}

std::string show(const std::string &value) {
    return "\"" + value + "\"";
}
std::string show(const char *value) {
    return value ? show(std::string(value)) : std::string("null");
}
std::string show(std::uint8_t value) {
    return std::to_string(value);
}

bool checkNear(double actual, double expected, double tolerance, const char *file, int line,
               const char *what) {
    const bool ok = std::fabs(actual - expected) <= tolerance;
    return checks().record(ok, file, line,
                           ok ? std::string()
                              : std::string(what) + ": got " + show(actual) + ", expected " +
                                    show(expected) + " within " + show(tolerance));
}

}  // namespace conformance
