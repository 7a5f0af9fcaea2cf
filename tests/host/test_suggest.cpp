#include <gtest/gtest.h>

#include "host/base/suggest.h"

namespace {

TEST(Suggestion, NamesTheNearestKnownNameOnlyForLikelyTypos) {
    const std::vector<std::string> inputs{"Color", "Bg Color", "Max", "Function"};
    EXPECT_EQ(host::nearestName("Colour", inputs), "Color");
    EXPECT_EQ(host::nearestName("color", inputs), "Color");
    EXPECT_EQ(host::nearestName("Funtcion", inputs), "Function");  // swapped letters
    EXPECT_EQ(host::nearestName("Distance", inputs), "");
    EXPECT_EQ(host::suggestion("Mx", inputs, "inputs"),
              "; did you mean \"Max\"? known inputs: \"Color\", \"Bg Color\", \"Max\", "
              "\"Function\"");
    EXPECT_EQ(host::suggestion("Zzz", {"In"}, "inputs"), "; known inputs: \"In\"");
    EXPECT_EQ(host::suggestion("In", {}, "inputs"), "; there are no inputs");
}

}  // namespace
