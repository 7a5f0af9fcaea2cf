// Helpers the panel model's files share: ids, numbers and texts as the panel
// writes and reads them, envelope units, and the vparm operations.
#include "host/panel/panel_detail.h"

#include <atomic>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "host/base/error.h"

namespace host {
namespace {

std::atomic<const HostVParmFuncs *> installedVParms{nullptr};

}  // namespace

void setPanelVParmFuncs(const HostVParmFuncs *funcs) {
    installedVParms.store(funcs);
}

namespace panel_detail {

const HostVParmFuncs &vparms() {
    const HostVParmFuncs *funcs = installedVParms.load();
    if (!funcs || !funcs->getVal || !funcs->setVal)
        throw Error("panel: no vparm service to read envelope values with");
    return *funcs;
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

std::string lower(std::string_view text) {
    std::string out(text);
    for (char &c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::optional<long long> parseWhole(std::string_view text, int base) {
    text = trim(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    long long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<int> parseInt32(std::string_view text) {
    const auto value = parseWhole(text);
    if (!value || *value < INT32_MIN || *value > INT32_MAX) return std::nullopt;
    return static_cast<int>(*value);
}

// A control's name in messages: 0x8002 "Samples".
std::string nameOf(const Panel::Control &control) {
    return control.label.empty() ? hex(control.id) : hex(control.id) + " " + quote(control.label);
}

std::string hex(std::uint32_t id) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(id));
    return text;
}

std::string formatNumber(double value) {
    if (value == 0.0) value = 0.0;  // no "-0"
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

Unit unitOf(std::string_view dataType) {
    if (dataType == "angle-env") return Unit::Degrees;
    if (dataType == "percent-env") return Unit::Percent;
    return Unit::Stored;
}

double toPanelUnits(Unit unit, double stored) {
    switch (unit) {
        case Unit::Degrees:
            return stored * 180.0 / std::numbers::pi;
        case Unit::Percent:
            return stored * 100.0;
        case Unit::Stored:
            break;
    }
    return stored;
}

double toStoredUnits(Unit unit, double shown) {
    switch (unit) {
        case Unit::Degrees:
            return shown * std::numbers::pi / 180.0;
        case Unit::Percent:
            return shown / 100.0;
        case Unit::Stored:
            break;
    }
    return shown;
}

const char *unitSuffix(Unit unit) {
    switch (unit) {
        case Unit::Degrees:
            return "\u00b0";
        case Unit::Percent:
            return "%";
        case Unit::Stored:
            break;
    }
    return "";
}

}  // namespace panel_detail
}  // namespace host
