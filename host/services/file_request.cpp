// Scripted file requests.
#include "host/services/file_request.h"

#include <cstring>
#include <filesystem>

#include "host/services/services.h"

namespace host {
namespace {

// Copies text into a request buffer; false when it does not fit whole.
bool copyInto(char *buffer, int length, const std::string &text) {
    if (!buffer) return true;
    if (length <= 0 || text.size() + 1 > static_cast<std::size_t>(length)) return false;
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return true;
}

int HOST_CALL requestFile(int version, HostFileRequest *request) {
    Services *services = currentServicesOrNull();
    if (!services || !request) return -1;
    return services->fileRequests().request(version, request);
}

}  // namespace

void FileRequests::answer(std::string fullName) {
    std::lock_guard lock(mutex_);
    answers_.emplace_back(std::move(fullName));
}

void FileRequests::cancel() {
    std::lock_guard lock(mutex_);
    answers_.emplace_back(std::nullopt);
}

void FileRequests::clearAnswers() {
    std::lock_guard lock(mutex_);
    answers_.clear();
}

std::vector<FileRequests::Asked> FileRequests::asked() const {
    std::lock_guard lock(mutex_);
    return asked_;
}

int FileRequests::request(int /*version*/, HostFileRequest *request) {
    std::lock_guard lock(mutex_);
    asked_.push_back({request->reqType, request->title ? request->title : "",
                      request->fileType ? request->fileType : ""});
    std::optional<std::string> answer;
    if (!answers_.empty()) {
        answer = std::move(answers_.front());
        answers_.pop_front();
    }
    if (!answer) {
        request->result = 0;
        return 0;
    }
    const std::filesystem::path full(*answer);
    if (!copyInto(request->fullName, request->bufLen, full.string()) ||
        !copyInto(request->path, request->bufLen, full.parent_path().string()) ||
        !copyInto(request->baseName, request->bufLen, full.filename().string())) {
        request->result = 0;
        return -1;
    }
    request->result = 1;
    return 0;
}

HostFileReqFunc fileRequestFunction() {
    return requestFile;
}

}  // namespace host
