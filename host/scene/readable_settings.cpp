#include "host/scene/readable_settings.h"

#include <algorithm>
#include <fstream>

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
            entry["data"] = nlohmann::ordered_json::parse(savedItems(*node).dump());
        }
        const auto inner = entry.find("graph");
        NestedEditor *nested = nestedEditorOf(*node);
        if (inner != entry.end() && inner->is_object() && nested)
            rewriteNestedData(*inner, *nested);
    }
}

}  // namespace

std::optional<nlohmann::ordered_json> readableSettings(Host &host, ModuleNode &node) {
    Panel *panel = node.panel();
    if (!panel) return std::nullopt;
    Graph scratch("Saving");
    ModuleNode &fresh = host.addNode(scratch, node.server().name(), "Fresh");
    Panel *freshPanel = fresh.panel();
    if (!freshPanel) return std::nullopt;

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
    try {
        for (const auto &[name, value] : ordered)
            applySetting(fresh, name, value);
    } catch (const Error &) {
        return std::nullopt;
    }
    if (savedItems(fresh) != savedItems(node)) return std::nullopt;
    // A plain object sorts its keys; an ordered one keeps panel order.
    nlohmann::ordered_json result = nlohmann::ordered_json::object();
    for (const auto &[name, value] : ordered)
        result[name] = nlohmann::ordered_json::parse(value.dump());
    return result;
}

nlohmann::ordered_json readableDocument(const Scene &scene) {
    using ordered = nlohmann::ordered_json;
    // The file's own key order, when the file still says what was loaded.
    ordered document;
    std::ifstream in(scene.file());
    if (in) {
        try {
            document = ordered::parse(in, nullptr, true, /*ignore_comments=*/true);
        } catch (const ordered::parse_error &) {
            document = nullptr;
        }
    }
    if (document.is_null() || json::parse(document.dump()) != scene.document())
        document = ordered::parse(scene.document().dump());
    for (const auto &[pointer, node] : scene.moduleNodes()) {
        ordered &item = document[ordered::json_pointer(pointer.to_string())];
        item.erase("settings");
        item.erase("data");
        item.erase("binary");
        if (std::optional<ordered> settings = readableSettings(scene.host(), *node)) {
            if (!settings->empty()) item["settings"] = std::move(*settings);
        } else {
            item["data"] = ordered::parse(savedItems(*node).dump());
        }
        const auto graph = item.find("graph");
        NestedEditor *nested = nestedEditorOf(*node);
        if (graph != item.end() && graph->is_object() && nested) rewriteNestedData(*graph, *nested);
    }
    return document;
}

}  // namespace host
