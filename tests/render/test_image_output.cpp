#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "host/io/image_library.h"
#include "host/raytracer/image_output.h"

namespace {

namespace fs = std::filesystem;

std::string contents(const fs::path &file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A PNG file's chunks by type: what any reader learns of its layout and
// colours comes from them.
std::map<std::string, std::string> pngChunks(const std::string &png) {
    std::map<std::string, std::string> chunks;
    const auto byte = [&](std::size_t at) { return static_cast<std::uint8_t>(png[at]); };
    for (std::size_t at = 8; at + 12 <= png.size();) {
        const std::size_t length = std::size_t{byte(at)} << 24 | std::size_t{byte(at + 1)} << 16 |
                                   std::size_t{byte(at + 2)} << 8 | byte(at + 3);
        chunks.emplace(png.substr(at + 4, 4), png.substr(at + 8, length));
        at += 12 + length;
    }
    return chunks;
}

class ImageOutput : public ::testing::Test {
  protected:
    void SetUp() override {
        folder = fs::temp_directory_path() /
                 ("orv-image-output-" + std::to_string(getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
        for (std::size_t i = 0; i < picture.values.size(); ++i)
            picture.values[i] = static_cast<float>(i) / picture.values.size();
    }
    void TearDown() override { fs::remove_all(folder); }
    std::size_t filesIn(const fs::path &where) const {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(where), fs::directory_iterator()));
    }

    fs::path folder;
    render::Image picture{4, 3};
};

TEST_F(ImageOutput, EachExtensionWritesItsFormat) {
    const std::pair<const char *, std::string> magic[] = {
        {"a.png", "\x89PNG"}, {"a.exr", "\x76\x2f\x31\x01"}, {"a.hdr", "#?"},
        {"a.TIF", "II*"},     {"a.pfm", "PF\n4 3\n"},
    };
    for (const auto &[name, start] : magic) {
        render::writeImage(picture, folder / name);
        EXPECT_EQ(contents(folder / name).substr(0, start.size()), start) << name;
    }
    // A one-channel picture is a grey PFM, bottom row first.
    render::Image grey(2, 2, 1);
    grey.values = {1, 2, 3, 4};
    render::writeImage(grey, folder / "grey.pfm");
    const std::string pfm = contents(folder / "grey.pfm");
    ASSERT_EQ(pfm.substr(0, 12), "Pf\n2 2\n-1.0\n");
    float first;
    std::memcpy(&first, pfm.data() + 12, sizeof first);
    EXPECT_EQ(first, 3.0f);
    EXPECT_EQ(filesIn(folder), std::size(magic) + 1);  // no temporaries left
}

// Read back by another reader, a PNG holds the quantised values exactly,
// rows from the top, and says how they are encoded.
TEST_F(ImageOutput, PngHoldsTheQuantisedValuesAndSaysHowTheyAreEncoded) {
    render::Image grey(3, 2, 1);
    grey.values = {0.0f, 0.5f, 1.0f, -1.0f, 2.0f, 0.2f};
    render::Image colour(2, 1, 3);
    colour.values = {1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f};
    const struct {
        const render::Image *picture;
        bool linear;
        std::vector<std::uint8_t> bytes;
        const char *colorSpace;
    } cases[] = {
        {&grey, true, {0, 128, 255, 0, 255, 51}, "linear"},
        {&grey, false, {0, 188, 255, 0, 255, 124}, "srgb"},
        {&colour, false, {255, 0, 0, 0, 0, 255}, "srgb"},
    };
    for (const auto &c : cases) {
        const fs::path file = folder / "picture.png";
        render::ImageEncoding encoding;
        encoding.linear = c.linear;
        render::writeImage(*c.picture, file, encoding);
        // The image library's reader, which is not the writer of PNG files.
        host::ImagePixels read;
        std::string reason;
        ASSERT_TRUE(host::imageLibrary(file.string(), "reading").read(file.string(), read, reason))
            << reason;
        EXPECT_EQ(read.width, c.picture->width);
        EXPECT_EQ(read.channels, c.picture->channels);
        std::vector<std::uint8_t> bytes;
        for (float value : read.values)
            bytes.push_back(static_cast<std::uint8_t>(std::lround(value * 255.0f)));
        // Eight bits a sample, and an sRGB chunk or a gamma of exactly 1.
        const auto chunks = pngChunks(contents(file));
        ASSERT_TRUE(chunks.contains("IHDR"));
        EXPECT_EQ(chunks.at("IHDR")[8], 8);
        const std::string linearGamma("\x00\x01\x86\xa0", 4);  // 100000
        const std::string colorSpace = chunks.contains("sRGB") ? "srgb"
                                       : chunks.contains("gAMA") && chunks.at("gAMA") == linearGamma
                                           ? "linear"
                                           : "unmarked";
        EXPECT_EQ(colorSpace, c.colorSpace);
        EXPECT_EQ(bytes, c.bytes) << (c.linear ? "linear" : "sRGB");
    }
    EXPECT_THROW(render::writeImage(grey, folder / "missing" / "a.png"), render::ImageError);
    EXPECT_EQ(filesIn(folder), 1u);
}

TEST_F(ImageOutput, BadNamesAndFoldersFailBeforeAnyWork) {
    EXPECT_THROW(render::checkImageOutput(folder / "a.jpg"), render::ImageError);
    EXPECT_THROW(render::checkImageOutput(folder / "missing" / "a.png"), render::ImageError);
    EXPECT_THROW(render::checkImageOutput(folder), render::ImageError);
    try {
        render::checkImageOutput(folder / "missing" / "a.png");
    } catch (const render::ImageError &error) {
        EXPECT_NE(std::string(error.what()).find("does not exist"), std::string::npos);
    }
    EXPECT_NO_THROW(render::checkImageOutput(folder / "a.exr"));
    EXPECT_EQ(filesIn(folder), 0u);
}

TEST_F(ImageOutput, LinksArePassedThroughAndPermissionsKept) {
    fs::create_directories(folder / "real");
    render::writeImage(picture, folder / "real" / "frame.png");
    fs::permissions(folder / "real" / "frame.png", fs::perms(0640), fs::perm_options::replace);
    fs::create_symlink("real/frame.png", folder / "link.png");

    picture.values[0] = 1.0f;
    render::writeImage(picture, folder / "link.png");
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(folder / "link.png")));
    EXPECT_EQ(fs::status(folder / "real" / "frame.png").permissions(), fs::perms(0640));
    EXPECT_EQ(contents(folder / "link.png"), contents(folder / "real" / "frame.png"));
    EXPECT_EQ(filesIn(folder / "real"), 1u);
}

TEST_F(ImageOutput, AFailedBatchLeavesEveryOldFileAsItWas) {
    render::writeImage(picture, folder / "beauty.png");
    render::writeImage(picture, folder / "depth.pfm");
    const std::string beauty = contents(folder / "beauty.png");
    const std::string depth = contents(folder / "depth.pfm");
    picture.values[0] = 1.0f;
    {
        render::ImageBatch batch;
        batch.add(picture, folder / "beauty.png");
        batch.add(picture, folder / "depth.pfm");
        EXPECT_THROW(batch.add(picture, folder / "nowhere" / "aov.exr"), render::ImageError);
    }
    EXPECT_EQ(contents(folder / "beauty.png"), beauty);
    EXPECT_EQ(contents(folder / "depth.pfm"), depth);
    EXPECT_EQ(filesIn(folder), 2u);
}

}  // namespace
