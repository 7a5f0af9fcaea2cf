// The image list over real image files, and "NodeUtilityFuncs".
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <thread>

#include <unistd.h>

#include "host/base/error.h"
#include "host/io/io_state.h"
#include "host/services/image_list.h"
#include "host/services/services.h"
#include "support/write_image.h"

namespace host {
namespace {

namespace fs = std::filesystem;
using testing_support::writeImage;

class ImageListTest : public testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("orv_images_" + std::to_string(::getpid()) + "_" +
                testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
        setCurrentServices(&services_);
        // 2 x 2 RGBA: red, green / blue, half-transparent white.
        const std::uint8_t rgba[] = {255, 0, 0,   255, 0,   255, 0,   255,
                                     0,   0, 255, 255, 255, 255, 255, 128};
        png_ = (dir_ / "tiles.png").string();
        EXPECT_TRUE(writeImage(png_, 2, 2, 4, rgba));
        // 3 x 1 binary PPM, written by hand.
        ppm_ = (dir_ / "tiles.ppm").string();
        std::ofstream(ppm_, std::ios::binary)
            << "P6\n3 1\n255\n"
            << std::string("\x00\x00\x00\x80\x80\x80\xff\xff\xff", 9);
    }
    void TearDown() override {
        setCurrentServices(nullptr);
        fs::remove_all(dir_);
    }
    ImageList &images() { return services_.images(); }

    Services services_;
    fs::path dir_;
    std::string png_, ppm_;
};

TEST_F(ImageListTest, LoadsFilesIntoTheListInOrder) {
    const HostImageList *list = imageListService();
    EXPECT_EQ(list->first(), nullptr);
    HostImageID png = list->load(png_.c_str());
    HostImageID ppm = list->load(ppm_.c_str());
    HostImageID again = list->load(png_.c_str());
    ASSERT_TRUE(png && ppm && again);
    EXPECT_EQ(list->first(), png);
    EXPECT_EQ(list->next(png), ppm);
    EXPECT_EQ(list->next(ppm), again);
    EXPECT_EQ(list->next(again), nullptr);
    EXPECT_STREQ(list->name(png), "tiles");
    EXPECT_STREQ(list->name(ppm), "tiles (2)");
    EXPECT_STREQ(list->name(again), "tiles (3)");
    EXPECT_EQ(list->filename(ppm, 7), ppm_);

    int width = 0, height = 0;
    list->size(png, &width, &height);
    EXPECT_EQ(width, 2);
    EXPECT_EQ(height, 2);
    float color[3];
    list->RGB(png, 0, 1, color);  // bottom-left: blue
    EXPECT_EQ(color[0], 0.0f);
    EXPECT_EQ(color[2], 1.0f);
    EXPECT_TRUE(list->hasAlpha(png));
    EXPECT_NEAR(list->alpha(png, 1, 1), 128.0f / 255.0f, 1e-6);
    // An 8-bit file's colours are sRGB: read as linear light.
    list->RGB(ppm, 1, 0, color);
    EXPECT_NEAR(color[1], 0.2158605f, 1e-6);
    EXPECT_FALSE(list->hasAlpha(ppm));
    EXPECT_EQ(list->alpha(ppm, 2, 0), 1.0f);
}

TEST_F(ImageListTest, UnreadableFilesFailNamingTheFile) {
    const std::string missing = (dir_ / "missing.png").string();
    try {
        images().load(missing);
        FAIL() << "a missing file loaded";
    } catch (const Error &e) {
        EXPECT_EQ(std::string(e.what()),
                  "image file \"" + missing + "\": No such file or directory");
    }
    const std::string garbage = (dir_ / "garbage.png").string();
    std::ofstream(garbage) << "not an image";
    EXPECT_EQ(imageListService()->load(garbage.c_str()), nullptr);
    EXPECT_NE(images().lastError().find(garbage), std::string::npos);
    EXPECT_EQ(imageListService()->load(nullptr), nullptr);
    EXPECT_EQ(imageListService()->first(), nullptr);
}

TEST_F(ImageListTest, ReadsOutsideTheImageOrThroughStaleHandlesAreBlack) {
    const HostImageList *list = imageListService();
    HostImageID png = list->load(png_.c_str());
    float color[3] = {9, 9, 9};
    list->RGB(png, 2, 0, color);
    EXPECT_EQ(color[0] + color[1] + color[2], 0.0f);
    EXPECT_EQ(list->alpha(png, -1, 0), 0.0f);
    images().clear();
    // A module may still hold the handle of an image the list dropped.
    list->RGB(png, 0, 0, color);
    EXPECT_EQ(color[0], 0.0f);
    EXPECT_EQ(list->name(png), nullptr);
    int width = 5, height = 5;
    list->size(png, &width, &height);
    EXPECT_EQ(width + height, 0);
    EXPECT_EQ(list->next(png), nullptr);
}

TEST_F(ImageListTest, SpotsWrapAndBlend) {
    const HostImageList *list = imageListService();
    HostImageID png = list->load(png_.c_str());
    double color[3];
    // v runs bottom to top: (0.25, 0.75) is the top-left pixel's centre.
    list->spot(png, 0.25, 0.75, 0.01, 0, color);
    EXPECT_EQ(color[0], 1.0);
    list->spot(png, 1.25, -0.25, 0.01, 0, color);  // wraps to the same pixel
    EXPECT_EQ(color[0], 1.0);
    // Between the top two pixels, half red and half green.
    list->spot(png, 0.5, 0.75, 0.01, 1, color);
    EXPECT_NEAR(color[0], 0.5, 1e-9);
    EXPECT_NEAR(color[1], 0.5, 1e-9);
    // The seam blends the last column with the first.
    list->spot(png, 0.0, 0.75, 0.01, 1, color);
    EXPECT_NEAR(color[0], 0.5, 1e-9);
}

// 8-bit files decode to linear light unless the scene says the file holds
// data; float files are linear already unless the scene says otherwise.
// Point reads and filtered lookups agree on it.
TEST_F(ImageListTest, ColoursAreReadInTheColourSpaceTheFileImpliesOrTheSceneNames) {
    const std::uint8_t grey[] = {128, 128, 128};
    const float half[] = {0.5f, 0.5f, 0.5f};
    const std::string png = (dir_ / "grey.png").string(), exr = (dir_ / "half.exr").string();
    ASSERT_TRUE(writeImage(png, 1, 1, 3, grey));
    ASSERT_TRUE(writeImage(exr, 1, 1, 3, half));
    const float decoded128 = 0.2158605f, decodedHalf = 0.2140411f;
    const struct {
        const std::string &file;
        ImageColorSpace space;
        float expected;
    } cases[] = {
        {png, ImageColorSpace::FromFile, decoded128},
        {png, ImageColorSpace::Raw, 128.0f / 255.0f},
        {png, ImageColorSpace::Linear, 128.0f / 255.0f},
        {exr, ImageColorSpace::FromFile, 0.5f},
        {exr, ImageColorSpace::Srgb, decodedHalf},
    };
    for (const auto &c : cases) {
        const HostImageID image = images().load(c.file, c.space);
        float color[3];
        images().rgb(image, 0, 0, color);
        EXPECT_NEAR(color[0], c.expected, 1e-6) << c.file << " as " << static_cast<int>(c.space);
        double filtered[3];
        images().spot(image, 0.5, 0.5, 0.5, true, filtered);
        EXPECT_NEAR(filtered[0], c.expected, 1e-3) << c.file << " as " << static_cast<int>(c.space);
    }
    ImageColorSpace space;
    EXPECT_TRUE(parseImageColorSpace("SRGB", space) && space == ImageColorSpace::Srgb);
    EXPECT_FALSE(parseImageColorSpace("rec709", space));
}

TEST_F(ImageListTest, EveryCommonFormatLoadsAsFloats) {
    const float ramp[] = {0.0f, 0.25f, 0.5f, 1.0f, 2.0f, 4.0f};  // 2 x 1 RGB
    for (const char *extension : {"exr", "hdr", "tif", "png", "jpg"}) {
        const std::string file = (dir_ / (std::string("ramp.") + extension)).string();
        EXPECT_TRUE(writeImage(file, 2, 1, 3, ramp));
        HostImageID image = images().load(file);
        float color[3];
        images().rgb(image, 1, 0, color);
        const std::string format = extension;
        // Float formats keep values above 1; the others clip them, and JPEG
        // blurs colours a little (more once decoded to linear light).
        const bool real = format == "exr" || format == "hdr" || format == "tif";
        const float tolerance = format == "jpg" ? 0.3f : 0.01f;
        EXPECT_NEAR(color[2], real ? 4.0f : 1.0f, tolerance) << format;
        EXPECT_NEAR(color[0], 1.0f, tolerance) << format;
    }
}

TEST_F(ImageListTest, AnImageWithoutPixelsIsRefusedNamingTheFile) {
    const std::string empty = (dir_ / "empty.ppm").string();
    std::ofstream(empty, std::ios::binary) << "P6\n0 3\n255\n";
    EXPECT_EQ(imageListService()->load(empty.c_str()), nullptr);
    EXPECT_NE(images().lastError().find(empty), std::string::npos);
    EXPECT_EQ(images().count(), 0u);
}

TEST_F(ImageListTest, WalkingAndRemovingKeepOtherHandles) {
    HostImageID a = images().load(png_), b = images().load(ppm_), c = images().load(png_);
    EXPECT_TRUE(images().remove(b));
    EXPECT_FALSE(images().remove(b));
    EXPECT_EQ(imageListService()->first(), a);
    EXPECT_EQ(imageListService()->next(a), c);
    EXPECT_EQ(imageListService()->next(c), nullptr);
    EXPECT_EQ(imageListService()->next(b), nullptr);
    EXPECT_STREQ(imageListService()->name(c), "tiles (3)");
}

// A one-pixel checkerboard: a point lookup sees black or white, a footprint
// of many pixels their grey average, whatever the phase.
TEST_F(ImageListTest, WideSpotsAverageThePixelsUnderThem) {
    constexpr int kSize = 64;
    std::vector<float> checks(kSize * kSize * 3);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
            for (int c = 0; c < 3; ++c)
                checks[(y * kSize + x) * 3 + c] = static_cast<float>((x + y) % 2);
    const std::string file = (dir_ / "checks.exr").string();
    EXPECT_TRUE(writeImage(file, kSize, kSize, 3, checks.data()));
    HostImageID image = images().load(file);
    double color[3];
    for (double u : {6.0 / kSize, 23.0 / kSize, 40.0 / kSize}) {
        imageListService()->spot(image, u + 0.5 / kSize, 0.5 + 0.5 / kSize, 0.0, 1, color);
        EXPECT_TRUE(color[0] < 0.05 || color[0] > 0.95) << u;
        imageListService()->spot(image, u, 0.5, 0.25, 1, color);
        EXPECT_NEAR(color[0], 0.5, 0.05) << u;
    }
}

TEST_F(ImageListTest, ImageReferencesSurviveASceneRoundTrip) {
    const HostImageList *list = imageListService();
    HostImageID png = list->load(png_.c_str());
    HostImageID ppm = list->load(ppm_.c_str());
    TextSaveState saver;
    list->sceneSave(saver.api(), ppm);
    list->sceneSave(saver.api(), nullptr);
    {
        TextLoadState loader(saver.items());
        EXPECT_EQ(list->sceneLoad(loader.api()), ppm);
        EXPECT_EQ(list->sceneLoad(loader.api()), nullptr);
    }
    // A fresh list reads the referenced file again.
    images().clear();
    TextLoadState loader(saver.items());
    HostImageID reloaded = list->sceneLoad(loader.api());
    ASSERT_NE(reloaded, nullptr);
    EXPECT_EQ(list->filename(reloaded, 0), ppm_);
    EXPECT_NE(png, nullptr);
}

TEST_F(ImageListTest, RenderThreadsReadConcurrently) {
    HostImageID png = images().load(png_);
    std::vector<std::thread> threads;
    std::vector<double> sums(8, 0.0);
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 2000; ++i) {
                float color[3];
                imageListService()->RGB(png, i % 2, (i / 2) % 2, color);
                sums[t] += color[0] + color[1] + color[2];
            }
        });
    for (std::thread &thread : threads)
        thread.join();
    for (double sum : sums)
        EXPECT_EQ(sum, 500.0 * 6.0);
}

// ---- "NodeUtilityFuncs" ----

TEST(NodeUtility, BlendModesMixAtTheOpacity) {
    const HostNodeUtilityFuncs *utility = nodeUtilityService();
    const double fg[3] = {0.5, 0.25, 1.0};
    const double bg[3] = {0.5, 0.5, 0.0};
    const auto blended = [&](int mode, double opacity = 1.0) {
        double result[3];
        utility->blend(result, fg, bg, opacity, mode);
        return std::vector<double>(result, result + 3);
    };
    using V = std::vector<double>;
    EXPECT_EQ(blended(0), (V{0.5, 0.25, 1.0}));
    EXPECT_EQ(blended(1), (V{1.0, 0.75, 1.0}));
    EXPECT_EQ(blended(2), (V{0.0, 0.25, -1.0}));
    EXPECT_EQ(blended(3), (V{0.25, 0.125, 0.0}));
    EXPECT_EQ(blended(4), (V{0.75, 0.625, 1.0}));
    EXPECT_EQ(blended(5), (V{0.5, 0.25, 0.0}));
    EXPECT_EQ(blended(6), (V{0.5, 0.5, 1.0}));
    EXPECT_EQ(blended(7), (V{0.0, 0.25, 1.0}));
    EXPECT_EQ(blended(8), (V{0.5, 0.75, 0.0}));
    EXPECT_EQ(blended(9), (V{1.0, 0.5 / 0.75, 0.0}));  // a white foreground leaves black
    EXPECT_EQ(blended(10), (V{0.0, 0.0, 0.0}));
    EXPECT_EQ(blended(11), (V{0.5, 0.5, 0.0}));
    EXPECT_EQ(blended(12), (V{0.5, 0.25, 0.0}));
    EXPECT_EQ(blended(13), (V{0.5, 0.5, 1.0}));
    EXPECT_EQ(blended(0, 0.0), (V{0.5, 0.5, 0.0}));
    EXPECT_EQ(blended(1, 0.5), (V{0.75, 0.625, 0.5}));
    EXPECT_EQ(blended(99), blended(0));
}

TEST(NodeUtility, SphericalMapTurnsWithTheSeam) {
    const HostNodeUtilityFuncs *utility = nodeUtilityService();
    const auto map = [&](double seam, double x, double y, double z) {
        const double direction[3] = {x, y, z};
        double u = -1, v = -1;
        utility->sphericalMap(seam, direction, &u, &v);
        return std::pair{u, v};
    };
    EXPECT_EQ(map(0.0, 0, 0, 1), std::pair(0.0, 0.5));
    EXPECT_NEAR(map(0.0, 1, 0, 0).first, 0.25, 1e-12);
    EXPECT_NEAR(map(0.0, -1, 0, 0).first, 0.75, 1e-12);
    EXPECT_NEAR(map(std::numbers::pi / 2, 1, 0, 0).first, 0.0, 1e-12);
    EXPECT_NEAR(map(0.0, 0, 5, 0).second, 1.0, 1e-12);
    EXPECT_NEAR(map(0.0, 0, -5, 0).second, 0.0, 1e-12);
    EXPECT_NEAR(map(0.0, 1, 1, 0).second, 0.75, 1e-12);
    EXPECT_EQ(map(0.0, 0, 0, 0), std::pair(0.0, 0.5));
    EXPECT_EQ(map(0.0, NAN, 0, 1), std::pair(0.0, 0.5));
    const auto [u, v] = map(0.0, -1e-20, 0, 1);  // just short of the seam
    EXPECT_TRUE(u >= 0.0 && u < 1.0);
    EXPECT_EQ(v, 0.5);
}

TEST(NodeUtility, NodeSizeIsZeroWithoutAnEditorCanvas) {
    double size[3] = {1, 1, 1}, center[3] = {1, 1, 1};
    nodeUtilityService()->nodeSize(nullptr, size, center);
    EXPECT_EQ(size[0] + size[1] + size[2] + center[0] + center[1] + center[2], 0.0);
}

}  // namespace
}  // namespace host
