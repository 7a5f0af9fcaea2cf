// The conformance run: every check the module must pass wherever it is
// built, through the host core, and the values report that lets two runs (on
// Linux and on Windows) be compared line by line.
#pragma once

#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "conformance_host.h"

namespace conformance {

// Lines of "subject: values", the same on every system the module builds
// for. Doubles are written in their shortest exact form, so two reports
// agree only when the values agree to the last bit.
class Report {
  public:
    explicit Report(std::ostream *out) : out_(out) {}
    void line(std::string_view subject, std::string_view text);
    void values(std::string_view subject, const std::vector<double> &values);
    static std::string number(double value);
    static std::string hex(const std::vector<std::uint8_t> &bytes);

  private:
    std::ostream *out_;  // null: the report is not kept
};

// Compares a report with a reference line by line: the same subjects in the
// same order, texts (saved data included) equal, and numbers equal to within
// a relative 1e-9, as two systems' mathematics libraries may round their last
// bit apart. Prints each difference with its line; returns their number, or
// -1 (with a message) when a file cannot be read.
int compareReports(const std::filesystem::path &reference, const std::filesystem::path &report);

// Descriptor, server table, and every server's activation.
void checkModule(ConformanceHost &host);
// The build's double arithmetic: each step rounded to a double, as on every
// system the module ships for, so that sums and comparisons agree.
void checkArithmetic();
// Create, panel, copy, and text and binary save and load, for every kind.
void checkLifecycle(ConformanceHost &host, Report &report);
// Every output of every kind evaluated in empty space, and the values users
// rely on for the kinds that have them.
void checkEvaluation(ConformanceHost &host, Report &report);

}  // namespace conformance
