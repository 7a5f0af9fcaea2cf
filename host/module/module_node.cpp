#include "host/module/module_node.h"

#include "host/base/error.h"
#include "host/io/io_state.h"
#include "host/panel/panel.h"
#include "host/services/nested_editor.h"

namespace host {
namespace {

void check(HostError error, const Node &node, const char *what) {
    if (error) throw Error("node " + inQuotes(node.name()) + ": " + what + ": " + error);
}

}  // namespace

ModuleNode::ModuleNode(Graph &graph, std::string name, NodeServer &server)
    : Node(graph, std::move(name)), server_(&server), handler_(&server.handler()) {
    HostError error = nullptr;
    // Nested editors the node makes while it is created belong to it.
    NestedEditor::OwnerScope owner(*this);
    instance_ = handler_->inst->create(handler_->inst->privateData, id(), &error);
    if (!instance_)
        throw Error("node " + inQuotes(this->name()) + ": " + server.name() + " made no instance" +
                    (error ? std::string(": ") + error : std::string()));
    for (const auto &output : outputs()) {
        output->moduleEvaluate = handler_->evaluate;
        output->moduleInstance = instance_;
    }
}

ModuleNode::~ModuleNode() {
    // The panel calls back into the instance: it goes first.
    if (Panel *made = Panel::from(panelId_)) Panel::destroy(made);
    if (instance_ && handler_->inst->destroy) handler_->inst->destroy(instance_);
}

void ModuleNode::evaluate(HostSample &sample, OutputConnector &output, ValueSlot &value) {
    handler_->evaluate(instance_, &sample, output.id(), value.id());
}

void ModuleNode::renderStart(int renderMode) {
    if (handler_->rend->init)
        check(handler_->rend->init(instance_, renderMode), *this, "render start");
}

void ModuleNode::newTime(int frame, double time) {
    if (handler_->rend->newTime)
        check(handler_->rend->newTime(instance_, frame, time), *this, "new time");
}

void ModuleNode::renderEnd() {
    if (handler_->rend->cleanup) handler_->rend->cleanup(instance_);
}

Panel *ModuleNode::panel() {
    if (!panelId_) panelId_ = server_->panelFor(instance_);
    return Panel::from(panelId_);
}

void ModuleNode::copyFrom(const ModuleNode &source) {
    if (source.server_ != server_)
        throw Error("node " + inQuotes(name()) + ": cannot copy a " + source.kindName() +
                    " into a " + kindName());
    if (handler_->inst->copy)
        check(handler_->inst->copy(instance_, source.instance_), *this, "copy");
}

// A node leaves the blocks as it found them: one it left open would hold
// whatever the scene writes or reads next. (A failed save or load may leave
// its block open; its own error is reported first.)
void ModuleNode::checkBlocks(const char *what, int before, int after) const {
    if (after > before)
        throw Error("node " + inQuotes(name()) + ": " + what + ": left " +
                    std::to_string(after - before) + " block" + (after - before > 1 ? "s" : "") +
                    " open");
    if (after < before)
        throw Error("node " + inQuotes(name()) + ": " + what + ": ended a block it did not begin");
}

void ModuleNode::save(SaveState &state) const {
    const HostSaveState *api = state.api();
    const int before = api->depth(api->writeData);
    const std::string earlier = state.failure();
    if (handler_->inst->save) check(handler_->inst->save(instance_, api), *this, "save");
    if (state.failure() != earlier)
        throw Error("node " + inQuotes(name()) + ": save: " + state.failure());
    checkBlocks("save", before, api->depth(api->writeData));
}

void ModuleNode::load(LoadState &state) {
    const HostLoadState *api = state.api();
    const int before = api->depth(api->readData);
    if (handler_->inst->load) check(handler_->inst->load(instance_, api), *this, "load");
    if (!state.error().empty())
        throw Error("node " + inQuotes(name()) + ": load: " + state.error());
    checkBlocks("load", before, api->depth(api->readData));
}

}  // namespace host
