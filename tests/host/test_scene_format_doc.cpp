// The scene format's reference documents every key the reader takes.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "host/scene/scene_keys.h"

TEST(SceneFormatReference, DocumentsEveryKeyTheReaderKnows) {
    std::ifstream file(ORV_SCENE_FORMAT_DOC);
    ASSERT_TRUE(file) << ORV_SCENE_FORMAT_DOC;
    std::stringstream text;
    text << file.rdbuf();
    const std::string reference = text.str();
    // Named in a table (`key`), a section's heading or a JSON example.
    const auto names = [&](const std::string &key) {
        for (const std::string &form : {"`" + key + "`", "## " + key, "\"" + key + "\":"})
            if (reference.find(form) != std::string::npos) return true;
        return false;
    };
    for (const std::string &key : host::sceneFormatKeys())
        EXPECT_TRUE(names(key)) << "docs/scene-format.md does not name the key `" << key << "`";
}
