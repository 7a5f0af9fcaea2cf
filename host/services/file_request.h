// "File Request 2" for a host without a user: the answers are scripted in
// advance (by a test or the command line), one per request, in order.
#pragma once

#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "hostapi/globals.h"

namespace host {

class FileRequests {
  public:
    // A request that the user answered, as the host saw it.
    struct Asked {
        int type = 0;
        std::string title;
        std::string fileType;
    };

    // The next request is answered with this file.
    void answer(std::string fullName);
    // The next request is cancelled.
    void cancel();
    // Drops the answers not used yet.
    void clearAnswers();
    std::vector<Asked> asked() const;

    // The request function: fills the record from the next scripted answer; a
    // request with nothing scripted is cancelled. A name that does not fit the
    // record's buffers is not cut short: the request fails (result -1).
    int request(int version, HostFileRequest *request);

  private:
    mutable std::mutex mutex_;
    std::deque<std::optional<std::string>> answers_;  // nullopt: cancel
    std::vector<Asked> asked_;
};

// The C function served as "File Request 2"; it reaches the current host.
HostFileReqFunc fileRequestFunction();

}  // namespace host
