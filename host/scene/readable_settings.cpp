#include "host/scene/readable_settings.h"

#include <algorithm>
#include <memory>
#include <unordered_map>

#include "host/base/error.h"
#include "host/io/io_state.h"
#include "host/panel/panel.h"
#include "host/panel/panel_detail.h"
#include "host/scene/host.h"
#include "host/scene/nested_graph.h"
#include "host/scene/scene.h"
#include "host/services/vparm_access.h"

namespace host {
namespace {

using nlohmann::json;

const char *readableShapeName(KeyShape shape) {
    switch (shape) {
        case KeyShape::Stepped:
            return "stepped";
        case KeyShape::Smooth:
            return "smooth";
        case KeyShape::Linear:
            break;
    }
    return "linear";
}

// Keys in panel units, as a scene gives them; null when the channels' keys
// do not line up or mix shapes, which one setting cannot say.
json envelopeKeys(const Panel::Control &control, const EnvelopeData &data) {
    const panel_detail::Unit unit = panel_detail::unitOf(control.dataType);
    const auto &first = data.channels.front().keys;
    json keys = json::array();
    for (std::size_t k = 0; k < first.size(); ++k) {
        json key = json::array({first[k].time});
        for (const ChannelData &channel : data.channels) {
            if (channel.keys.size() != first.size() || channel.keys[k].time != first[k].time ||
                channel.keys[k].shape != first.front().shape)
                return nullptr;
            key.push_back(panel_detail::toPanelUnits(unit, channel.keys[k].value));
        }
        keys.push_back(key);
    }
    return {{"keys", keys}, {"shape", readableShapeName(first.front().shape)}};
}

// A control's value as a scene writes it; null while it shows none.
json settingValue(const Panel &panel, const Panel::Control &control) {
    switch (control.kind) {
        case Panel::ValueKind::Integer: {
            const std::optional<int> value = panel.intValue(control.id);
            if (!value) return nullptr;
            if (control.hasChoices()) return panel.valueText(control.id, 0.0);
            if (control.type == "iBoolean") return *value != 0;
            return *value;
        }
        case Panel::ValueKind::Envelope: {
            const HostVParmID vparm = panel.vparm(control.id);
            if (!vparm) return nullptr;
            const EnvelopeData data = vparmData(vparm);
            if (data.channels.empty()) return nullptr;
            if (!data.channels.front().keys.empty()) return envelopeKeys(control, data);
            const std::optional<std::vector<double>> values = panel.numbers(control.id, 0.0);
            if (!values || values->empty()) return nullptr;
            return values->size() == 1 ? json((*values)[0]) : json(*values);
        }
        case Panel::ValueKind::String: {
            const std::optional<std::string> value = panel.text(control.id);
            return value ? json(*value) : json(nullptr);
        }
        case Panel::ValueKind::None:
            break;
    }
    return nullptr;
}

json savedItems(const ModuleNode &node) {
    TextSaveState state;
    node.save(state);
    return state.items();
}

// The same state in its compact form, quicker to make and to compare.
std::vector<std::uint8_t> savedBytes(const ModuleNode &node) {
    BinarySaveState state;
    node.save(state);
    return state.bytes();
}

// A nested graph is kept as the file wrote it, but the saved data of its
// module nodes is written again: data names images by paths relative to the
// scene's folder, which the saved scene may not share.
void rewriteNestedData(nlohmann::ordered_json &graph, const NestedEditor &editor) {
    const auto nodes = graph.find("nodes");
    if (nodes == graph.end() || !nodes->is_array()) return;
    for (nlohmann::ordered_json &entry : *nodes) {
        const auto name = entry.find("name");
        if (name == entry.end() || !name->is_string()) continue;
        const auto *node =
            dynamic_cast<const ModuleNode *>(editor.graph().find(name->get<std::string>()));
        if (!node) continue;
        if (entry.contains("data")) {
            NestedEditor::SavedApartScope apart;
            entry["data"] = savedItems(*node);
        }
        const auto inner = entry.find("graph");
        NestedEditor *nested = nestedEditorOf(*node);
        if (inner != entry.end() && inner->is_object() && nested)
            rewriteNestedData(*inner, *nested);
    }
}

}  // namespace

// A new node of each kind a scene holds, made once for the whole save, with
// what it saves: a scene of many nodes and few kinds compares every node
// against the same few.
class ReadableEntries::FreshNodes {
  public:
    explicit FreshNodes(Host &host) : host_(host) {}

    struct Fresh {
        std::unique_ptr<Graph> graph;
        ModuleNode *node = nullptr;
        std::vector<std::uint8_t> bytes;
    };
    const Fresh &of(const ModuleNode &node) {
        const std::string &kind = node.server().name();
        auto [at, added] = fresh_.try_emplace(kind);
        if (added) at->second = make(kind);
        return at->second;
    }
    // Another new node of the kind, in a graph of its own, to be changed.
    Fresh make(const std::string &kind) {
        Fresh fresh;
        fresh.graph = std::make_unique<Graph>("Saving");
        fresh.node = &host_.addNode(*fresh.graph, kind, "Fresh");
        fresh.bytes = savedBytes(*fresh.node);
        return fresh;
    }

  private:
    Host &host_;
    std::unordered_map<std::string, Fresh> fresh_;
};

// The settings, or nullopt when applying them to a new node of the kind
// would not give back the same saved data (state the panel does not show,
// or values the panel cannot carry exactly): the node must then be saved as
// data.
std::optional<nlohmann::ordered_json> ReadableEntries::settings(ModuleNode &node) {
    FreshNodes &freshNodes = *fresh_;
    const FreshNodes::Fresh &fresh = freshNodes.of(node);
    Panel *freshPanel = fresh.node->panel();
    if (!freshPanel) return std::nullopt;
    // A node that saves what a new one saves differs from it in nothing a
    // setting could carry: its panel need not be made to say so.
    const std::vector<std::uint8_t> bytes = savedBytes(node);
    if (bytes == fresh.bytes) return nlohmann::ordered_json::object();
    Panel *panel = node.panel();
    if (!panel) return std::nullopt;

    std::vector<const Panel::Control *> controls;
    for (const Panel::Control &control : panel->controls())
        controls.push_back(&control);
    std::sort(controls.begin(), controls.end(),
              [](auto *a, auto *b) { return a->order < b->order; });
    std::vector<std::pair<std::string, json>> ordered;
    for (const Panel::Control *control : controls) {
        const json value = settingValue(*panel, *control);
        if (value.is_null()) continue;
        const Panel::Control *twin = freshPanel->control(control->id);
        if (twin && settingValue(*freshPanel, *twin) == value) continue;
        // A value the panel cannot name (an unnamed control) cannot be a setting.
        const std::string name = panel->pathOf(control->id);
        if (name.rfind("0x", 0) == 0) return std::nullopt;
        ordered.emplace_back(name, value);
    }
    FreshNodes::Fresh check = freshNodes.make(node.server().name());
    try {
        for (const auto &[name, value] : ordered)
            applySetting(*check.node, name, value);
    } catch (const Error &) {
        return std::nullopt;
    }
    if (savedBytes(*check.node) != bytes) return std::nullopt;
    // A plain object sorts its keys; an ordered one keeps panel order.
    nlohmann::ordered_json result = nlohmann::ordered_json::object();
    for (const auto &[name, value] : ordered)
        result[name] = value;
    return result;
}

ReadableEntries::ReadableEntries(Host &host, const KeyOrder &order)
    : fresh_(std::make_unique<FreshNodes>(host)), order_(order) {}

ReadableEntries::~ReadableEntries() = default;

nlohmann::ordered_json ReadableEntries::entry(const json &original, ModuleNode &node) {
    nlohmann::ordered_json item =
        toOrderedWithout(original, order_, {"settings", "data", "binary"});
    if (std::optional<nlohmann::ordered_json> found = settings(node)) {
        if (!found->empty()) item["settings"] = std::move(*found);
    } else {
        item["data"] = savedItems(node);
    }
    const auto graph = item.find("graph");
    NestedEditor *nested = nestedEditorOf(node);
    if (graph != item.end() && graph->is_object() && nested) rewriteNestedData(*graph, *nested);
    return item;
}

}  // namespace host
