// The scene's image list: image files read into memory, in the order they
// were loaded, behind "LW Image List 5". Each host owns one. Loading, removing
// and clearing happen outside renders; pixel reads and spot lookups may come
// from any number of render threads at once.
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <shared_mutex>
#include <string>
#include <vector>

#include "hostapi/globals.h"

namespace host {

// How an image's colours are read. Colours are linear light inside the
// host: a file's declared (or, without a declaration, implied) encoding is
// decoded on reading, 8-bit sRGB files through the sRGB curve. A scene may
// override it: "sRGB", "linear", or "raw" for data that is no colour at all
// (normal maps, masks), read exactly as stored.
enum class ImageColorSpace { FromFile, Srgb, Linear, Raw };

// The colour space a scene names ("auto", "sRGB", "linear", "raw", in any
// case); false for another text.
bool parseImageColorSpace(const std::string &text, ImageColorSpace &space);

class ImageList {
  public:
    ImageList();
    ~ImageList();
    ImageList(const ImageList &) = delete;
    ImageList &operator=(const ImageList &) = delete;

    // Reads an image file of any format the image library knows (PNG, JPEG,
    // TIFF, Radiance HDR, OpenEXR and more) and appends it to the list, even
    // when the file is already in it. Throws Error naming the file when it
    // cannot be read or holds no pixels (a width or height of 0).
    HostImageID load(const std::string &filename,
                     ImageColorSpace colorSpace = ImageColorSpace::FromFile);
    // As load, but null on failure, with the reason kept for lastError().
    HostImageID tryLoad(const std::string &filename);
    std::string lastError() const;

    // Walking the list: null past the end, and for an image not in the list.
    HostImageID first() const;
    HostImageID next(HostImageID image) const;
    std::size_t count() const;
    std::vector<HostImageID> images() const;
    // Drops one image (as a user deleting it from the scene); false when it
    // is not in the list. Handles of other images stay valid.
    bool remove(HostImageID image);
    void clear();

    // The name shown in menus (the file's base name, made unique) and the
    // file read. Both stay valid until the image is removed; null for an
    // image that is not in the list.
    const char *name(HostImageID image) const;
    const char *filename(HostImageID image) const;
    // The image read from this file, however the path to it is written.
    HostImageID findByFilename(const std::string &filename) const;

    // Saved image references name their files relative to the folder of
    // the scene file being read or written, so that a scene keeps finding
    // its images wherever it is saved; empty (the working folder) outside a
    // scene's reading and writing.
    void setReferenceFolder(std::filesystem::path folder) { referenceFolder_ = std::move(folder); }
    const std::filesystem::path &referenceFolder() const { return referenceFolder_; }
    // Zero sizes for an image that is not in the list.
    bool size(HostImageID image, int &width, int &height) const;
    bool hasAlpha(HostImageID image) const;

    // A pixel's channels in linear light (8- and 16-bit files in 0..1, float
    // files as they are; see ImageColorSpace), column x from the left, row y
    // from the top. Outside the
    // image or for an unknown image: black with alpha 0. An image without
    // alpha reads alpha 1.
    bool rgb(HostImageID image, int x, int y, float color[3]) const;
    float alpha(HostImageID image, int x, int y) const;

    // The colour around (u, v): u runs left to right, v bottom to top, both
    // 0..1 and wrapping. spotSize is the footprint's width in the same units
    // (a tenth of the image is 0.1). Blended, the lookup is filtered over the
    // footprint through MIP levels, so that a wide footprint averages the
    // pixels under it instead of picking one; otherwise the nearest pixel of
    // the full-size image is taken.
    bool spot(HostImageID image, double u, double v, double spotSize, bool blend,
              double color[3]) const;

  private:
    struct Image;
    const Image *find(HostImageID image) const;  // caller holds the lock

    mutable std::shared_mutex mutex_;
    std::vector<std::unique_ptr<Image>> images_;
    std::string lastError_;
    std::filesystem::path referenceFolder_;
};

}  // namespace host
