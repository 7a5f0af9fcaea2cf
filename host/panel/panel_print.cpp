// The panel as indented text, one line per control or layout, for tools and
// for people reading a node's panel without a window.
#include <algorithm>

#include "host/base/error.h"
#include "host/panel/panel.h"
#include "host/panel/panel_detail.h"

namespace host {

using panel_detail::formatNumber;
using panel_detail::hex;
using panel_detail::limitsText;
using panel_detail::quote;
using panel_detail::Unit;

namespace {

// Containers nest only a few deep; this bounds a malformed panel's print.
constexpr int kMaxPrintDepth = 32;

std::string indent(int depth) {
    return std::string(static_cast<std::size_t>(depth) * 2, ' ');
}

std::string joined(const std::vector<std::string> &texts, const char *separator) {
    std::string out;
    for (const std::string &text : texts)
        out += (out.empty() ? "" : separator) + text;
    return out;
}

// A limit word in the units the user types: whole degrees stay degrees, every
// other limit is in stored units.
std::string limitText(const Panel::Control &control, int word) {
    const Unit unit = panel_detail::unitOf(control.dataType);
    if (control.kind != Panel::ValueKind::Envelope) return std::to_string(word);
    const double shown = unit == Unit::Percent ? panel_detail::toPanelUnits(unit, word) : word;
    return formatNumber(shown) + panel_detail::unitSuffix(unit);
}

}  // namespace

std::string panel_detail::limitsText(const Panel::Control &control) {
    std::vector<std::string> parts;
    if (control.rangeMin && control.rangeMax)
        parts.push_back("range " + limitText(control, *control.rangeMin) + " to " +
                        limitText(control, *control.rangeMax));
    if (control.min)
        parts.push_back("min " + limitText(control, *control.min) +
                        (control.hardMin ? " (hard)" : ""));
    if (control.max)
        parts.push_back("max " + limitText(control, *control.max) +
                        (control.hardMax ? " (hard)" : ""));
    return joined(parts, ", ");
}

std::string Panel::valueText(std::uint32_t controlId, double time) const {
    Use use(*this);
    const Control &control = requireControl(controlId);
    switch (control.kind) {
        case ValueKind::Integer: {
            const std::optional<int> value = currentInt(control);
            if (!value) return "(no value)";
            if (control.hasChoices()) {
                const std::vector<std::string> names = choices(controlId);
                const int position = positionOf(control, *value);
                if (position >= 0 && static_cast<std::size_t>(position) < names.size())
                    return names[static_cast<std::size_t>(position)];
                return std::to_string(*value) + " (no such choice)";
            }
            if (control.type == "iBoolean") return *value ? "on" : "off";
            return std::to_string(*value);
        }
        case ValueKind::Envelope: {
            const std::optional<std::vector<double>> values = numbers(controlId, time);
            if (!values) return "(no value)";
            const char *suffix = panel_detail::unitSuffix(panel_detail::unitOf(control.dataType));
            std::vector<std::string> parts;
            for (double value : *values)
                parts.push_back(formatNumber(value) + suffix);
            return joined(parts, " ");
        }
        case ValueKind::String: {
            const std::optional<std::string> value = text(controlId);
            return value ? quote(*value) : "(no value)";
        }
        case ValueKind::None:
            break;
    }
    return "";
}

void Panel::printControl(std::string &out, const Control &control, int depth, double time) const {
    std::string line = indent(depth) + hex(control.id) + " " +
                       (control.label.empty() ? "(no label)" : control.label) + " (" +
                       control.type + ")";
    // Where a label repeats, the path the control is named by in scenes.
    if (const std::string path = pathOf(control.id);
        path != control.label && !control.label.empty())
        line += " as " + quote(path);
    if (control.kind != ValueKind::None) line += " = " + valueText(control.id, time);
    std::vector<std::string> notes;
    if (control.hasChoices()) notes.push_back("choices: " + joined(choices(control.id), ", "));
    if (const std::string limits = limitsText(control); !limits.empty()) notes.push_back(limits);
    if (!notes.empty()) line += "; " + joined(notes, "; ");
    out += line;
}

void Panel::printItem(std::string &out, std::uint32_t id, int depth, double time,
                      bool asTab) const {
    if (depth > kMaxPrintDepth) return;
    const Layout *container = nullptr;
    if (const Control *found = control(id)) {
        printControl(out, *found, depth, time);
    } else if ((container = layout(id))) {
        const std::string label = container->label.empty() ? "" : " " + quote(container->label);
        out += indent(depth);
        switch (container->kind) {
            case LayoutKind::Group:
                out += asTab ? (container->label.empty() ? "Tab " + hex(id)
                                                         : "Tab" + label + " (" + hex(id) + ")")
                             : "Group " + hex(id) + label;
                break;
            case LayoutKind::Tabs:
                out += "Tabs " + hex(id) + label;
                break;
            case LayoutKind::Stack: {
                const Control *controller = control(container->controller);
                out += "Stack " + hex(id) + label + ", switched by " + hex(container->controller);
                if (controller && !controller->label.empty()) out += " " + controller->label;
                break;
            }
            case LayoutKind::Border: {
                std::vector<std::string> members;
                for (std::uint32_t member : container->members)
                    members.push_back(hex(member));
                out += "Border " + hex(id) + label + " around " + joined(members, ", ");
                break;
            }
        }
    } else {
        out += indent(depth) + hex(id) + " (not on the panel)\n";
        return;
    }
    if (const EnableRule *rule = failingRule(id))
        out += rule->note.empty() ? " [disabled]" : " [disabled: " + rule->note + "]";
    if (!visible(id)) out += " [hidden]";
    out += "\n";
    if (container && container->kind != LayoutKind::Border)
        for (std::uint32_t member : container->members)
            printItem(out, member, depth + 1, time, container->kind == LayoutKind::Tabs);
}

std::string Panel::describe(double time) const {
    Use use(*this);
    std::vector<std::pair<std::size_t, std::uint32_t>> top;
    for (const Control &control : model_.controls)
        if (control.parent == 0) top.emplace_back(control.order, control.id);
    std::vector<std::uint32_t> borders;
    for (const Layout &layout : model_.layouts) {
        if (layout.parent != 0) continue;
        if (layout.kind == LayoutKind::Border)
            borders.push_back(layout.id);
        else
            top.emplace_back(layout.order, layout.id);
    }
    std::sort(top.begin(), top.end());
    std::string out;
    for (const auto &[order, id] : top)
        printItem(out, id, 0, time, false);
    // Borders frame controls wherever they stand, so they close the print.
    for (std::uint32_t id : borders)
        printItem(out, id, 0, time, false);
    return out.empty() ? "(no controls)\n" : out;
}

}  // namespace host
