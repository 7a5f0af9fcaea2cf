// The scene's image list: image files read into memory, in the order they
// were loaded, behind "LW Image List 5". Loading and clearing happen outside
// renders; pixel reads may come from any number of render threads at once.
#pragma once

#include <memory>
#include <shared_mutex>
#include <string>
#include <vector>

#include "hostapi/globals.h"

namespace host {

class ImageList {
  public:
    ImageList() = default;
    ImageList(const ImageList &) = delete;
    ImageList &operator=(const ImageList &) = delete;

    // Reads an image file (PNG, JPEG, TGA, BMP, PSD, GIF, HDR, PIC, PNM) and
    // appends it to the list, even when the file is already in it. Throws
    // Error naming the file when it cannot be read.
    HostImageID load(const std::string &filename);
    // As load, but null on failure, with the reason kept for lastError().
    HostImageID tryLoad(const std::string &filename);
    std::string lastError() const;

    std::vector<HostImageID> images() const;
    void clear();

    // The name shown in menus (the file's base name, made unique) and the
    // file read. Both stay valid until clear(); null for an image that is not
    // in the list.
    const char *name(HostImageID image) const;
    const char *filename(HostImageID image) const;
    HostImageID findByFilename(const std::string &filename) const;
    // Zero sizes for an image that is not in the list.
    bool size(HostImageID image, int &width, int &height) const;
    bool hasAlpha(HostImageID image) const;

    // A pixel's channels in 0..1 (HDR images beyond), column x from the left,
    // row y from the top. Outside the image or for an unknown image: black
    // with alpha 0. An image without alpha reads alpha 1.
    bool rgb(HostImageID image, int x, int y, float color[3]) const;
    float alpha(HostImageID image, int x, int y) const;

    // The colour around (u, v): u runs left to right, v bottom to top, both
    // 0..1 and wrapping. Blended, the four nearest pixels are mixed
    // bilinearly; otherwise the nearest pixel is taken.
    bool spot(HostImageID image, double u, double v, bool blend, double color[3]) const;

  private:
    struct Image;
    const Image *find(HostImageID image) const;  // caller holds the lock

    mutable std::shared_mutex mutex_;
    std::vector<std::unique_ptr<Image>> images_;
    std::string lastError_;
};

// The list "LW Image List 5" serves.
ImageList &sceneImages();

}  // namespace host
