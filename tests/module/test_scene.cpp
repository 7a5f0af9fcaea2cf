// Scene files: graphs of module and host nodes, settings through panels,
// saving and reloading, and errors that point at the bad value.
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "support/module_fixture.h"

namespace {

using nlohmann::json;

class SceneFiles : public testing_support::ModuleTest {
  protected:
    std::unique_ptr<host::Scene> read(json document) {
        return host::Scene::fromJson(host, std::move(document), "test.json");
    }
    std::string errorOf(json document) {
        try {
            read(std::move(document));
        } catch (const host::Error &error) {
            return error.what();
        }
        return "no error";
    }
    static json occlusionScene() {
        return json::parse(R"({
          "scene": {"firstFrame": 1, "lastFrame": 10, "fps": 24, "recursionDepth": 4},
          "surfaces": {
            "Floor": {
              "nodes": [
                {"name": "AO", "server": "Ambient Occlusion",
                 "settings": {"Mode": "Polar", "Cone Angle": 45, "0x8008": 2.5,
                              "Srf Color": [0.5, 0.25, 1.0],
                              "Shift": {"keys": [[0, 0], [1, 0.5]]}}},
                {"name": "Info", "server": "Render Info"},
                {"name": "Grey", "native": "Constant Color", "settings": {"value": [0.5, 0.5, 0.5]}}
              ],
              "connections": [["Grey", "Color", "AO", "Bg Color"]]
            }
          },
          "graphs": {"Counting": {"nodes": [{"name": "C", "server": "Orv Counter",
                                             "settings": {"A": 3}}]}}
        })");
    }
};

TEST_F(SceneFiles, SettingsGoThroughThePanel) {
    auto scene = read(occlusionScene());
    EXPECT_EQ(scene->surfaceNames(), std::vector<std::string>{"Floor"});
    EXPECT_EQ(scene->settings().lastFrame, 10);
    auto &ao = dynamic_cast<host::ModuleNode &>(scene->graph("Floor").require("AO"));
    host::Panel &panel = *ao.panel();
    EXPECT_EQ(panel.intValue(0x8001), 1);
    EXPECT_NEAR(panel.numbers(0x8006, 0.0)->at(0), 45.0, 1e-9);  // degrees on the panel
    EXPECT_EQ(panel.numbers(0x8008, 0.0), std::vector<double>{2.5});
    EXPECT_EQ(panel.numbers(0x8009, 1.0), std::vector<double>{0.5});  // keyed
    EXPECT_FALSE(panel.numbers(0x8014, 0.0).has_value());             // fed by Grey
    EXPECT_EQ(scene->shaders().size(), 1u);
}

TEST_F(SceneFiles, SavedScenesReloadTheSameInBothForms) {
    auto scene = read(occlusionScene());
    for (bool binary : {false, true}) {
        const json saved = scene->save(binary);
        EXPECT_FALSE(saved["surfaces"]["Floor"]["nodes"][0].contains("settings"));
        auto again = read(saved);
        auto &a = dynamic_cast<host::ModuleNode &>(scene->graph("Floor").require("AO"));
        auto &b = dynamic_cast<host::ModuleNode &>(again->graph("Floor").require("AO"));
        EXPECT_EQ(a.panel()->describe(0.7), b.panel()->describe(0.7)) << binary;
        EXPECT_EQ(again->save(binary), saved) << binary;
    }
}

TEST_F(SceneFiles, SavingReplacesTheFileWhole) {
    auto scene = read(occlusionScene());
    const auto file = std::filesystem::temp_directory_path() / "orv-scene-save.json";
    scene->saveTo(file, false);
    auto reread = host::Scene::load(host, file);
    EXPECT_EQ(reread->save(false), scene->save(false));
    EXPECT_FALSE(std::filesystem::exists(file.string() + ".partial"));
    std::filesystem::remove(file);
}

TEST_F(SceneFiles, RenderSequenceReachesEveryGraph) {
    auto scene = read(occlusionScene());
    host::Node &info = scene->graph("Floor").require("Info");
    scene->renderStart();
    for (int frame = 1; frame <= 10; ++frame) {
        scene->newTime(frame);
        EXPECT_EQ(integer(info, "Rendered Frames"), frame - 1);
    }
    EXPECT_EQ(integer(info, "End Frame"), 10);
    EXPECT_DOUBLE_EQ(host.services().timeInfo().time, 10 / 24.0);
    scene->renderEnd();
}

TEST_F(SceneFiles, ErrorsNameTheKeyAndTheValue) {
    json scene = occlusionScene();
    scene["surfaces"]["Floor"]["nodes"][0]["settings"]["Mode"] = "Spiral";
    EXPECT_NE(errorOf(scene).find("test.json: surfaces.Floor.nodes[0].settings.Mode"),
              std::string::npos)
        << errorOf(scene);
    EXPECT_NE(errorOf(scene).find("Spiral"), std::string::npos);

    scene = occlusionScene();
    scene["surfaces"]["Floor"]["nodes"][1]["server"] = "Render Infos";
    EXPECT_NE(errorOf(scene).find("nodes[1].server"), std::string::npos) << errorOf(scene);

    scene = occlusionScene();
    scene["surfaces"]["Floor"]["connections"][0][1] = "Colour";
    EXPECT_NE(errorOf(scene).find("connections[0]"), std::string::npos) << errorOf(scene);
    EXPECT_NE(errorOf(scene).find("Colour"), std::string::npos) << errorOf(scene);

    scene = occlusionScene();
    scene["scene"]["fps"] = 0;
    EXPECT_NE(errorOf(scene).find("scene.fps"), std::string::npos) << errorOf(scene);

    scene = occlusionScene();
    scene["surfaces"]["Floor"]["nodes"][0]["settings"]["Clamp"] = "on";  // two controls share it
    EXPECT_NE(errorOf(scene).find("Clamp"), std::string::npos) << errorOf(scene);
}

TEST_F(SceneFiles, UnreadableFilesNameTheLine) {
    const auto file = std::filesystem::temp_directory_path() / "orv-bad-scene.json";
    std::ofstream(file) << "{\n  \"scene\": {\n    \"fps\": 30,,\n  }\n}\n";
    try {
        host::Scene::load(host, file);
        FAIL() << "no error";
    } catch (const host::Error &error) {
        EXPECT_NE(std::string(error.what()).find(file.string() + ":3:"), std::string::npos)
            << error.what();
    }
    std::filesystem::remove(file);
}

// A scene is saved with its keys where its file had them, in every form,
// even once the file is gone; saved data follows a node's own keys.
TEST_F(SceneFiles, EveryFormKeepsTheKeysWhereTheFileHadThem) {
    namespace fs = std::filesystem;
    const fs::path folder =
        fs::temp_directory_path() / ("orv-key-order-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const fs::path file = folder / "ordered.json";
    std::ofstream(file) << R"({
      "surfaces": {"Floor": {"connections": [], "nodes": [{"server": "Sqrt", "name": "Root"}]}},
      "scene": {"name": "Keys", "fps": 24, "firstFrame": 1},
      "camera": {"width": 8, "height": 6}
    })";
    const auto scene = host::Scene::load(host, file);
    fs::remove_all(folder);
    const std::vector<std::string> order{"\"surfaces\"", "\"connections\"",    "\"nodes\"",
                                         "\"server\"",   "\"name\": \"Root\"", "\"scene\"",
                                         "\"fps\"",      "\"firstFrame\"",     "\"camera\"",
                                         "\"width\"",    "\"height\""};
    using Form = host::Scene::SaveForm;
    for (Form form : {Form::Settings, Form::Text, Form::Binary}) {
        const std::string text = scene->savedText(form, folder);
        std::size_t last = 0;
        for (const std::string &key : order) {
            const std::size_t at = text.find(key);
            ASSERT_NE(at, std::string::npos) << key << " in\n" << text;
            EXPECT_GT(at, last) << key << " in\n" << text;
            last = at;
        }
        if (form != Form::Settings) {
            EXPECT_GT(text.find(form == Form::Text ? "\"data\"" : "\"binary\""),
                      text.find("\"name\": \"Root\""))
                << text;
        }
    }
}

}  // namespace
