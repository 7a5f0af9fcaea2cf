// How the host writes every file (a saved scene, a rendered image, a
// statistics report): in place of what the path names, whole or not at all.
//
// A symbolic link is followed to the file it names, and that file is
// replaced, so the link stays a link. The new contents go to a temporary
// file beside the target and are renamed over it only once complete: a
// failed or interrupted write leaves the old file as it was. A replaced file
// keeps its permissions and, where the system lets us, its owner. A path
// that names a device, a pipe, a folder or anything else that is not a
// regular file is refused: writing would replace it with a plain file.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace host {

// The file a write to this path lands on: the end of its chain of symbolic
// links, or the path itself.
std::filesystem::path writeTarget(const std::filesystem::path &file);

// Throws Error, naming the file, when the target exists and is not a
// regular file, or its folder does not exist. `what` names the kind of file
// for messages ("scene file", "image").
void checkReplaceable(const std::filesystem::path &file, const std::string &what);

class ReplacedFile {
  public:
    // Makes the temporary beside the target; throws Error naming the file
    // when it cannot be made or the target is not a regular file.
    ReplacedFile(const std::filesystem::path &file, std::string what);
    // Removes the temporary unless committed.
    ~ReplacedFile();
    ReplacedFile(ReplacedFile &&other) noexcept;
    ReplacedFile(const ReplacedFile &) = delete;
    ReplacedFile &operator=(const ReplacedFile &) = delete;
    ReplacedFile &operator=(ReplacedFile &&) = delete;

    // Where the contents are to be written, by whatever writes them.
    const std::filesystem::path &temporary() const { return temporary_; }
    const std::filesystem::path &target() const { return target_; }
    // Adds bytes to the end of the temporary, so that a file may be written
    // in pieces; throws Error naming the file.
    void write(std::string_view bytes);
    // Gives the temporary the target's permissions and owner, and moves it
    // over the target. Throws Error naming the file.
    void commit();

  private:
    std::filesystem::path file_, target_, temporary_;
    std::string what_;
    bool committed_ = false;
};

// The whole of a file written at once in place of what the path names.
void replaceFile(const std::filesystem::path &file, std::string_view bytes,
                 const std::string &what);

}  // namespace host
