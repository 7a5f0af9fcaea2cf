#include "serve_model.h"

#include <algorithm>

#include "host/base/error.h"
#include "host/graph/connector_type.h"
#include "host/panel/panel_detail.h"
#include "host/scene/nested_graph.h"

namespace app {

using json = nlohmann::json;
using host::Panel;
namespace detail = host::panel_detail;

namespace {

// Containers nest only a few deep; this bounds a malformed panel's walk as
// the printout bounds its own.
constexpr int kMaxDepth = 32;

host::Graph &nestedGraphOf(const host::Node &owner) {
    host::NestedEditor *editor = host::nestedEditorOf(owner);
    if (!editor) throw host::Error(host::inQuotes(owner.name()) + " holds no nested graph");
    return editor->graph();
}

// A limit word in the units the user types: degrees for angles, percent for
// percentages, the stored value otherwise (the printout's rule).
double limitInPanelUnits(const Panel::Control &control, int word) {
    const detail::Unit unit = detail::unitOf(control.dataType);
    if (control.kind == Panel::ValueKind::Envelope && unit == detail::Unit::Percent)
        return detail::toPanelUnits(unit, word);
    return word;
}

json limitsJson(const Panel::Control &control) {
    json limits = json::object();
    if (control.rangeMin && control.rangeMax) {
        limits["min"] = limitInPanelUnits(control, *control.rangeMin);
        limits["max"] = limitInPanelUnits(control, *control.rangeMax);
        if (control.rangeStep > 0) limits["step"] = control.rangeStep;
    }
    if (control.min && control.hardMin)
        limits["min"] = limitInPanelUnits(control, *control.min);
    else if (control.min)
        limits["softMin"] = limitInPanelUnits(control, *control.min);
    if (control.max && control.hardMax)
        limits["max"] = limitInPanelUnits(control, *control.max);
    else if (control.max)
        limits["softMax"] = limitInPanelUnits(control, *control.max);
    return limits;
}

// The note of the first rule that disables the item, as the printout gives it.
std::string disabledNote(const Panel &panel, std::uint32_t id) {
    for (const Panel::EnableRule &rule : panel.enableRules())
        if (std::find(rule.targets.begin(), rule.targets.end(), id) != rule.targets.end() &&
            !rule.note.empty())
            return rule.note;
    return {};
}

void addStates(json &item, const Panel &panel, std::uint32_t id) {
    item["enabled"] = panel.enabled(id);
    if (!panel.enabled(id)) item["disabledNote"] = disabledNote(panel, id);
    item["visible"] = panel.visible(id);
}

json controlJson(const Panel &panel, const Panel::Control &control, double time) {
    json item{{"item", "control"},
              {"id", detail::hex(control.id)},
              {"label", control.label},
              {"type", control.type},
              {"dataType", control.dataType}};
    if (const std::string path = panel.pathOf(control.id);
        path != control.label && !control.label.empty())
        item["path"] = path;
    switch (control.kind) {
        case Panel::ValueKind::Integer: {
            item["valueKind"] = "integer";
            const std::optional<int> value = panel.intValue(control.id);
            item["value"] = value ? json(*value) : json();
            break;
        }
        case Panel::ValueKind::Envelope: {
            item["valueKind"] = "envelope";
            const auto values = panel.numbers(control.id, time);
            item["value"] = values ? json(*values) : json();
            item["unit"] = detail::unitSuffix(detail::unitOf(control.dataType));
            break;
        }
        case Panel::ValueKind::String: {
            item["valueKind"] = "string";
            const auto value = panel.text(control.id);
            item["value"] = value ? json(*value) : json();
            break;
        }
        case Panel::ValueKind::None:
            item["valueKind"] = "none";
            break;
    }
    if (control.kind != Panel::ValueKind::None)
        item["valueText"] = panel.valueText(control.id, time);
    if (control.hasChoices()) item["choices"] = panel.choices(control.id);
    if (json limits = limitsJson(control); !limits.empty()) item["limits"] = limits;
    if (const std::string text = detail::limitsText(control); !text.empty())
        item["limitsText"] = text;
    if (control.button) item["button"] = true;
    if (control.draw) item["drawn"] = true;
    addStates(item, panel, control.id);
    return item;
}

const char *layoutName(Panel::LayoutKind kind) {
    switch (kind) {
        case Panel::LayoutKind::Group:
            return "group";
        case Panel::LayoutKind::Stack:
            return "stack";
        case Panel::LayoutKind::Tabs:
            return "tabs";
        case Panel::LayoutKind::Border:
            return "border";
    }
    return "group";
}

json itemJson(const Panel &panel, std::uint32_t id, double time, int depth) {
    if (depth > kMaxDepth) return json();
    if (const Panel::Control *control = panel.control(id))
        return controlJson(panel, *control, time);
    const Panel::Layout *layout = panel.layout(id);
    if (!layout) return json{{"item", "missing"}, {"id", detail::hex(id)}};
    json item{
        {"item", layoutName(layout->kind)}, {"id", detail::hex(id)}, {"label", layout->label}};
    if (layout->kind == Panel::LayoutKind::Stack)
        item["controller"] = detail::hex(layout->controller);
    json members = json::array();
    for (std::uint32_t member : layout->members) {
        if (layout->kind == Panel::LayoutKind::Border)
            members.push_back(detail::hex(member));
        else if (json child = itemJson(panel, member, time, depth + 1); !child.is_null())
            members.push_back(std::move(child));
    }
    item["members"] = std::move(members);
    addStates(item, panel, id);
    return item;
}

}  // namespace

host::Graph &graphAt(const host::Scene &scene, const NodePath &path) {
    if (path.empty()) throw host::Error("no graph named");
    host::Graph *graph = &scene.graph(path[0]);
    for (std::size_t i = 1; i < path.size(); ++i)
        graph = &nestedGraphOf(graph->require(path[i]));
    return *graph;
}

host::Node &nodeAt(const host::Scene &scene, const NodePath &path) {
    if (path.size() < 2) throw host::Error("a node is named by its graph and its name");
    const NodePath owners(path.begin(), path.end() - 1);
    return graphAt(scene, owners).require(path.back());
}

json graphList(const host::Scene &scene) {
    json list = json::array();
    const auto &surfaces = scene.surfaceNames();
    for (const host::Graph *graph : scene.graphs())
        list.push_back({{"name", graph->name()},
                        {"surface", std::find(surfaces.begin(), surfaces.end(), graph->name()) !=
                                        surfaces.end()}});
    return list;
}

json graphJson(const host::Graph &graph) {
    json nodes = json::array();
    json connections = json::array();
    for (const auto &node : graph.nodes()) {
        json inputs = json::array(), outputs = json::array();
        for (const auto &input : node->inputs()) {
            inputs.push_back({{"name", input->name}, {"type", host::typeName(input->type)}});
            if (input->source)
                connections.push_back({{"from", {input->source->node->name(), input->source->name}},
                                       {"to", {node->name(), input->name}}});
        }
        for (const auto &output : node->outputs())
            outputs.push_back({{"name", output->name}, {"type", host::typeName(output->type)}});
        const int *color = node->color();
        const bool coloured = color[0] || color[1] || color[2];
        nodes.push_back({{"name", node->name()},
                         {"kind", node->kindName()},
                         {"module", node->instance() != nullptr},
                         {"color", coloured ? json{color[0], color[1], color[2]} : json()},
                         {"nested", host::nestedEditorOf(*node) != nullptr},
                         {"inputs", std::move(inputs)},
                         {"outputs", std::move(outputs)}});
    }
    return {{"name", graph.name()}, {"nodes", std::move(nodes)}, {"connections", connections}};
}

json panelJson(const Panel &panel, double time) {
    // The printout's order: top-level items by their place in the hints,
    // borders last, as they frame controls wherever they stand.
    std::vector<std::pair<std::size_t, std::uint32_t>> top;
    std::vector<std::uint32_t> borders;
    for (const Panel::Control &control : panel.controls())
        if (control.parent == 0) top.emplace_back(control.order, control.id);
    for (const Panel::Layout &layout : panel.layouts()) {
        if (layout.parent != 0) continue;
        if (layout.kind == Panel::LayoutKind::Border)
            borders.push_back(layout.id);
        else
            top.emplace_back(layout.order, layout.id);
    }
    std::sort(top.begin(), top.end());
    json items = json::array();
    for (const auto &[order, id] : top)
        items.push_back(itemJson(panel, id, time, 0));
    for (std::uint32_t id : borders)
        items.push_back(itemJson(panel, id, time, 0));
    return items;
}

}  // namespace app
