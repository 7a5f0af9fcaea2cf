// The conformance program's own checks: GoogleTest does not build for every
// system the module ships for, so a failed check prints where it failed and
// what it saw, and the run goes on to the next one.
#pragma once

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

namespace conformance {

class Checks {
  public:
    // What the following checks are about ("Sqrt: copy"); printed with each
    // failure.
    void setSubject(std::string subject) { subject_ = std::move(subject); }
    const std::string &subject() const { return subject_; }

    bool record(bool ok, const char *file, int line, const std::string &what);
    int passed() const { return passed_; }
    int failed() const { return failed_; }

  private:
    std::string subject_;
    int passed_ = 0;
    int failed_ = 0;
};

Checks &checks();

// Values as a failure shows them.
template <class T>
std::string show(const T &value) {
    std::ostringstream out;
    out << value;
    return out.str();
}
std::string show(const std::string &value);
std::string show(const char *value);
std::string show(std::uint8_t value);
template <class T>
std::string show(const std::vector<T> &values) {
    std::string out = "{";
    for (std::size_t i = 0; i < values.size(); ++i)
        out += (i ? ", " : "") + show(values[i]);
    return out + "}";
}

template <class A, class B>
bool checkEqual(const A &actual, const B &expected, const char *file, int line, const char *what) {
    const bool ok = actual == expected;
    return checks().record(
        ok, file, line,
        ok ? std::string()
           : std::string(what) + ": got " + show(actual) + ", expected " + show(expected));
}

bool checkNear(double actual, double expected, double tolerance, const char *file, int line,
               const char *what);

}  // namespace conformance

#define CHECK(condition) \
    ::conformance::checks().record(static_cast<bool>(condition), __FILE__, __LINE__, #condition)
#define CHECK_EQ(actual, expected) \
    ::conformance::checkEqual((actual), (expected), __FILE__, __LINE__, #actual " == " #expected)
// Records a failure outright, for errors met on the way to a check.
#define FAIL(message) ::conformance::checks().record(false, __FILE__, __LINE__, (message))
#define CHECK_NEAR(actual, expected, tolerance)                                     \
    ::conformance::checkNear((actual), (expected), (tolerance), __FILE__, __LINE__, \
                             #actual " ~ " #expected)
