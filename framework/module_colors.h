// Colours every node kind of the module shares.
#pragma once

namespace fw {

// The colour each node, and a nested editor's root node, takes in the
// editor at creation.
struct EditorColor {
    int red, green, blue;
};
inline constexpr EditorColor kNodeColor = {164, 50, 10};

// The grey colour values start at and unconnected colour inputs give: the
// decimal 0.78431, not 200/255.
inline constexpr double kDefaultGrey = 0.78431;

}  // namespace fw
