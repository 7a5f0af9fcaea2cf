// How the host writes a file in place of what a path names, and how a
// scene's text and paths are written.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/base/error.h"
#include "host/base/rebased_path.h"
#include "host/base/replaced_file.h"
#include "host/scene/scene_json.h"
#include "host/scene/scene_paths.h"

namespace {

namespace fs = std::filesystem;

std::string contents(const fs::path &file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class ReplacedFiles : public testing::Test {
  protected:
    void SetUp() override {
        folder = fs::temp_directory_path() /
                 ("orv-replaced-" + std::to_string(::getpid()) + "-" +
                  testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }
    fs::path folder;
};

TEST_F(ReplacedFiles, ALinkIsWrittenThroughAndTheFileKeepsItsMode) {
    std::ofstream(folder / "target.json") << "old";
    fs::permissions(folder / "target.json", fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink("target.json", folder / "link.json");
    host::replaceFile(folder / "link.json", "new", "scene file");
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(folder / "link.json")));
    EXPECT_EQ(contents(folder / "target.json"), "new");
    EXPECT_EQ(fs::status(folder / "target.json").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    // Nothing is left beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 2);
}

TEST_F(ReplacedFiles, DevicesPipesAndFoldersAreRefusedAndLeftAlone) {
    ASSERT_EQ(::mkfifo((folder / "pipe").c_str(), 0600), 0);
    fs::create_directory(folder / "folder");
    fs::create_symlink("/dev/null", folder / "null-link");
    for (const char *name : {"pipe", "folder", "null-link"}) {
        try {
            host::replaceFile(folder / name, "text", "scene file");
            ADD_FAILURE() << name << " was replaced";
        } catch (const host::Error &error) {
            EXPECT_NE(std::string(error.what()).find("not a regular file"), std::string::npos)
                << error.what();
        }
    }
    EXPECT_TRUE(fs::is_fifo(folder / "pipe"));
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    EXPECT_THROW(host::replaceFile(folder / "missing" / "x.json", "", "scene file"), host::Error);
    // An unfinished write leaves neither the target nor its temporary.
    { host::ReplacedFile abandoned(folder / "new.json", "scene file"); }
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 3);
}

TEST(ScenePaths, RelativePathsNameTheSameFileFromTheNewFolder) {
    EXPECT_EQ(host::rebasedPath("env/sky.exr", "scenes", "out"), "../scenes/env/sky.exr");
    EXPECT_EQ(host::rebasedPath("env/sky.exr", "scenes", "scenes/./"), "env/sky.exr");
    EXPECT_EQ(host::rebasedPath("../card.png", "a/b", "a"), "card.png");
    EXPECT_EQ(host::rebasedPath("/data/sky.exr", "scenes", "out"), "/data/sky.exr");
    EXPECT_EQ(host::rebasedPath("", "scenes", "out"), "");
    EXPECT_TRUE(host::sameFile("scenes/env/../env/sky.exr", "scenes/env/sky.exr"));
    EXPECT_FALSE(host::sameFile("scenes/env/sky.exr", "env/sky.exr"));

    // An image given with its colour space names its file too.
    auto document = nlohmann::ordered_json::parse(
        R"({"images": ["env/a.png", {"file": "env/b.png", "colorspace": "raw"}]})");
    host::rebaseScenePaths(document, "scenes", "out");
    EXPECT_EQ(document["images"][0], "../scenes/env/a.png");
    EXPECT_EQ(document["images"][1]["file"], "../scenes/env/b.png");
    EXPECT_EQ(document["images"][1]["colorspace"], "raw");
}

TEST(SceneText, ShortValuesStayOnOneLineAndCommentsAreKept) {
    const nlohmann::ordered_json document = nlohmann::ordered_json::parse(R"({
        "camera": {"position": [3.5, 2.6, 7.5], "fov": 40},
        "surfaces": {"Floor": {"nodes": [], "connections": [["A", "Color", "B", "Color"]],
            "note": "a text long enough that this object cannot be written on a single line of its own"}}
    })");
    EXPECT_EQ(host::sceneText(document),
              "{\n"
              "  \"camera\": {\"position\": [3.5, 2.6, 7.5], \"fov\": 40},\n"
              "  \"surfaces\": {\n"
              "    \"Floor\": {\n"
              "      \"nodes\": [],\n"
              "      \"connections\": [[\"A\", \"Color\", \"B\", \"Color\"]],\n"
              "      \"note\": \"a text long enough that this object cannot be written on a "
              "single line of its own\"\n"
              "    }\n"
              "  }\n"
              "}\n");
    EXPECT_EQ(host::leadingComments("// A scene.\n\n// Lit.\n{\"a\": 1} // not this\n"),
              "// A scene.\n\n// Lit.\n");
    EXPECT_EQ(host::leadingComments("{}\n"), "");
}

}  // namespace
