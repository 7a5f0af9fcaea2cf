// "NodeEditorFuncs": nested node editors owned by a node. None of these
// throws across the boundary, and none trusts a handle: a null or stale
// editor makes every operation a no-op (or an error text where one can be
// returned).
//
// An editor saves its graph as its description (see NestedGraphIO) in JSON
// text: one int, the text's length, then the text in strings of at most
// kChunk bytes, so that it reads back through the plain string reads of any
// load state whatever its length.
#include <exception>
#include <string>
#include <vector>

#include "host/services/nested_editor.h"
#include "host/services/services.h"

namespace host {
namespace {

constexpr int kChunk = 1024;

NestedEditor *editorOf(HostNodeEditorID id) {
    return NestedEditor::from(id);
}

HostNodeEditorID HOST_CALL create(const char *title, const char *identifier,
                                  const HostEditorCreation *creation, void *userData) {
    try {
        return NestedEditor::create(title ? title : "", identifier ? identifier : "", creation,
                                    userData)
            ->id();
    } catch (const std::exception &) {
        return nullptr;
    }
}

void HOST_CALL destroy(HostNodeEditorID id) {
    try {
        NestedEditor::destroy(editorOf(id));
    } catch (const std::exception &) {
    }
}

void HOST_CALL rename(const char *title, HostNodeEditorID id) {
    if (NestedEditor *editor = editorOf(id)) editor->setTitle(title ? title : "");
}

void HOST_CALL setUserDataCallback(HostNodeEditorID id, HostEditorUserDataFunc callback) {
    if (NestedEditor *editor = editorOf(id)) editor->userDataCallback = callback;
}

HostError HOST_CALL copy(HostNodeEditorID toId, HostNodeEditorID fromId) {
    NestedEditor *to = editorOf(toId);
    NestedEditor *from = editorOf(fromId);
    if (!to || !from) return "no such nested editor";
    if (to == from) return nullptr;
    const NestedGraphIO &io = NestedEditor::graphIO();
    if (!io.describe || !io.build) return "this host cannot copy nested graphs";
    try {
        io.build(*to, io.describe(*from));
        return nullptr;
    } catch (const std::exception &error) {
        return to->keepError(std::string("copying the nested graph: ") + error.what());
    }
}

HostError HOST_CALL save(HostNodeEditorID id, const HostSaveState *state) {
    NestedEditor *editor = editorOf(id);
    if (!editor || !state) return "no such nested editor";
    if (NestedEditor::savedApart()) return nullptr;
    const NestedGraphIO &io = NestedEditor::graphIO();
    if (!io.describe) return "this host cannot save nested graphs";
    try {
        const std::string text = io.describe(*editor).dump();
        const auto length = static_cast<std::int32_t>(text.size());
        state->writeI4(state->writeData, &length, 1);
        for (std::size_t at = 0; at < text.size(); at += kChunk) {
            const std::string chunk = text.substr(at, kChunk);
            state->writeStr(state->writeData, chunk.c_str());
        }
        return nullptr;
    } catch (const std::exception &error) {
        return editor->keepError(std::string("saving the nested graph: ") + error.what());
    }
}

HostError HOST_CALL load(HostNodeEditorID id, const HostLoadState *state) {
    NestedEditor *editor = editorOf(id);
    if (!editor || !state) return "no such nested editor";
    const NestedGraphIO &io = NestedEditor::graphIO();
    if (!io.build) return "this host cannot load nested graphs";
    std::int32_t length = 0;
    // No graph in the block (a scene that keeps it apart): the editor stays
    // as it is.
    if (state->readI4(state->readData, &length, 1) != 1) return nullptr;
    try {
        if (length < 0) throw std::runtime_error("negative length " + std::to_string(length));
        std::string text;
        std::vector<char> chunk(kChunk + 1);
        while (text.size() < static_cast<std::size_t>(length)) {
            const int read = state->readStr(state->readData, chunk.data(), kChunk + 1);
            if (read <= 0)
                throw std::runtime_error("the graph text ends after " +
                                         std::to_string(text.size()) + " of " +
                                         std::to_string(length) + " bytes");
            text.append(chunk.data(), static_cast<std::size_t>(read));
        }
        io.build(*editor, nlohmann::json::parse(text));
        return nullptr;
    } catch (const std::exception &error) {
        return editor->keepError(std::string("loading the nested graph: ") + error.what());
    }
}

HostError HOST_CALL renderStart(HostNodeEditorID id, int renderMode) {
    NestedEditor *editor = editorOf(id);
    if (!editor) return nullptr;
    try {
        editor->graph().renderStart(renderMode);
        return nullptr;
    } catch (const std::exception &error) {
        return editor->keepError(error.what());
    }
}

HostError HOST_CALL newTime(HostNodeEditorID id, int frame, double time) {
    NestedEditor *editor = editorOf(id);
    if (!editor) return nullptr;
    try {
        editor->graph().newTime(frame, time);
        return nullptr;
    } catch (const std::exception &error) {
        return editor->keepError(error.what());
    }
}

void HOST_CALL renderEnd(HostNodeEditorID id) {
    NestedEditor *editor = editorOf(id);
    if (!editor) return;
    try {
        editor->graph().renderEnd();
    } catch (const std::exception &) {
    }
}

HostNodeInputID HOST_CALL addRootInput(HostNodeEditorID id, int type, const char *name,
                                       HostInputEventFunc event) {
    NestedEditor *editor = editorOf(id);
    if (!editor || !name) return nullptr;
    try {
        InputConnector *input = editor->root().addInput(type, name, event);
        return input ? input->id() : nullptr;
    } catch (const std::exception &) {
        return nullptr;
    }
}

void HOST_CALL setChanGroup(HostNodeEditorID id, HostChanGroupID group) {
    if (NestedEditor *editor = editorOf(id)) editor->channelGroup = group;
}

void HOST_CALL setExtentCallback(HostNodeEditorID id, HostEditorExtentFunc callback) {
    if (NestedEditor *editor = editorOf(id)) editor->extentCallback = callback;
}

void *HOST_CALL userData(void *handle) {
    NestedEditor *editor = NestedEditor::fromHandle(handle);
    return editor ? editor->userData() : nullptr;
}

int HOST_CALL open(HostNodeEditorID id) {
    NestedEditor *editor = editorOf(id);
    if (!editor) return 0;
    editor->open();
    return 1;
}

HostNodeID HOST_CALL rootNode(HostNodeEditorID id) {
    NestedEditor *editor = editorOf(id);
    return editor ? editor->root().id() : nullptr;
}

const HostNodeEditorFuncs kEditorFuncs = {
    create,
    destroy,
    rename,
    setUserDataCallback,
    copy,
    save,
    load,
    renderStart,
    newTime,
    renderEnd,
    addRootInput,
    setChanGroup,
    setExtentCallback,
    userData,
    open,
    rootNode,
};

}  // namespace

const HostNodeEditorFuncs *nodeEditorService() {
    return &kEditorFuncs;
}

}  // namespace host
