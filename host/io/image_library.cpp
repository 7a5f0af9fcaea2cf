// Finding and loading the image library on first use.
#include "host/io/image_library.h"

#include <atomic>
#include <cstdlib>
#include <mutex>

#include "host/base/dynamic_library.h"
#include "host/base/error.h"

namespace host {
namespace {

constexpr const char *kFileName = "liborvimageio.so";

std::mutex loading;
std::atomic<ImageLibrary *> loaded{nullptr};
// Never unloaded: its process-wide texture cache and the libraries under it
// are torn down with the process, not before.
DynamicLibrary *keptOpen = nullptr;

}  // namespace

std::filesystem::path imageLibraryPath() {
    if (const char *named = std::getenv("ORV_IMAGE_LIBRARY"); named && *named) return named;
    const std::filesystem::path folder = executableDirectory();
    if (folder.empty()) return kFileName;
    const auto beside = folder / kFileName;
    const auto above = folder.parent_path() / kFileName;
    std::error_code error;
    return !std::filesystem::exists(beside, error) && std::filesystem::exists(above, error)
               ? above
               : beside;
}

ImageLibrary &imageLibrary(const std::string &file, const std::string &purpose) {
    if (ImageLibrary *library = loaded.load(std::memory_order_acquire)) return *library;
    std::lock_guard lock(loading);
    if (ImageLibrary *library = loaded.load(std::memory_order_relaxed)) return *library;

    const std::filesystem::path path = imageLibraryPath();
    const std::string needs =
        file + ": " + purpose + " it needs the image library " + path.string() + ", which ";
    std::unique_ptr<DynamicLibrary> opened;
    try {
        opened = std::make_unique<DynamicLibrary>(path);
    } catch (const LibraryLoadError &error) {
        throw Error(needs + "cannot be loaded: " + error.reason());
    }
    const auto entry = reinterpret_cast<ImageLibraryEntry>(opened->symbol(kImageLibraryEntry));
    if (!entry) throw Error(needs + "does not export " + kImageLibraryEntry);
    ImageLibrary *library = entry(kImageLibraryInterface);
    if (!library)
        throw Error(needs + "was built for another version of orvhost (interface " +
                    std::to_string(kImageLibraryInterface) + " asked for)");
    keptOpen = opened.release();
    loaded.store(library, std::memory_order_release);
    return *library;
}

bool imageLibraryLoaded() {
    return loaded.load(std::memory_order_acquire) != nullptr;
}

}  // namespace host
