#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "host/base/error.h"
#include "host/base/replaced_file.h"

namespace host {
namespace {

namespace fs = std::filesystem;

fs::path folderOf(const fs::path &file) {
    const fs::path parent = file.parent_path();
    return parent.empty() ? fs::path(".") : parent;
}

// A name beside the target no other write uses: hidden, and unique to this
// process and call.
fs::path temporaryFor(const fs::path &target) {
    static std::atomic<unsigned> counter{0};
    return folderOf(target) / ("." + target.filename().string() + ".partial-" +
                               std::to_string(getpid()) + "-" + std::to_string(counter++));
}

std::string kindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    if (S_ISFIFO(mode)) return "a pipe";
    if (S_ISSOCK(mode)) return "a socket";
    return "not a regular file";
}

}  // namespace

fs::path writeTarget(const fs::path &file) {
    fs::path target = file;
    std::error_code error;
    // A loop of links ends the walk; the open then reports it.
    for (int hop = 0; hop < 40 && fs::is_symlink(fs::symlink_status(target, error)); ++hop) {
        const fs::path next = fs::read_symlink(target, error);
        if (error) break;
        target = next.is_absolute() ? next : folderOf(target) / next;
    }
    return target;
}

void checkReplaceable(const fs::path &file, const std::string &what) {
    const fs::path target = writeTarget(file);
    struct stat status {};
    if (::stat(target.c_str(), &status) == 0 && !S_ISREG(status.st_mode))
        throw Error(file.string() + ": is " + kindOf(status.st_mode) +
                    (target == file ? "" : " (through " + target.string() + ")") +
                    ", not a regular file: the " + what + " is not written there");
    std::error_code error;
    const fs::path folder = folderOf(target);
    if (!fs::is_directory(folder, error))
        throw Error(file.string() + ": the folder " + folder.string() + " does not exist");
}

ReplacedFile::ReplacedFile(const fs::path &file, std::string what)
    : file_(file), target_(writeTarget(file)), what_(std::move(what)) {
    checkReplaceable(file_, what_);
    const fs::path temporary = temporaryFor(target_);
    const int descriptor = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor < 0)
        throw Error(file_.string() + ": cannot write the " + what_ + " in " +
                    folderOf(target_).string() + ": " + std::strerror(errno));
    ::close(descriptor);
    temporary_ = temporary;
}

ReplacedFile::ReplacedFile(ReplacedFile &&other) noexcept
    : file_(std::move(other.file_)),
      target_(std::move(other.target_)),
      temporary_(std::move(other.temporary_)),
      what_(std::move(other.what_)),
      committed_(other.committed_) {
    other.temporary_.clear();
}

ReplacedFile::~ReplacedFile() {
    if (committed_ || temporary_.empty()) return;
    std::error_code ignored;
    fs::remove(temporary_, ignored);
}

void ReplacedFile::write(std::string_view bytes) {
    const int descriptor = ::open(temporary_.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (descriptor < 0)
        throw Error(file_.string() + ": cannot write the " + what_ + ": " + std::strerror(errno));
    const char *at = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(descriptor, at, left);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            const int cause = errno;
            ::close(descriptor);
            throw Error(file_.string() + ": writing the " + what_ +
                        " failed: " + std::strerror(cause));
        }
        at += written;
        left -= static_cast<std::size_t>(written);
    }
    if (::close(descriptor) != 0)
        throw Error(file_.string() + ": writing the " + what_ + " failed: " + std::strerror(errno));
}

void ReplacedFile::commit() {
    // A new file gets what the file-creation mask allows, as the temporary
    // did when it was made; a replaced one keeps its own mode and, when we
    // may give it, its owner (the owner first: a change of owner clears the
    // set-id bits of the mode).
    struct stat existing {};
    if (::stat(target_.c_str(), &existing) == 0) {
        if (!S_ISREG(existing.st_mode))
            throw Error(file_.string() + ": is " + kindOf(existing.st_mode) +
                        ", not a regular file: the " + what_ + " is not written there");
        [[maybe_unused]] const int owned =
            ::chown(temporary_.c_str(), existing.st_uid, existing.st_gid);
        ::chmod(temporary_.c_str(), existing.st_mode & 07777);
    }
    if (::rename(temporary_.c_str(), target_.c_str()) != 0)
        throw Error(file_.string() + ": cannot replace the " + what_ + ": " + std::strerror(errno));
    committed_ = true;
}

void replaceFile(const fs::path &file, std::string_view bytes, const std::string &what) {
    ReplacedFile replaced(file, what);
    replaced.write(bytes);
    replaced.commit();
}

}  // namespace host
