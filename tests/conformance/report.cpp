#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "conformance.h"

namespace conformance {

void Report::line(std::string_view subject, std::string_view text) {
    if (out_) *out_ << subject << ": " << text << '\n';
}

void Report::values(std::string_view subject, const std::vector<double> &values) {
    std::string text;
    for (double value : values)
        text += (text.empty() ? "" : " ") + number(value);
    line(subject, text);
}

std::string Report::number(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string Report::hex(const std::vector<std::uint8_t> &bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (std::uint8_t byte : bytes) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 15];
    }
    return text;
}

namespace {

bool readLines(const std::filesystem::path &file, std::vector<std::string> &lines) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "conformance: cannot read %s\n", file.string().c_str());
        return false;
    }
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return true;
}

bool wholeNumber(const std::string &token, double &value) {
    const char *end = token.data() + token.size();
    const auto result = std::from_chars(token.data(), end, value);
    return result.ec == std::errc() && result.ptr == end;
}

bool sameToken(const std::string &a, const std::string &b) {
    if (a == b) return true;
    double x = 0.0, y = 0.0;
    if (!wholeNumber(a, x) || !wholeNumber(b, y)) return false;
    if (std::isnan(x) || std::isnan(y)) return std::isnan(x) && std::isnan(y);
    const double scale = std::max({1.0, std::fabs(x), std::fabs(y)});
    return std::fabs(x - y) <= 1e-9 * scale;
}

bool sameLine(const std::string &a, const std::string &b) {
    std::istringstream left(a), right(b);
    std::string x, y;
    for (;;) {
        const bool moreLeft = static_cast<bool>(left >> x);
        const bool moreRight = static_cast<bool>(right >> y);
        if (moreLeft != moreRight) return false;
        if (!moreLeft) return true;
        if (!sameToken(x, y)) return false;
    }
}

}  // namespace

int compareReports(const std::filesystem::path &reference, const std::filesystem::path &report) {
    std::vector<std::string> expected, actual;
    if (!readLines(reference, expected) || !readLines(report, actual)) return -1;
    int differences = 0;
    const std::size_t lines = std::max(expected.size(), actual.size());
    for (std::size_t i = 0; i < lines; ++i) {
        const std::string *a = i < expected.size() ? &expected[i] : nullptr;
        const std::string *b = i < actual.size() ? &actual[i] : nullptr;
        if (a && b && sameLine(*a, *b)) continue;
        ++differences;
        std::fprintf(stderr, "line %zu:\n  %s: %s\n  %s: %s\n", i + 1, reference.string().c_str(),
                     a ? a->c_str() : "(no line)", report.string().c_str(),
                     b ? b->c_str() : "(no line)");
    }
    return differences;
}

}  // namespace conformance
