// Who may drive orvhost serve: a request must carry the session's token (in
// the URL of the first load, then in a cookie) and name the server itself as
// its Host and, when it has one, its Origin, so that a page from elsewhere
// that a browser happens to show cannot reach it.
#pragma once

#include <string>
#include <vector>

namespace app {

class ServeAccess {
  public:
    // addresses: the names the server answers to ("127.0.0.1", "localhost"),
    // each taken with the port.
    ServeAccess(std::vector<std::string> addresses, int port, std::string token);

    const std::string &token() const { return token_; }
    const char *cookieName() const { return "orv_token"; }

    bool hostAllowed(const std::string &host) const;
    // An absent Origin (a request typed or scripted) is allowed; a present
    // one must be this server's own.
    bool originAllowed(const std::string &origin) const;
    // The token, from the query or from the cookie header, compared in time
    // that does not depend on where they first differ.
    bool tokenMatches(const std::string &given) const;
    std::string tokenFromCookies(const std::string &cookieHeader) const;

  private:
    std::vector<std::string> hosts_;
    std::string token_;
};

// A fresh random token: 32 hexadecimal digits from the system's entropy.
std::string randomToken();

}  // namespace app
