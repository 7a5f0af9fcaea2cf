// What an error says after an unknown name: the names there are, and the
// nearest of them when the name looks like a typo of one.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace host {

// The known name closest to the wrong one, ignoring letter case, when it is
// near enough to be a typo of it (a third of its letters at most); empty
// otherwise.
std::string nearestName(std::string_view wrong, const std::vector<std::string> &known);

// "; did you mean "In"? The inputs are "In", "Out"" (or "; there are none").
std::string suggestion(std::string_view wrong, const std::vector<std::string> &known,
                       std::string_view what);

}  // namespace host
