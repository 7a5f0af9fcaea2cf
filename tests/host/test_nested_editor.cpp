// Nested editors through "NodeEditorFuncs" as a module drives them: a graph
// with its root node, root inputs, title and opening, and handles that are
// refused once the editor is gone.
#include <gtest/gtest.h>

#include "host/io/io_state.h"
#include "host/services/nested_editor.h"
#include "host/services/services.h"

namespace {

const HostNodeEditorFuncs &editors() {
    return *host::nodeEditorService();
}

TEST(NestedEditor, HoldsAGraphEndingInItsRootNode) {
    int owner = 0;
    HostNodeEditorID id = editors().create("Group Node", "Group Node", nullptr, &owner);
    ASSERT_NE(id, nullptr);
    host::NestedEditor *editor = host::NestedEditor::from(id);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->graph().nodes().size(), 1u);
    EXPECT_EQ(host::Node::from(editors().rootNode(id)), &editor->root());

    HostNodeInputID color = editors().addRootInput(id, HOST_NOT_COLOR, "Color", nullptr);
    EXPECT_EQ(editor->root().input("Color")->id(), color);
    EXPECT_EQ(editors().addRootInput(id, 99, "Odd", nullptr), nullptr);
    EXPECT_EQ(editors().userData(id), &owner);

    editors().rename("Bricks", id);
    EXPECT_EQ(editors().open(id), 1);
    EXPECT_EQ(editor->openedTitle(), "Bricks");
    EXPECT_EQ(editors().renderStart(id, 0), nullptr);
    EXPECT_EQ(editors().newTime(id, 1, 0.0), nullptr);
    editors().renderEnd(id);

    // Without a host to describe graphs with, saving says so instead of
    // writing half a graph.
    host::TextSaveState state;
    EXPECT_NE(editors().save(id, state.api()), nullptr);
    EXPECT_TRUE(state.items().empty());
    editors().destroy(id);
}

TEST(NestedEditor, RefusesHandlesOfEditorsThatAreGone) {
    HostNodeEditorID id = editors().create("Gone", "Gone", nullptr, nullptr);
    editors().destroy(id);
    EXPECT_EQ(host::NestedEditor::from(id), nullptr);
    editors().destroy(id);  // a second destroy is harmless
    EXPECT_EQ(editors().rootNode(id), nullptr);
    EXPECT_EQ(editors().addRootInput(id, HOST_NOT_SCALAR, "Scalar", nullptr), nullptr);
    EXPECT_EQ(editors().open(id), 0);
    EXPECT_EQ(editors().userData(id), nullptr);
    EXPECT_NE(editors().copy(id, id), nullptr);
    EXPECT_EQ(editors().renderStart(nullptr, 0), nullptr);
}

}  // namespace
