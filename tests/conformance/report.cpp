#include <charconv>

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

}  // namespace conformance
