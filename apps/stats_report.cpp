#include "stats_report.h"

#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>

#include "host/base/error.h"
#include "host/base/replaced_file.h"

namespace app {
namespace {

std::string row(const std::string &name, const host::NodeFigures &f) {
    char text[256];
    std::snprintf(text, sizeof text, "  %-34s %12llu %11.3f %12llu %12llu %12llu\n", name.c_str(),
                  static_cast<unsigned long long>(f.evaluations), f.seconds * 1e3,
                  static_cast<unsigned long long>(f.casts),
                  static_cast<unsigned long long>(f.traces),
                  static_cast<unsigned long long>(f.shades));
    return text;
}

std::string heading(const char *title) {
    char text[256];
    std::snprintf(text, sizeof text, "%-36s %12s %11s %12s %12s %12s\n", title, "evaluations",
                  "self ms", "cast", "traced", "shaded");
    return text;
}

nlohmann::json figuresJson(const host::NodeFigures &f) {
    return {{"evaluations", f.evaluations},
            {"seconds", f.seconds},
            {"cast", f.casts},
            {"traced", f.traces},
            {"shaded", f.shades}};
}

}  // namespace

void StatsReport::addFrame(
    int frame, double seconds,
    const std::vector<std::pair<const host::Node *, host::NodeFigures>> &figures) {
    FrameRow frameRow{frame, seconds, {}};
    for (std::size_t i = 0; i < figures.size(); ++i) {
        const auto &[node, f] = figures[i];
        if (nodes_.size() <= i)
            nodes_.push_back({node->graph().name(), node->name(), node->kindName(), {}});
        nodes_[i].figures += f;
        frameRow.figures += f;
    }
    frames_.push_back(frameRow);
}

std::string StatsReport::table() const {
    std::string out = heading("Nodes (surface/node)");
    for (const NodeRow &node : nodes_)
        out += row(node.graph + "/" + node.node, node.figures);
    std::map<std::string, host::NodeFigures> kinds;
    host::NodeFigures total;
    for (const NodeRow &node : nodes_) {
        kinds[node.kind] += node.figures;
        total += node.figures;
    }
    out += heading("Kinds");
    for (const auto &[kind, figures] : kinds)
        out += row(kind, figures);
    out += row("(all nodes)", total);
    out += "Frames: render seconds, then the nodes' own seconds\n";
    for (const FrameRow &frame : frames_) {
        char text[128];
        std::snprintf(text, sizeof text, "  frame %-6d %10.3f s %10.3f s\n", frame.frame,
                      frame.seconds, frame.figures.seconds);
        out += text;
    }
    return out;
}

std::string StatsReport::json() const {
    nlohmann::json document;
    document["nodes"] = nlohmann::json::array();
    std::map<std::string, host::NodeFigures> kinds;
    host::NodeFigures total;
    for (const NodeRow &node : nodes_) {
        nlohmann::json entry = figuresJson(node.figures);
        entry["graph"] = node.graph;
        entry["node"] = node.node;
        entry["kind"] = node.kind;
        document["nodes"].push_back(entry);
        kinds[node.kind] += node.figures;
        total += node.figures;
    }
    document["kinds"] = nlohmann::json::object();
    for (const auto &[kind, figures] : kinds)
        document["kinds"][kind] = figuresJson(figures);
    document["total"] = figuresJson(total);
    document["frames"] = nlohmann::json::array();
    for (const FrameRow &frame : frames_) {
        nlohmann::json entry = figuresJson(frame.figures);
        entry["frame"] = frame.frame;
        entry["renderSeconds"] = frame.seconds;
        document["frames"].push_back(entry);
    }
    return document.dump(2) + "\n";
}

void StatsReport::writeJson(const std::filesystem::path &file) const {
    host::replaceFile(file, json(), "statistics");
}

}  // namespace app
