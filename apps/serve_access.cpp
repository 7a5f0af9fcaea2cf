#include "serve_access.h"

#include <algorithm>
#include <random>

namespace app {

ServeAccess::ServeAccess(std::vector<std::string> addresses, int port, std::string token)
    : token_(std::move(token)) {
    for (const std::string &address : addresses) {
        // An IPv6 address appears in brackets in Host headers and URLs.
        const std::string name =
            address.find(':') != std::string::npos ? "[" + address + "]" : address;
        hosts_.push_back(name + ":" + std::to_string(port));
    }
}

bool ServeAccess::hostAllowed(const std::string &host) const {
    return std::find(hosts_.begin(), hosts_.end(), host) != hosts_.end();
}

bool ServeAccess::originAllowed(const std::string &origin) const {
    if (origin.empty()) return true;
    return std::any_of(hosts_.begin(), hosts_.end(),
                       [&](const std::string &host) { return origin == "http://" + host; });
}

bool ServeAccess::tokenMatches(const std::string &given) const {
    if (given.size() != token_.size()) return false;
    unsigned char difference = 0;
    for (std::size_t i = 0; i < given.size(); ++i)
        difference |= static_cast<unsigned char>(given[i] ^ token_[i]);
    return difference == 0;
}

std::string ServeAccess::tokenFromCookies(const std::string &cookieHeader) const {
    const std::string key = std::string(cookieName()) + "=";
    std::size_t at = 0;
    while (at < cookieHeader.size()) {
        while (at < cookieHeader.size() && (cookieHeader[at] == ' ' || cookieHeader[at] == ';'))
            ++at;
        const std::size_t end = std::min(cookieHeader.find(';', at), cookieHeader.size());
        if (cookieHeader.compare(at, key.size(), key) == 0)
            return cookieHeader.substr(at + key.size(), end - at - key.size());
        at = end;
    }
    return {};
}

std::string randomToken() {
    std::random_device entropy;
    static const char kDigits[] = "0123456789abcdef";
    std::string token;
    for (int i = 0; i < 32; ++i)
        token += kDigits[entropy() % 16];
    return token;
}

}  // namespace app
