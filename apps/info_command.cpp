// orvhost info: what a node kind offers: its inputs and outputs with their
// types, its panel's controls with defaults, limits and choices, and which
// of them are envelopes; as text or as JSON for scripts.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>

#include "host/base/error.h"
#include "host/base/suggest.h"
#include "host/graph/connector_type.h"
#include "host/nodes/native_nodes.h"
#include "host/panel/panel.h"
#include "host/panel/panel_detail.h"
#include "node_setup.h"

namespace app {
namespace {

using nlohmann::json;

json connectorsJson(const host::Node &node) {
    json inputs = json::array(), outputs = json::array();
    for (const auto &input : node.inputs())
        inputs.push_back({{"name", input->name}, {"type", host::typeName(input->type)}});
    for (const auto &output : node.outputs())
        outputs.push_back({{"name", output->name}, {"type", host::typeName(output->type)}});
    return {{"inputs", inputs}, {"outputs", outputs}};
}

json controlJson(const host::Panel &panel, const host::Panel::Control &control) {
    json entry = {{"id", host::panel_detail::hex(control.id)},
                  {"label", control.label},
                  {"path", panel.pathOf(control.id)},
                  {"type", control.type}};
    if (!control.dataType.empty()) entry["dataType"] = control.dataType;
    if (control.kind != host::Panel::ValueKind::None)
        entry["default"] = panel.valueText(control.id, 0.0);
    if (control.hasChoices()) entry["choices"] = panel.choices(control.id);
    if (const std::string limits = host::panel_detail::limitsText(control); !limits.empty())
        entry["limits"] = limits;
    entry["envelope"] = control.kind == host::Panel::ValueKind::Envelope;
    return entry;
}

json describeNode(host::Node &node, bool native, const std::string &serverName) {
    json info = connectorsJson(node);
    info["kind"] = node.kindName();
    info["native"] = native;
    if (!native) info["server"] = serverName;
    info["controls"] = json::array();
    if (native) {
        info["settings"] = json::array();
        for (const host::NativeSetting &setting : host::nativeKindSettings(node.kindName())) {
            json entry = {
                {"name", setting.name}, {"type", setting.type}, {"default", setting.fallback}};
            if (!setting.choices.empty()) entry["choices"] = setting.choices;
            if (!setting.onlyWith.empty()) entry["onlyWith"] = setting.onlyWith;
            info["settings"].push_back(entry);
        }
    }
    auto *moduleNode = dynamic_cast<host::ModuleNode *>(&node);
    if (host::Panel *panel = moduleNode ? moduleNode->panel() : nullptr) {
        std::vector<const host::Panel::Control *> controls;
        for (const auto &control : panel->controls())
            controls.push_back(&control);
        std::sort(controls.begin(), controls.end(),
                  [](auto *a, auto *b) { return a->order < b->order; });
        for (const host::Panel::Control *control : controls)
            info["controls"].push_back(controlJson(*panel, *control));
    }
    return info;
}

void printText(const json &info) {
    std::printf("%s", info["kind"].get<std::string>().c_str());
    if (info["native"].get<bool>())
        std::printf(" (a host node; its settings are its inputs' values while unconnected)\n");
    else
        std::printf(" (server %s)\n", info["server"].get<std::string>().c_str());
    for (const char *side : {"inputs", "outputs"}) {
        std::printf("%s%s:%s\n", side[0] == 'i' ? "Inputs" : "Outputs", "",
                    info[side].empty() ? " none" : "");
        for (const json &connector : info[side])
            std::printf("  %-28s %s\n", connector["name"].get<std::string>().c_str(),
                        connector["type"].get<std::string>().c_str());
    }
    if (info.contains("settings")) {
        std::printf("Settings (name in scenes, type, default; choices; taken only with):%s\n",
                    info["settings"].empty() ? " none" : "");
        for (const json &setting : info["settings"]) {
            const json &fallback = setting["default"];
            std::string line =
                "  " + host::inQuotes(setting["name"].get<std::string>()) + " " +
                setting["type"].get<std::string>() + " = " +
                (fallback.is_string() ? fallback.get<std::string>() : fallback.dump());
            if (setting.contains("choices")) {
                std::string choices;
                for (const json &choice : setting["choices"])
                    choices += (choices.empty() ? "" : ", ") + choice.get<std::string>();
                line += "; choices: " + choices;
            }
            if (setting.contains("onlyWith"))
                line += "; only with " + setting["onlyWith"].get<std::string>();
            std::printf("%s\n", line.c_str());
        }
    }
    if (info["controls"].empty()) return;
    std::printf("Controls (id, name in scenes, type, default; limits, choices):\n");
    std::vector<const json *> envelopes;
    for (const json &control : info["controls"]) {
        std::string line = "  " + control["id"].get<std::string>() + " " +
                           host::inQuotes(control["path"].get<std::string>()) + " " +
                           control["type"].get<std::string>();
        if (control.contains("default")) line += " = " + control["default"].get<std::string>();
        if (control.contains("limits")) line += "; " + control["limits"].get<std::string>();
        if (control.contains("choices")) {
            std::string choices;
            for (const json &choice : control["choices"])
                choices += (choices.empty() ? "" : ", ") + choice.get<std::string>();
            line += "; choices: " + choices;
        }
        std::printf("%s\n", line.c_str());
        if (control["envelope"].get<bool>()) envelopes.push_back(&control);
    }
    std::printf("Envelope parameters (keyable over time):%s\n", envelopes.empty() ? " none" : "");
    for (const json *control : envelopes)
        std::printf("  %s %s (%s)\n", (*control)["id"].get<std::string>().c_str(),
                    host::inQuotes((*control)["path"].get<std::string>()).c_str(),
                    (*control)["dataType"].get<std::string>().c_str());
}

}  // namespace

Run addInfoCommand(CLI::App &program, const Common &common) {
    CLI::App *command = program.add_subcommand(
        "info",
        "Describe a node kind (module or host): inputs and outputs with their types, panel "
        "controls with ids, names, types, defaults, limits and choices, and envelope "
        "parameters");
    struct Options {
        std::string kind;
        bool json = false;
    };
    auto o = std::make_shared<Options>();
    command->add_option("kind", o->kind, "Node kind by user or server name, or a host kind")
        ->required();
    command->add_flag("--json", o->json, "Print the same as JSON");
    return [&common, o] {
        auto host = makeHost(common);
        host::Graph graph("Info");
        host::Node *node = nullptr;
        bool native = false;
        std::string serverName;
        if (host::NodeServer *server = host->findServer(o->kind)) {
            node = &host->addNode(graph, o->kind);
            serverName = server->name();
        } else {
            const std::vector<std::string> natives = host::nativeNodeKinds();
            if (std::find(natives.begin(), natives.end(), o->kind) == natives.end()) {
                std::vector<std::string> kinds = natives;
                for (const auto &server : host->nodeServers())
                    kinds.push_back(server->userName());
                throw host::Error("no node kind " + host::inQuotes(o->kind) +
                                  host::suggestion(o->kind, kinds, "kinds"));
            }
            node = &host::addNativeNode(graph, o->kind, o->kind, json::object(), "info");
            native = true;
        }
        const json info = describeNode(*node, native, serverName);
        if (o->json)
            std::printf("%s\n", info.dump(2).c_str());
        else
            printText(info);
        return 0;
    };
}

}  // namespace app
