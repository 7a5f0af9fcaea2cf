// What a panel shows now: the choices of its popups, which controls are
// enabled and visible, and the values read through the node's get callback.
#include <algorithm>

#include "host/base/error.h"
#include "host/panel/panel.h"
#include "host/panel/panel_detail.h"

namespace host {

using panel_detail::hex;
using panel_detail::nameOf;
using panel_detail::Unit;
using panel_detail::vparms;

namespace {

// Popups that claim more choices than this are taken for broken tables.
constexpr int kMaxChoices = 65536;

}  // namespace

// ---- Choices, enabling, visibility ----

std::vector<std::string> Panel::choices(std::uint32_t controlId) const {
    Use use(*this);
    const Control &control = requireControl(controlId);
    if (control.hasChoiceList) return control.choices;
    std::vector<std::string> names;
    if (!control.popCount) return names;
    void *data = userData(controlId);
    const int count = control.popCount(data);
    if (count > kMaxChoices)
        throw Error("panel: control " + nameOf(control) + " claims " + std::to_string(count) +
                    " choices");
    for (int i = 0; i < count; ++i) {
        const char *name = control.popName ? control.popName(data, i) : nullptr;
        names.emplace_back(name ? name : "");
    }
    return names;
}

std::optional<int> Panel::positionCount(const Control &control) const {
    if (control.hasChoiceList) return static_cast<int>(control.choices.size());
    if (control.popCount) return std::clamp(control.popCount(userData(control.id)), 0, kMaxChoices);
    if (control.type == "iBoolean") return 2;
    if (!control.intTransform.empty()) return static_cast<int>(control.intTransform.size());
    return std::nullopt;
}

int Panel::positionOf(const Control &control, int value) const {
    if (control.intTransform.empty()) return value;
    const auto found = std::find(control.intTransform.begin(), control.intTransform.end(), value);
    return found == control.intTransform.end()
               ? -1
               : static_cast<int>(found - control.intTransform.begin());
}

const Panel::EnableRule *Panel::failingRule(std::uint32_t id) const {
    // The item and every group or stack holding it; the bound guards against
    // a containment cycle, which the hint decoder refuses anyway.
    std::vector<std::uint32_t> path;
    for (std::uint32_t item = id; item != 0 && path.size() < 64; item = parentOf(item))
        path.push_back(item);
    for (const EnableRule &rule : model_.enableRules) {
        const bool applies = std::any_of(rule.targets.begin(), rule.targets.end(), [&](auto t) {
            return std::find(path.begin(), path.end(), t) != path.end();
        });
        if (!applies) continue;
        const Control *controller = control(rule.controller);
        if (!controller) continue;
        const std::optional<int> value = currentInt(*controller);
        if (!value) continue;  // a connected controller leaves the choice to its input
        if (!rule.table) {
            if (*value == 0) return &rule;
            continue;
        }
        // The table is only as long as the controller has positions; a value
        // outside them names no state the node wrote an entry for.
        const int position = positionOf(*controller, *value);
        const std::optional<int> count = positionCount(*controller);
        if (!count || position < 0 || position >= *count || rule.table[position] == 0) return &rule;
    }
    return nullptr;
}

bool Panel::enabled(std::uint32_t id) const {
    Use use(*this);
    if (!control(id) && !layout(id)) throw Error("panel: no control or layout " + hex(id));
    return failingRule(id) == nullptr;
}

std::uint32_t Panel::shownMember(const Layout &stack) const {
    const Control *controller = control(stack.controller);
    if (!controller) return 0;
    // While the controller shows no value the stack keeps the branch it showed.
    const int value = currentInt(*controller).value_or(forms_[controller->id].value);
    const int position = positionOf(*controller, value);
    int index = position;
    if (stack.table) {
        const std::optional<int> count = positionCount(*controller);
        if (!count || position < 0 || position >= *count) return 0;
        index = stack.table[position];
    }
    if (index < 0 || static_cast<std::size_t>(index) >= stack.members.size()) return 0;
    return stack.members[static_cast<std::size_t>(index)];
}

bool Panel::visible(std::uint32_t id) const {
    Use use(*this);
    if (!control(id) && !layout(id)) throw Error("panel: no control or layout " + hex(id));
    std::uint32_t child = id;
    for (int depth = 0; depth < 64; ++depth) {
        const std::uint32_t parent = parentOf(child);
        if (parent == 0) break;
        const Layout *holder = layout(parent);
        if (holder && holder->kind == LayoutKind::Stack && shownMember(*holder) != child)
            return false;
        child = parent;
    }
    return true;
}

// ---- Values ----

void *Panel::currentValue(const Control &control) const {
    return get_ ? get_(instance_, control.valueId) : nullptr;
}

std::optional<int> Panel::currentInt(const Control &control) const {
    if (control.kind != ValueKind::Integer) return std::nullopt;
    Form &form = forms_[control.id];
    if (form.pinned) return form.value;
    const void *value = currentValue(control);
    if (!value) return std::nullopt;
    form.value = *static_cast<const int *>(value);
    return form.value;
}

std::optional<int> Panel::intValue(std::uint32_t controlId) const {
    Use use(*this);
    const Control &control = requireControl(controlId);
    if (control.kind != ValueKind::Integer)
        throw Error("panel: control " + nameOf(control) + " holds no integer");
    return currentInt(control);
}

std::optional<std::vector<double>> Panel::numbers(std::uint32_t controlId, double time) const {
    Use use(*this);
    const Control &control = requireControl(controlId);
    if (control.kind != ValueKind::Envelope)
        throw Error("panel: control " + nameOf(control) + " holds no envelope");
    auto *vparm = static_cast<HostVParmID>(currentValue(control));
    if (!vparm) return std::nullopt;
    double values[3] = {0.0, 0.0, 0.0};
    const int count = vparms().getVal(vparm, time, nullptr, values);
    if (count < 1 || count > 3)
        throw Error("panel: the vparm of control " + nameOf(control) + " answered " +
                    std::to_string(count) + " channels");
    const Unit unit = panel_detail::unitOf(control.dataType);
    std::vector<double> shown;
    for (int i = 0; i < count; ++i)
        shown.push_back(panel_detail::toPanelUnits(unit, values[i]));
    return shown;
}

HostVParmID Panel::vparm(std::uint32_t controlId) const {
    Use use(*this);
    const Control &control = requireControl(controlId);
    if (control.kind != ValueKind::Envelope) return nullptr;
    return static_cast<HostVParmID>(currentValue(control));
}

std::optional<std::string> Panel::text(std::uint32_t controlId) const {
    Use use(*this);
    const Control &control = requireControl(controlId);
    if (control.kind != ValueKind::String)
        throw Error("panel: control " + nameOf(control) + " holds no text");
    const auto *value = static_cast<const char *>(currentValue(control));
    if (!value) return std::nullopt;
    forms_[control.id].text = value;
    return forms_[control.id].text;
}

}  // namespace host
