// The one exception type of the stand-in host. Its messages name the thing
// that failed and the value that made it fail, so that a scene author can fix
// the scene without reading the host's code.
#pragma once

#include <stdexcept>
#include <string>

namespace host {

class Error : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Quotes a name the way error messages show it: "Orv Foo".
inline std::string inQuotes(const std::string &text) {
    return "\"" + text + "\"";
}

}  // namespace host
