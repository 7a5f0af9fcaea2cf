// liborvimageio.so: the host's image library over OpenImageIO. Everything
// that needs OpenImageIO is here, so that only a run that reads an image or
// writes EXR, HDR or TIFF loads it (and the two hundred libraries under it).
#include <OpenImageIO/imageio.h>
#include <OpenImageIO/strutil.h>
#include <OpenImageIO/texture.h>

#include <exception>
#include <memory>
#include <mutex>
#include <string>

#include "host/io/image_library.h"

namespace host {
namespace {

namespace OIIO = OIIO_NAMESPACE;

// The reason OpenImageIO gives, or a fallback when it gives none.
std::string said(std::string reason, const char *fallback) {
    return reason.empty() ? fallback : reason;
}

// "sRGB" or "linear": what the file says, else what its data implies
// (integer data is display-encoded, float data is linear light).
std::string declaredColorSpace(const OIIO::ImageSpec &layout) {
    const std::string declared = layout.get_string_attribute("oiio:ColorSpace");
    if (OIIO::Strutil::iequals(declared, "sRGB")) return "sRGB";
    if (OIIO::Strutil::iequals(declared, "linear") ||
        OIIO::Strutil::iequals(declared, "scene_linear"))
        return "linear";
    const OIIO::TypeDesc data = layout.format;
    return data.basetype == OIIO::TypeDesc::FLOAT || data.basetype == OIIO::TypeDesc::HALF ||
                   data.basetype == OIIO::TypeDesc::DOUBLE
               ? "linear"
               : "sRGB";
}

class OiioTexture : public FilteredTexture {
  public:
    OiioTexture(OIIO::TextureSystem *system, OIIO::TextureSystem::TextureHandle *handle)
        : system_(system), handle_(handle) {}

    bool lookup(float s, float t, float width, float rgb[3]) const override {
        OIIO::TextureOpt options;
        options.swrap = OIIO::TextureOpt::WrapPeriodic;
        options.twrap = OIIO::TextureOpt::WrapPeriodic;
        options.interpmode = OIIO::TextureOpt::InterpBilinear;
        options.mipmode = OIIO::TextureOpt::MipModeTrilinear;
        options.firstchannel = 0;
        rgb[0] = rgb[1] = rgb[2] = 0.0f;
        return system_->texture(handle_, nullptr, options, s, t, width, 0.0f, 0.0f, width, 3, rgb);
    }

  private:
    OIIO::TextureSystem *system_;
    OIIO::TextureSystem::TextureHandle *handle_;
};

class OiioLibrary : public ImageLibrary {
  public:
    bool read(const std::string &file, ImagePixels &pixels, std::string &reason) override {
        try {
            // Colours as the file stores them, not multiplied by their alpha:
            // a pixel read is the pixel painted.
            OIIO::ImageSpec config;
            config.attribute("oiio:UnassociatedAlpha", 1);
            // Opened in two steps, so that the image's layout is filled in as
            // it opens.
            auto input = OIIO::ImageInput::create(file, false, &config);
            OIIO::ImageSpec layout;
            if (!input || !input->open(file, layout, config)) {
                reason = said(input ? input->geterror() : OIIO::geterror(),
                              "not an image the host can read");
                return false;
            }
            pixels = ImagePixels{
                layout.width, layout.height, layout.nchannels, layout.alpha_channel, {}, {}};
            pixels.colorSpace = declaredColorSpace(layout);
            if (layout.width <= 0 || layout.height <= 0 || layout.nchannels <= 0) return true;
            pixels.values.resize(static_cast<std::size_t>(layout.width) *
                                 static_cast<std::size_t>(layout.height) *
                                 static_cast<std::size_t>(layout.nchannels));
            if (!input->read_image(0, 0, 0, layout.nchannels, OIIO::TypeDesc::FLOAT,
                                   pixels.values.data())) {
                reason = said(input->geterror(), "reading the pixels failed");
                return false;
            }
            return true;
        } catch (const std::exception &error) {
            reason = error.what();
            return false;
        }
    }

    std::unique_ptr<FilteredTexture> texture(const std::string &file) override {
        OIIO::TextureSystem *system = textures();
        // The file may have changed since an earlier load: filter what is there now.
        const OIIO::ustring key(file);
        system->invalidate(key);
        return std::make_unique<OiioTexture>(system, system->get_texture_handle(key));
    }

    bool write(const std::string &file, const ImageWrite &picture, std::string &reason) override {
        try {
            auto out = OIIO::ImageOutput::create(picture.format);
            if (!out) {
                reason = said(OIIO::geterror(), "no writer for this format");
                return false;
            }
            const OIIO::TypeDesc stored =
                picture.stored == StoredType::UInt8  ? OIIO::TypeDesc::UINT8
                : picture.stored == StoredType::Half ? OIIO::TypeDesc::HALF
                                                     : OIIO::TypeDesc::FLOAT;
            OIIO::ImageSpec layout(picture.width, picture.height, picture.channels, stored);
            if (!picture.colorSpace.empty())
                layout.attribute("oiio:ColorSpace", picture.colorSpace);
            if (!picture.channelNames.empty()) layout.channelnames = picture.channelNames;
            for (const auto &[name, text] : picture.metadata)
                layout.attribute(name, text);
            if (!out->open(file, layout)) {
                reason = said(out->geterror(), "cannot open the file");
                return false;
            }
            const bool wrote = picture.bytes
                                   ? out->write_image(OIIO::TypeDesc::UINT8, picture.bytes)
                                   : out->write_image(OIIO::TypeDesc::FLOAT, picture.floats);
            const bool closed = out->close();
            if (!wrote || !closed) {
                reason = said(out->geterror(), "writing the image failed");
                return false;
            }
            return true;
        } catch (const std::exception &error) {
            reason = error.what();
            return false;
        }
    }

  private:
    // OpenImageIO's process-wide texture system, with MIP levels made on
    // first use of each image. A private one cannot be torn down cleanly
    // with the packaged library (its destroy frees the system through the
    // wrong type), so every image list shares this one.
    OIIO::TextureSystem *textures() {
        std::call_once(texturesMade_, [this] {
            textures_ = OIIO::TextureSystem::create(true);
            textures_->attribute("automip", 1);
            textures_->attribute("autotile", 64);
            textures_->attribute("max_memory_MB", 512.0f);
            textures_->attribute("unassociatedalpha", 1);
        });
        return textures_;
    }

    std::once_flag texturesMade_;
    OIIO::TextureSystem *textures_ = nullptr;
};

}  // namespace
}  // namespace host

extern "C" __attribute__((visibility("default"))) host::ImageLibrary *orvImageLibrary(
    int interface) {
    if (interface != host::kImageLibraryInterface) return nullptr;
    // Made on first call, never destroyed: image lists and textures may be
    // in use until the process ends.
    static host::OiioLibrary *library = new host::OiioLibrary;
    return library;
}
