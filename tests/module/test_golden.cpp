// Saved layouts pinned by golden files: for every node kind, an instance
// with non-default values (one of them animated) saves to exactly the bytes
// kept in tests/golden, in the text and in the binary form, and each golden
// file loads back to the values it was made from. A round trip cannot see a
// change made the same way on save and load; these files can.
//
// ORV_UPDATE_GOLDEN=1 rewrites the files from the current code (only for a
// deliberate change of a saved layout, or a new node kind).
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include "host/io/io_state.h"
#include "support/module_fixture.h"

namespace {

using testing_support::ModuleTest;
using json = nlohmann::json;

struct GoldenKind {
    const char *kind;
    const char *file;  // base name in tests/golden
    std::vector<std::pair<std::string, json>> settings;
    // Saved items (text form) loaded before the settings, for values no
    // panel sets: a store's id, a nested graph.
    json preload = nullptr;
    // The image popup's control, set to the scenes' test card when not 0.
    std::uint32_t imageControl = 0;
};

// The saved reference is the file name as the image list was given it, so
// the card is loaded by a name relative to scenes/, the same on every
// machine, as scene files name their images.
constexpr const char *kCard = "env/card.png";
// A build without the image library (the 32-bit one) cannot load the card:
// it checks every layout but those with an image selected.
#ifdef ORV_NO_IMAGE_LIBRARY
constexpr bool kWithImages = false;
#else
constexpr bool kWithImages = true;
#endif

// A nested editor's block as a Group Node saves it, holding a graph.
json editorBlock(const json &graph) {
    const std::string text = graph.dump();
    return json::array(
        {{{"block", "NodeEditor"}, {"items", {{{"i4", text.size()}}, {{"str", text}}}}}});
}

// A ramp from a at time 0 to b at time 1, so the envelope itself is saved.
json ramp(double a, double b) {
    return {{"keys", {{0.0, a}, {1.0, b}}}, {"shape", "linear"}};
}

// Every value of every kind differs from its default.
const std::vector<GoldenKind> &goldenKinds() {
    static const std::vector<GoldenKind> kinds = {
        {"Advanced RayTrace",
         "advanced_raytrace",
         {{"Position", "1 2 3"},
          {"Direction", ramp(-1.0, 1.0)},
          {"Mode", "Refraction"},
          {"Refraction Index", "1.5"},
          {"Color", "0.25 0.5 0.75"},
          {"Backshade", "on"},
          {"Backdrop", "on"},
          {"Object", "on"},
          {"Sampled Ray", "on"},
          {"No Polygon", "on"}}},
        {"Ambient Occlusion",
         "ambient_occlusion",
         {{"0x8001", "Polar"},    {"0x8002", "5"},           {"0x8003", "4"},
          {"0x8004", "7"},        {"0x8005", "10"},          {"0x8006", ramp(30.0, 60.0)},
          {"0x8007", "off"},      {"0x8008", "2.5"},         {"0x8009", "0.125"},
          {"0x800a", "on"},       {"0x800b", "0.25"},        {"0x800c", "on"},
          {"0x800d", "0.75"},     {"0x800e", "0.01"},        {"0x800f", "3"},
          {"0x8010", "Trace"},    {"0x8011", "0.1 0.2 0.3"}, {"0x8012", "50"},
          {"0x8013", "Backdrop"}, {"0x8014", "0.4 0.5 0.6"}, {"0x8015", "60"},
          {"0x8016", "Trace"},    {"0x8017", "0.7 0.8 0.9"}, {"0x8018", "70"},
          {"0x8019", "Backdrop"}, {"0x801a", "0.3 0.2 0.1"}, {"0x801b", "80"}}},
        {"Counter",
         "counter",
         {{"Mode", "A Less Than B"},
          {"Start Value", "2"},
          {"Increase Value", ramp(0.5, 1.5)},
          {"A", "-3"},
          {"B", "4"}}},
        {"Exponential Decay (Color)",
         "decay_color",
         {{"Distance", ramp(0.0, 4.0)},
          {"Nominal Distance", "2"},
          {"Color", "0.1 0.6 0.9"},
          {"Clamp", "off"}}},
        {"Exponential Decay (Scalar)",
         "decay_scalar",
         {{"Distance", "3"},
          {"Nominal Distance", ramp(1.0, 2.0)},
          {"Scalar", "5"},
          {"Clamp", "off"}}},
        // The image popups stay at "(none)": a saved image reference is a file
        // name, which differs from machine to machine (its layout is tested
        // with the image nodes).
        {"Gaussian Reflections",
         "gaussian_reflections",
         {{"Mode", "Spherical Map"},
          {"Image Seam Angle", "90"},
          {"Tint Reflections", "on"},
          {"Color", "0.1 0.2 0.3"},
          {"Reflection Blur", ramp(5.0, 20.0)},
          {"Samples", "16"},
          {"Blur Depth", "2"}}},
        // With an image selected: the reference follows the ints.
        {"Gaussian Reflections",
         "gaussian_reflections_image",
         {{"Mode", " Ray Tracing + Spherical Map"}, {"Reflection Blur", "5"}},
         nullptr,
         0x8002},
        {"Gaussian Refractions",
         "gaussian_refractions_image",
         {{"Mode", "Spherical Map"}, {"Refraction Index", "1.33"}},
         nullptr,
         0x8002},
        {"Pixel Image", "pixel_image_image", {{"X", "2"}, {"Y", "-1"}}, nullptr, 0x8003},
        {"Gaussian Refractions",
         "gaussian_refractions",
         {{"Mode", "Backdrop Only"},
          {"Image Seam Angle", "-45"},
          {"Refraction Index", ramp(1.0, 1.5)},
          {"Tint Refractions", "on"},
          {"Color", "0.4 0.5 0.6"},
          {"Refraction Blur", "12"},
          {"Samples", "4"},
          {"Blur Depth", "3"}}},
        // A store chosen by an id that stays the same whatever the process did
        // before.
        {"Get Material", "get_material", {}, json::array({{{"i2", 1}}, {{"i2", 12}}})},
        {"Group Node",
         "group_node",
         {},
         editorBlock(
             {{"nodes",
               {{{"name", "Half"}, {"native", "Constant Scalar"}, {"settings", {{"value", 0.5}}}},
                {{"name", "Root of it"}, {"server", "Sqrt"}}}},
              {"connections", {{"Half", "Scalar", "Root of it", "In"}}},
              {"root", {{"Scalar", {"Root of it", "Out"}}}}})},
        {"Hold Value",
         "hold_value",
         {{"Mode", "A Greater Than B"}, {"Input", ramp(2.0, 8.0)}, {"A", "1.5"}, {"B", "-2"}}},
        {"Pixel Image",
         "pixel_image",
         {{"Bg Color", "0.2 0.4 0.6"},
          {"Blending", "Screen"},
          {"Opacity", ramp(25.0, 75.0)},
          {"U Tiling", "Mirror"},
          {"V Tiling", "Edge"},
          {"X", "-7"},
          {"Y", "300"}}},
        {"Render Info", "render_info", {}},
        {"Random", "random", {{"Min", "-2"}, {"Max", ramp(3.0, 6.0)}}},
        {"RayShade", "rayshade", {{"Position", "0.5 -1 2"}, {"Direction", ramp(0.0, 1.0)}}},
        {"Sqrt", "sqrt", {{"Input", ramp(4.0, 9.0)}}},
        {"Store Material",
         "store_material",
         {{"Name", "Bricks"}},
         json::array({{{"i2", 12}}, {{"str", "Store"}}})},
        {"Take Samples",
         "take_samples",
         {{"0x8001", "Multiply"},
          {"0x8002", "5"},
          {"0x8003", "0.1"},
          {"0x8004", "on"},
          {"0x8005", "0.2"},
          {"0x8006", "on"},
          {"0x8007", "0.9"},
          {"0x8008", ramp(0, 1)},
          {"0x8009", "on"},
          {"0x800a", "0.3"},
          {"0x800b", "on"},
          {"0x800c", "0.8"},
          {"0x800d", "-0.1"},
          {"0x800e", "on"},
          {"0x800f", "0.05"},
          {"0x8010", "on"},
          {"0x8011", "0.7"}}},
    };
    return kinds;
}

std::filesystem::path goldenPath(const GoldenKind &kind, const char *extension) {
    return std::filesystem::path(ORV_GOLDEN_DIR) / (std::string(kind.file) + extension);
}

bool updating() {
    const char *flag = std::getenv("ORV_UPDATE_GOLDEN");
    return flag && std::string(flag) == "1";
}

std::string readFile(const std::filesystem::path &path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << path << ": missing; run with ORV_UPDATE_GOLDEN=1 to make it";
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::filesystem::path &path, const std::string &bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string textForm(host::ModuleNode &node) {
    host::TextSaveState state;
    node.save(state);
    return state.items().dump(2) + "\n";
}

std::string binaryForm(host::ModuleNode &node) {
    host::BinarySaveState state;
    node.save(state);
    const std::vector<std::uint8_t> bytes = state.bytes();
    return {bytes.begin(), bytes.end()};
}

class GoldenTest : public ModuleTest {
  protected:
    GoldenTest() : workingDirectory_(std::filesystem::current_path()) {
        std::filesystem::current_path(ORV_SCENES_DIR);
        if (kWithImages) host.services().images().load(kCard);
    }
    ~GoldenTest() override { std::filesystem::current_path(workingDirectory_); }

    host::ModuleNode &configured(const GoldenKind &kind) {
        host::ModuleNode &node = add(kind.kind);
        if (!kind.preload.is_null()) {
            host::TextLoadState state(kind.preload);
            node.load(state);
        }
        for (const auto &[control, value] : kind.settings)
            host::applySetting(node, control, value);
        if (kind.imageControl) node.panel()->setInt(kind.imageControl, 1);
        return node;
    }

  private:
    std::filesystem::path workingDirectory_;

  protected:
    // The panel at two times shows every value, animated ones included.
    static std::string values(host::ModuleNode &node) {
        host::Panel *panel = node.panel();
        return panel ? panel->describe(0.0) + panel->describe(1.0) : std::string();
    }
};

TEST_F(GoldenTest, EveryKindSavesExactlyItsGoldenFiles) {
    for (const GoldenKind &kind : goldenKinds()) {
        if (kind.imageControl && !kWithImages) continue;
        SCOPED_TRACE(kind.kind);
        host::ModuleNode &node = configured(kind);
        const std::string text = textForm(node);
        const std::string binary = binaryForm(node);
        if (updating()) {
            writeFile(goldenPath(kind, ".json"), text);
            writeFile(goldenPath(kind, ".bin"), binary);
        }
        EXPECT_EQ(text, readFile(goldenPath(kind, ".json")));
        EXPECT_TRUE(binary == readFile(goldenPath(kind, ".bin")))
            << "the binary form differs from " << goldenPath(kind, ".bin");
    }
}

TEST_F(GoldenTest, EveryGoldenFileLoadsTheValuesItWasMadeFrom) {
    for (const GoldenKind &kind : goldenKinds()) {
        if (kind.imageControl && !kWithImages) continue;
        SCOPED_TRACE(kind.kind);
        const std::string expected = values(configured(kind));

        host::ModuleNode &fromText = add(kind.kind);
        host::TextLoadState text(json::parse(readFile(goldenPath(kind, ".json"))));
        fromText.load(text);
        EXPECT_EQ(values(fromText), expected);

        host::ModuleNode &fromBinary = add(kind.kind);
        const std::string bytes = readFile(goldenPath(kind, ".bin"));
        host::BinaryLoadState binary(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
        fromBinary.load(binary);
        EXPECT_EQ(values(fromBinary), expected);
    }
}

// The values above are read back through the panel; a few spot checks make
// sure the panel shows what was set rather than two equal defaults.
TEST_F(GoldenTest, GoldenValuesDifferFromTheDefaults) {
    for (const GoldenKind &kind : goldenKinds()) {
        if (kind.imageControl && !kWithImages) continue;
        if (kind.settings.empty()) continue;
        SCOPED_TRACE(kind.kind);
        EXPECT_NE(values(configured(kind)), values(add(kind.kind)));
    }
    host::ModuleNode &ao = add("Ambient Occlusion");
    host::TextLoadState text(json::parse(readFile(goldenPath(goldenKinds()[1], ".json"))));
    ao.load(text);
    EXPECT_EQ(ao.panel()->intValue(0x8003), 4);
    EXPECT_EQ(ao.panel()->numbers(0x8017, 0.0), (std::vector<double>{0.7, 0.8, 0.9}));
    EXPECT_EQ(ao.panel()->intValue(0x8019), 1);
}

// Every kind as it is made: its connectors with their types, and its panel
// at the defaults with every choice text, pinned in one file, so that a
// changed default, choice text or connector type shows as a difference.
TEST_F(GoldenTest, EveryKindStartsAsItsGoldenFileSays) {
    std::string made;
    for (const auto &server : host.nodeServers()) {
        host::ModuleNode &node = add(server->userName());
        made += "== " + node.kindName() + "\nin:";
        for (const auto &input : node.inputs())
            made += " " + input->name + ":" + std::to_string(input->type);
        made += "\nout:";
        for (const auto &output : node.outputs())
            made += " " + output->name + ":" + std::to_string(output->type);
        made += "\n";
        if (host::Panel *panel = node.panel()) made += panel->describe(0.0);
    }
    const std::filesystem::path file = std::filesystem::path(ORV_GOLDEN_DIR) / "new_nodes.txt";
    if (updating()) writeFile(file, made);
    std::string expected = readFile(file);
    if (!kWithImages)
        for (std::size_t at; (at = expected.find(", card,")) != std::string::npos;)
            expected.erase(at, 6);
    EXPECT_EQ(made, expected);
}

}  // namespace
