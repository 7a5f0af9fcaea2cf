// Helpers the panel model's files share: ids, numbers and texts as the panel
// writes and reads them, the units it shows envelopes in, and the vparm
// operations it reads and sets envelopes with.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/panel/panel.h"
#include "hostapi/vparm.h"

namespace host::panel_detail {

// An id as the panel prints it: "0x8001".
std::string hex(std::uint32_t id);
// A text in double quotes, as messages and prints show labels.
inline std::string quote(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}
// A number the way a user would type it: "20", "0.5", "1e-07".
std::string formatNumber(double value);

// The unit an envelope data type is shown and typed in.
enum class Unit { Stored, Degrees, Percent };
Unit unitOf(std::string_view dataType);
double toPanelUnits(Unit unit, double stored);
double toStoredUnits(Unit unit, double shown);
// What follows a number in that unit: "°", "%" or nothing.
const char *unitSuffix(Unit unit);

// The installed vparm operations, or the host's own; throws when there are none.
const HostVParmFuncs &vparms();

std::string_view trim(std::string_view text);
std::string lower(std::string_view text);
// A whole number filling the text (spaces and a "+" allowed), in a base.
std::optional<long long> parseWhole(std::string_view text, int base = 10);
std::optional<int> parseInt32(std::string_view text);
// The controls a name given by label or path tail fits, exactly or in any
// letter case.
std::vector<const Panel::Control *> controlsNamed(const Panel &panel, std::string_view text,
                                                  bool exact);

// A control's limits as the panel prints them: "range 0 to 100, min 1 (hard)".
std::string limitsText(const Panel::Control &control);

// A control as messages name it: 0x8002 "Samples".
std::string nameOf(const Panel::Control &control);

}  // namespace host::panel_detail
