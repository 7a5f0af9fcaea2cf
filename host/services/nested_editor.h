// Nested node editors: a node editor that a module's node owns, with a graph
// of its own ending in a root node whose inputs the owning node reads. A
// module makes and drives them through "NodeEditorFuncs"; the host opens
// them, prints them and keeps them in scene files.
//
// Turning a nested graph into a description and back needs every node kind
// the host offers, which live above this layer: the Host installs that
// through setGraphIO, and copy, save and load fail with a clear text while
// no host has.
#pragma once

#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "host/graph/graph.h"
#include "host/graph/root_node.h"
#include "hostapi/node.h"

namespace host {

class NestedEditor;

// Describes a nested graph as a scene file holds it, and builds one from
// such a description (replacing what the editor's graph held). build throws
// Error naming the place in the description.
struct NestedGraphIO {
    std::function<nlohmann::json(const NestedEditor &)> describe;
    std::function<void(NestedEditor &, const nlohmann::json &)> build;
};

class NestedEditor {
  public:
    // The live editor behind a handle; null for null or a stale handle.
    static NestedEditor *from(HostNodeEditorID id);
    static NestedEditor *fromHandle(void *handle) {
        return from(static_cast<HostNodeEditorID>(handle));
    }
    // The editors a node made while it was created (see OwnerScope).
    static std::vector<NestedEditor *> ownedBy(const Node &owner);

    // Makes an editor whose graph holds only its root node; the node being
    // created on this thread (if any) becomes its owner.
    static NestedEditor *create(std::string title, std::string identifier,
                                const HostEditorCreation *creation, void *userData);
    static void destroy(NestedEditor *editor);

    NestedEditor(const NestedEditor &) = delete;
    NestedEditor &operator=(const NestedEditor &) = delete;

    HostNodeEditorID id() { return reinterpret_cast<HostNodeEditorID>(this); }
    const std::string &title() const { return title_; }
    void setTitle(std::string title) { title_ = std::move(title); }
    const std::string &identifier() const { return identifier_; }
    const Node *owner() const { return owner_; }
    void *userData() const { return userData_; }

    Graph &graph() const { return *graph_; }
    RootNode &root() const { return *root_; }
    // Empties the graph but for the root node, whose inputs and colour stay.
    void clear();

    // Settings native nodes of the graph were made with, kept to describe
    // them again.
    std::vector<std::pair<const Node *, nlohmann::json>> &nativeSettings() {
        return nativeSettings_;
    }
    const std::vector<std::pair<const Node *, nlohmann::json>> &nativeSettings() const {
        return nativeSettings_;
    }

    // What the owning node gave it.
    HostEditorColorFunc colorCallback() const { return creation_.colorCallback; }
    HostEditorUserDataFunc userDataCallback = nullptr;
    HostEditorExtentFunc extentCallback = nullptr;
    HostChanGroupID channelGroup = nullptr;

    // The editor window: how often it was opened, and under which title last.
    void open() {
        ++openCount_;
        openedTitle_ = title_;
    }
    int openCount() const { return openCount_; }
    const std::string &openedTitle() const { return openedTitle_; }

    // The owning node's callbacks, as the editor would call them: the colour
    // it previews the graph with, the node's extent (x, y, z min and max), and
    // its user data through the callback. Without the callback the first two
    // answer false and the last null.
    bool previewColor(HostSample &sample, double color[3]);
    bool extent(double bounds[6]);
    void *callbackUserData();

    // Errors of the C entry points stay readable here until the next one.
    const char *keepError(std::string text);

    // Tells editors created on this thread which node they belong to, for as
    // long as it lives (the node's create runs inside).
    class OwnerScope {
      public:
        explicit OwnerScope(const Node &owner);
        ~OwnerScope();
        OwnerScope(const OwnerScope &) = delete;
        OwnerScope &operator=(const OwnerScope &) = delete;

      private:
        const Node *previous_;
    };

    static void setGraphIO(NestedGraphIO io);
    static const NestedGraphIO &graphIO();

    // While a scene saves its nested graphs as graphs of their own, editors
    // write nothing into the owning node's data.
    class SavedApartScope {
      public:
        SavedApartScope();
        ~SavedApartScope();
        SavedApartScope(const SavedApartScope &) = delete;
        SavedApartScope &operator=(const SavedApartScope &) = delete;
    };
    static bool savedApart();

  private:
    NestedEditor(std::string title, std::string identifier, const HostEditorCreation *creation,
                 void *userData);
    ~NestedEditor();

    std::string title_, identifier_;
    HostEditorCreation creation_{};
    void *userData_;
    const Node *owner_;
    std::unique_ptr<Graph> graph_;
    RootNode *root_;
    std::vector<std::pair<const Node *, nlohmann::json>> nativeSettings_;
    int openCount_ = 0;
    std::string openedTitle_;
    std::string error_;
};

}  // namespace host
