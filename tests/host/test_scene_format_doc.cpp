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
    for (const std::string &key : host::sceneFormatKeys())
        EXPECT_NE(reference.find("`" + key + "`"), std::string::npos)
            << "docs/scene-format.md does not name the key `" << key << "`";
}
