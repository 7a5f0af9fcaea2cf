// Gaussian Reflections, Gaussian Refractions and Pixel Image through the
// host: ray counts and mode words, colour sources, the image popup with its
// file request, saved image references, tiling, blending and the thumbnail.
#include <cmath>
#include <filesystem>

#include <unistd.h>

#include "host/io/io_state.h"
#include "support/module_fixture.h"
#include "support/write_image.h"

namespace {

namespace fs = std::filesystem;
using testing_support::Triple;

// Traces that record their direction, index and mode word, and answer with
// a fixed colour and length.
struct Traces {
    struct Ray {
        Triple direction;
        double eta;
        std::uint32_t mode;
    };
    std::vector<Ray> rays;
    Triple color{0.25, 0.5, 0.75};
    double length = 2.0;

    void attach(HostSample &sample) {
        sample.hostContext = this;
        sample.trace = trace;
    }

  private:
    static double HOST_CALL trace(const HostSample *sample, const double[3], const double d[3],
                                  double color[3], double eta, std::uint32_t mode) {
        auto &self = *static_cast<Traces *>(sample->hostContext);
        self.rays.push_back({{d[0], d[1], d[2]}, eta, mode});
        for (int c = 0; c < 3; ++c)
            color[c] = self.color[c];
        return self.length;
    }
};

bool finite(const Triple &t) {
    return std::isfinite(t[0]) && std::isfinite(t[1]) && std::isfinite(t[2]);
}

class ImageNodes : public testing_support::ModuleTest {
  protected:
    Traces traces;
    fs::path dir;

    void SetUp() override {
        traces.attach(sample);
        dir = fs::temp_directory_path() /
              ("orv_image_nodes_" + std::to_string(::getpid()) + "_" +
               testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    // A 4 x 3 image whose pixel (x, y) has red x/4, green y/4 and blue 1,
    // and alpha (x + y)/8 when it has alpha.
    std::string makeImage(const std::string &name, bool alpha = false) {
        const int channels = alpha ? 4 : 3;
        std::vector<float> pixels;
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 4; ++x) {
                pixels.insert(pixels.end(), {x / 4.0f, y / 4.0f, 1.0f});
                if (alpha) pixels.push_back((x + y) / 8.0f);
            }
        const std::string file = (dir / (name + ".exr")).string();
        EXPECT_TRUE(testing_support::writeImage(file, 4, 3, channels, pixels.data()));
        return file;
    }
    host::ImageList &images() { return host.services().images(); }
};

TEST_F(ImageNodes, ReflectionSampleCountsAndModeWords) {
    host::ModuleNode &node = add("Gaussian Reflections");
    color(node);
    ASSERT_EQ(traces.rays.size(), 1u);  // blur 0: one sharp mirror ray
    EXPECT_EQ(traces.rays[0].mode, 1u);
    EXPECT_EQ(traces.rays[0].direction, (Triple{0, 1, 0}));

    set(node, "Reflection Blur", "5%");
    traces.rays.clear();
    const Triple blurred = color(node);
    ASSERT_EQ(traces.rays.size(), 8u);
    for (const auto &ray : traces.rays) {
        EXPECT_EQ(ray.mode, 0x40000001u);
        EXPECT_NEAR(std::hypot(ray.direction[0], ray.direction[1], ray.direction[2]), 1.0, 1e-9);
    }
    EXPECT_NEAR(blurred[1], 0.5, 1e-12);  // the average of equal colours

    // A sampled ray past the blur depth, a preview, and too few samples.
    sample.flags = HOST_SAMPLE_SAMPLED;
    sample.bounces = 1;
    traces.rays.clear();
    color(node);
    EXPECT_EQ(traces.rays.size(), 1u);
    set(node, "Blur Depth", "1");
    traces.rays.clear();
    color(node);
    EXPECT_EQ(traces.rays.size(), 8u);
    sample.flags = HOST_SAMPLE_PREVIEW;
    traces.rays.clear();
    color(node);
    EXPECT_EQ(traces.rays.size(), 1u);
    sample.flags = 0;
    feed(node, "Samples", 0);
    traces.rays.clear();
    color(node);
    EXPECT_EQ(traces.rays.size(), 1u);

    sample.flags = HOST_SAMPLE_SHADOW;
    traces.rays.clear();
    EXPECT_EQ(color(node), (Triple{0, 0, 0}));
    EXPECT_TRUE(traces.rays.empty());
}

TEST_F(ImageNodes, ReflectionSourcesAndTint) {
    host::ModuleNode &node = add("Gaussian Reflections");
    host.services().setBackdrop([](double, const double d[3], double c[3]) {
        c[0] = d[1];
        c[1] = c[2] = 0.0;
    });
    set(node, "Mode", "Backdrop Only");
    EXPECT_EQ(color(node), (Triple{1, 0, 0}));  // straight up
    EXPECT_TRUE(traces.rays.empty());
    set(node, "Mode", "Spherical Map");  // with "(none)": black
    EXPECT_EQ(color(node), (Triple{0, 0, 0}));
    set(node, "Mode", "3");  // " Ray Tracing + Spherical Map"
    traces.length = -1.0;    // a miss keeps what the trace wrote
    EXPECT_EQ(color(node), traces.color);
    set(node, "Tint Reflections", "on");
    feed(node, "Color", Triple{2, 2, 0});
    EXPECT_EQ(color(node), (Triple{0.5, 1.0, 0.0}));
}

TEST_F(ImageNodes, DegenerateNormalsAndDirectionsStayFinite) {
    host::ModuleNode &reflections = add("Gaussian Reflections");
    host::ModuleNode &refractions = add("Gaussian Refractions");
    for (host::ModuleNode *node : {&reflections, &refractions}) {
        set(*node, node == &reflections ? "Reflection Blur" : "Refraction Blur", "20%");
        feed(*node, "Normal", Triple{0, 0, 0});
    }
    set(refractions, "Refraction Index", "0");
    sample.raySource[1] = 0.0;  // the spot is the ray's own source
    EXPECT_TRUE(finite(color(reflections)));
    EXPECT_TRUE(finite(color(refractions)));
    for (const auto &ray : traces.rays)
        EXPECT_TRUE(finite(ray.direction));
    EXPECT_EQ(traces.rays.size(), 16u);
}

TEST_F(ImageNodes, RefractionPassesStraightOnOrMirrorsPastTheCriticalAngle) {
    host::ModuleNode &node = add("Gaussian Refractions");
    color(node);  // the defaults: straight on, sharp
    ASSERT_EQ(traces.rays.size(), 1u);
    EXPECT_EQ(traces.rays[0].direction, (Triple{0, -1, 0}));
    EXPECT_EQ(traces.rays[0].mode, 2u);
    EXPECT_EQ(traces.rays[0].eta, 1.0);

    // Equal indices pass straight on, however blurred.
    set(node, "Refraction Blur", "30%");
    sample.refractionIndex = 1.5;
    set(node, "Refraction Index", "1.5");
    traces.rays.clear();
    color(node);
    for (const auto &ray : traces.rays) {
        EXPECT_NEAR(ray.direction[1], -1.0, 1e-12);
        EXPECT_EQ(ray.mode, 0x40000002u);
    }

    // Leaving glass at 60° from the normal mirrors, traced in the glass.
    set(node, "Refraction Blur", "0");
    set(node, "Refraction Index", "1");
    sample.raySource[0] = -std::sqrt(3.0);
    traces.rays.clear();
    color(node);
    ASSERT_EQ(traces.rays.size(), 1u);
    EXPECT_EQ(traces.rays[0].eta, 1.5);
    EXPECT_GT(traces.rays[0].direction[1], 0.0);

    // Shadow rays: white, or the tint.
    sample.flags = HOST_SAMPLE_SHADOW;
    EXPECT_EQ(color(node), (Triple{1, 1, 1}));
    set(node, "Tint Refractions", "on");
    feed(node, "Color", Triple{0.5, 0.25, 0});
    EXPECT_EQ(color(node), (Triple{0.5, 0.25, 0}));
}

TEST_F(ImageNodes, PopupLoadsCancelsAndFollowsTheImageList) {
    for (const char *name : {"a", "b", "c", "d"})
        images().load(makeImage(name));
    host::ModuleNode &node = add("Gaussian Reflections");
    host::Panel &panel = panelOf(node);
    EXPECT_EQ(panel.choices(0x8002),
              (std::vector<std::string>{"(none)", "a", "b", "c", "d", "(load Image)"}));

    host.services().fileRequests().cancel();
    panel.setInt(0x8002, 5);
    ASSERT_EQ(host.services().fileRequests().asked().size(), 1u);
    EXPECT_EQ(host.services().fileRequests().asked()[0].title, "Load Clip or Still");
    EXPECT_EQ(panel.intValue(0x8002), 0);

    host.services().fileRequests().answer(makeImage("e"));
    panel.setInt(0x8002, 5);
    EXPECT_EQ(images().count(), 5u);
    EXPECT_EQ(panel.intValue(0x8002), 5);
    EXPECT_EQ(panel.choices(0x8002).at(5), "e");

    // The last image removed: the panel asking first shows "(none)"...
    images().remove(images().images().back());
    EXPECT_EQ(panel.choices(0x8002).at(0), "(none)");
    EXPECT_EQ(panel.intValue(0x8002), 0);
    // ...a render starting first clamps to the new last image.
    panel.setInt(0x8002, 4);
    images().remove(images().images().back());
    startFrame();
    EXPECT_EQ(panel.intValue(0x8002), 3);
}

TEST_F(ImageNodes, ImageReferencesSaveBetweenSettingsAndParameters) {
    images().load(makeImage("a"));
    const std::string b = makeImage("b");
    images().load(b);
    host::ModuleNode &node = add("Gaussian Refractions");
    set(node, "Samples", "40000");
    host::TextSaveState none;
    node.save(none);
    EXPECT_EQ(none.items().dump().find(b), std::string::npos);

    panelOf(node).setInt(0x8002, 2);
    host::TextSaveState saved;
    node.save(saved);
    const nlohmann::json items = saved.items();
    ASSERT_GE(items.size(), 6u);
    EXPECT_EQ(items[5].dump().find(b) != std::string::npos, true) << items.dump();

    // The reference, not the number, finds the image in another list.
    images().remove(images().first());
    host::ModuleNode &loaded = add("Gaussian Refractions");
    host::TextLoadState in(items);
    loaded.load(in);
    EXPECT_EQ(panelOf(loaded).intValue(0x8002), 1);
    EXPECT_EQ(panelOf(loaded).intValue(0x8008), -25536);
    set(loaded, "Refraction Blur", "10%");
    color(loaded);
    EXPECT_EQ(traces.rays.size(), 1u);
}

TEST_F(ImageNodes, PixelImageTilesEachAxisOfAFourByThreeImage) {
    images().load(makeImage("grid"));
    host::ModuleNode &node = add("Pixel Image");
    feed(node, "Bg Color", Triple{9, 9, 9});
    EXPECT_EQ(color(node), (Triple{9, 9, 9}));  // no image
    EXPECT_EQ(scalar(node, "Alpha"), 1.0);
    set(node, "Image", "grid");
    startFrame();
    struct Case {
        const char *rule;
        int x;
        double red;  // column / 4, or 9 for the background
    };
    for (const Case &c : {Case{"Reset", 5, 9}, Case{"Repeat", 5, 0.25}, Case{"Mirror", 5, 0.5},
                          Case{"Edge", 5, 0.75}, Case{"Reset", -1, 9}, Case{"Repeat", -1, 0.75},
                          Case{"Mirror", -1, 0.25}, Case{"Edge", -1, 0}, Case{"Repeat", -4, 0}}) {
        set(node, "U Tiling", c.rule);
        set(node, "X", std::to_string(c.x));
        EXPECT_EQ(color(node)[0], c.red) << c.rule << " " << c.x;
    }
    set(node, "X", "1");
    set(node, "V Tiling", "Edge");
    set(node, "Y", "7");
    EXPECT_EQ(color(node), (Triple{0.25, 0.5, 1.0}));  // "Normal" at full opacity
}

TEST_F(ImageNodes, PixelImageClampsItsInputsAndReadsAlpha) {
    images().load(makeImage("plain"));
    images().load(makeImage("clear", true));
    host::ModuleNode &node = add("Pixel Image");
    startFrame();
    feed(node, "Bg Color", Triple{0.5, 0.5, 0.5});
    feed(node, "Image", 2);
    set(node, "X", "3");
    set(node, "Y", "2");
    EXPECT_EQ(scalar(node, "Alpha"), 5.0 / 8.0);
    EXPECT_EQ(color(node), (Triple{0.75, 0.5, 1.0}));
    feed(node, "Blending", 20);  // acts as Blue
    EXPECT_EQ(color(node), (Triple{0.5, 0.5, 1.0}));
    feed(node, "Blending", -3);  // acts as Normal
    feed(node, "U Tiling", 9);   // acts as Edge
    set(node, "X", "50");
    EXPECT_EQ(color(node), (Triple{0.75, 0.5, 1.0}));
    feed(node, "Image", 1);
    EXPECT_EQ(scalar(node, "Alpha"), 1.0);  // no alpha channel
    feed(node, "Image", 0);
    EXPECT_EQ(color(node), (Triple{0.5, 0.5, 0.5}));
}

TEST_F(ImageNodes, ThumbnailDrawsTheSelectedImage) {
    images().load(makeImage("grid"));
    host::ModuleNode &node = add("Pixel Image");
    host::Panel &panel = panelOf(node);
    host::Panel::Picture empty = panel.draw(0x8001, 8, 6);
    EXPECT_EQ(std::count(empty.rgb.begin(), empty.rgb.end(), 0), 8 * 6 * 3);
    set(node, "Image", "grid");
    const host::Panel::Picture picture = panel.draw(0x8001, 8, 6);
    // Pixel (7, 5) reads image pixel (3, 2): red 0.75, green 0.5, blue 1.
    const std::uint8_t *last = &picture.rgb[(5 * 8 + 7) * 3];
    EXPECT_EQ(last[0], 191);
    EXPECT_EQ(last[1], 127);
    EXPECT_EQ(last[2], 255);
}

}  // namespace
