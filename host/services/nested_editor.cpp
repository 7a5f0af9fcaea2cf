#include "host/services/nested_editor.h"

#include <algorithm>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

namespace host {
namespace {

// Every live editor, so that a stale or foreign handle is refused rather than
// followed. Editors are made and destroyed outside renders; the lock only
// keeps tools that print them from racing a module's create. Found by hash,
// and by owner in the order made: a scene may hold tens of thousands.
std::mutex liveMutex;
std::unordered_set<const NestedEditor *> liveEditors;
std::unordered_map<const Node *, std::vector<NestedEditor *>> editorsByOwner;

thread_local const Node *creatingNode = nullptr;
int savedApartDepth = 0;
NestedGraphIO graphIOInstalled;

}  // namespace

NestedEditor::NestedEditor(std::string title, std::string identifier,
                           const HostEditorCreation *creation, void *userData)
    : title_(std::move(title)),
      identifier_(std::move(identifier)),
      userData_(userData),
      owner_(creatingNode),
      graph_(std::make_unique<Graph>(owner_ ? owner_->name() + " (nested)" : title_)) {
    if (creation) creation_ = *creation;
    root_ = &graph_->add<RootNode>(RootNode::kName);
}

NestedEditor::~NestedEditor() = default;

NestedEditor *NestedEditor::create(std::string title, std::string identifier,
                                   const HostEditorCreation *creation, void *userData) {
    auto *editor = new NestedEditor(std::move(title), std::move(identifier), creation, userData);
    std::lock_guard lock(liveMutex);
    liveEditors.insert(editor);
    editorsByOwner[editor->owner_].push_back(editor);
    return editor;
}

void NestedEditor::destroy(NestedEditor *editor) {
    if (!editor) return;
    {
        std::lock_guard lock(liveMutex);
        if (liveEditors.erase(editor) == 0) return;
        std::vector<NestedEditor *> &owned = editorsByOwner[editor->owner_];
        owned.erase(std::find(owned.begin(), owned.end(), editor));
        if (owned.empty()) editorsByOwner.erase(editor->owner_);
    }
    delete editor;
}

NestedEditor *NestedEditor::from(HostNodeEditorID id) {
    if (!id) return nullptr;
    std::lock_guard lock(liveMutex);
    auto *editor = reinterpret_cast<NestedEditor *>(id);
    return liveEditors.count(editor) ? editor : nullptr;
}

std::vector<NestedEditor *> NestedEditor::ownedBy(const Node &owner) {
    std::lock_guard lock(liveMutex);
    const auto found = editorsByOwner.find(&owner);
    return found == editorsByOwner.end() ? std::vector<NestedEditor *>{} : found->second;
}

void NestedEditor::clear() {
    nativeSettings_.clear();
    std::vector<Node *> doomed;
    for (const auto &node : graph_->nodes())
        if (node.get() != root_) doomed.push_back(node.get());
    // Last added first, as a graph is destroyed.
    for (auto node = doomed.rbegin(); node != doomed.rend(); ++node)
        graph_->remove(**node);
}

bool NestedEditor::previewColor(HostSample &sample, double color[3]) {
    if (!creation_.colorCallback) return false;
    creation_.colorCallback(this, &sample, color);
    return true;
}

bool NestedEditor::extent(double bounds[6]) {
    if (!extentCallback) return false;
    extentCallback(nullptr, userData_, bounds);
    return true;
}

void *NestedEditor::callbackUserData() {
    return userDataCallback ? userDataCallback(this) : nullptr;
}

const char *NestedEditor::keepError(std::string text) {
    error_ = std::move(text);
    return error_.c_str();
}

NestedEditor::OwnerScope::OwnerScope(const Node &owner) : previous_(creatingNode) {
    creatingNode = &owner;
}

NestedEditor::OwnerScope::~OwnerScope() {
    creatingNode = previous_;
}

void NestedEditor::setGraphIO(NestedGraphIO io) {
    graphIOInstalled = std::move(io);
}

const NestedGraphIO &NestedEditor::graphIO() {
    return graphIOInstalled;
}

NestedEditor::SavedApartScope::SavedApartScope() {
    ++savedApartDepth;
}

NestedEditor::SavedApartScope::~SavedApartScope() {
    --savedApartDepth;
}

bool NestedEditor::savedApart() {
    return savedApartDepth > 0;
}

}  // namespace host
