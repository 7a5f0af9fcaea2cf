// Naming controls by where they stand on the panel, for labels that repeat:
// a node may show "Color Mode" once per tab, and a scene file should still
// name each without its id.
#include <algorithm>

#include "host/panel/panel.h"
#include "host/panel/panel_detail.h"

namespace host {

using panel_detail::hex;

namespace {

// Containers nest only a few deep; this bounds a malformed panel's walk.
constexpr int kMaxDepth = 32;

std::vector<std::string> segments(std::string_view text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t slash = text.find('/', start);
        parts.emplace_back(panel_detail::trim(text.substr(start, slash - start)));
        if (slash == std::string_view::npos) break;
        start = slash + 1;
    }
    return parts;
}

bool same(const std::string &a, const std::string &b, bool exact) {
    return exact ? a == b : panel_detail::lower(a) == panel_detail::lower(b);
}

std::string joined(const std::vector<std::string> &parts, std::size_t from) {
    std::string text;
    for (std::size_t i = from; i < parts.size(); ++i)
        text += (i == from ? "" : "/") + parts[i];
    return text;
}

bool labelRepeats(const Panel &panel, const Panel::Control &control) {
    return std::any_of(panel.controls().begin(), panel.controls().end(), [&](const auto &other) {
        return other.id != control.id && other.label == control.label;
    });
}

bool labelled(const Panel &panel, const Panel::Control *control) {
    return control && !control->label.empty() && !labelRepeats(panel, *control);
}

// What tells a repeated label apart where no tab or group does: the control
// it belongs with. A switch belongs with the first control it enables; any
// other control with the nearest control before it in its container (after
// it, for the first), among those whose labels are their own.
std::string companionOf(const Panel &panel, const Panel::Control &control) {
    for (const Panel::EnableRule &rule : panel.enableRules()) {
        if (rule.controller != control.id) continue;
        for (std::uint32_t target : rule.targets)
            if (const Panel::Control *found = panel.control(target); labelled(panel, found))
                return found->label;
    }
    const Panel::Control *before = nullptr, *after = nullptr;
    for (const Panel::Control &other : panel.controls()) {
        if (other.parent != control.parent || !labelled(panel, &other)) continue;
        if (other.order < control.order && (!before || other.order > before->order))
            before = &other;
        if (other.order > control.order && (!after || other.order < after->order)) after = &other;
    }
    if (before) return before->label;
    return after ? after->label : std::string();
}

}  // namespace

std::vector<std::string> Panel::fullPath(std::uint32_t controlId) const {
    const Control &control = requireControl(controlId);
    std::vector<std::string> path{control.label};
    if (labelRepeats(*this, control))
        if (std::string companion = companionOf(*this, control); !companion.empty())
            path.push_back(std::move(companion));
    std::uint32_t item = control.parent;
    for (int depth = 0; item != 0 && depth < kMaxDepth; ++depth, item = parentOf(item)) {
        const Layout *holder = layout(item);
        if (holder && holder->kind != LayoutKind::Border && !holder->label.empty())
            path.push_back(holder->label);
    }
    std::reverse(path.begin(), path.end());
    return path;
}

std::vector<const Panel::Control *> panel_detail::controlsNamed(const Panel &panel,
                                                                std::string_view text, bool exact) {
    const std::vector<std::string> wanted = segments(text);
    std::vector<const Panel::Control *> found;
    for (const Panel::Control &control : panel.controls()) {
        if (control.label.empty()) continue;
        // A label holding a slash is still named by the whole of it.
        if (same(control.label, std::string(trim(text)), exact)) {
            found.push_back(&control);
            continue;
        }
        const std::vector<std::string> path = panel.fullPath(control.id);
        if (wanted.size() > path.size()) continue;
        const std::size_t offset = path.size() - wanted.size();
        bool matches = true;
        for (std::size_t i = 0; i < wanted.size() && matches; ++i)
            matches = same(path[offset + i], wanted[i], exact);
        if (matches) found.push_back(&control);
    }
    return found;
}

std::string Panel::pathOf(std::uint32_t controlId) const {
    const Control &control = requireControl(controlId);
    if (control.label.empty()) return hex(control.id);
    const std::vector<std::string> path = fullPath(controlId);
    for (std::size_t from = path.size(); from-- > 0;) {
        const std::string name = joined(path, from);
        if (panel_detail::controlsNamed(*this, name, true).size() == 1) return name;
    }
    return hex(control.id);
}

}  // namespace host
