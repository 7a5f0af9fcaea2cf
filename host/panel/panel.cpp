// The panel model: live panels, the data description, lookups, enable rules,
// stacks, and values read through the node's get callback.
#include "host/panel/panel.h"

#include <algorithm>
#include <mutex>
#include <new>
#include <set>

#include "host/base/error.h"
#include "host/base/suggest.h"
#include "host/panel/panel_detail.h"

namespace host {

using panel_detail::hex;
using panel_detail::lower;
using panel_detail::nameOf;
using panel_detail::parseInt32;
using panel_detail::parseWhole;
using panel_detail::quote;
using panel_detail::trim;
using panel_detail::Unit;
using panel_detail::vparms;

namespace {

// Bounds on what a node hands the panel; anything longer is taken for a table
// that lacks its closing entry.
constexpr std::size_t kMaxDataEntries = 4096;
constexpr int kMaxChoices = 65536;

std::mutex registryMutex;
std::set<const Panel *> &registry() {
    static std::set<const Panel *> panels;
    return panels;
}

bool isEnvelopeType(std::string_view type) {
    static constexpr std::string_view kTypes[] = {"float-env",     "float3-env",  "distance-env",
                                                  "distance3-env", "percent-env", "angle-env",
                                                  "color-env"};
    return std::find(std::begin(kTypes), std::end(kTypes), type) != std::end(kTypes);
}

}  // namespace
// ---- Live panels ----

Panel *Panel::from(HostPanelID id) {
    if (!id) return nullptr;
    auto *panel = reinterpret_cast<Panel *>(id);
    std::lock_guard lock(registryMutex);
    return registry().count(panel) ? panel : nullptr;
}

Panel *Panel::create() {
    auto *panel = new (std::nothrow) Panel;
    if (!panel) return nullptr;
    try {
        std::lock_guard lock(registryMutex);
        registry().insert(panel);
    } catch (...) {
        delete panel;
        return nullptr;
    }
    return panel;
}

void Panel::destroy(Panel *panel) {
    if (!panel) return;
    if (panel->useDepth_ > 0) {
        panel->destroyPending_ = true;
        return;
    }
    {
        std::lock_guard lock(registryMutex);
        // A second destroy of the same handle finds nothing to do.
        if (!registry().erase(panel)) return;
    }
    // The panel is no longer live, so a callback that reaches for it through
    // its handle finds nothing.
    if (panel->model_.destroy) panel->model_.destroy(panel->userData(0));
    delete panel;
}

Panel::Use::Use(const Panel &panel) : panel_(panel) {
    if (!panel.error_.empty()) throw Error(panel.error_);
    ++panel.useDepth_;
}

Panel::Use::~Use() {
    if (--panel_.useDepth_ == 0 && panel_.destroyPending_)
        Panel::destroy(const_cast<Panel *>(&panel_));
}

void Panel::recordError(std::string message) {
    if (error_.empty()) error_ = std::move(message);
}

// ---- Data description and user data ----

void Panel::setDataDescription(const HostPanelDataDesc *data, HostPanelGetFunc get,
                               HostPanelSetFunc set) {
    get_ = get;
    set_ = set;
    std::vector<DataEntry> entries;
    for (std::size_t i = 0; data && data[i].id != 0; ++i) {
        const std::string where = "data description, entry " + std::to_string(i);
        if (i == kMaxDataEntries) {
            recordError(where + ": more than " + std::to_string(kMaxDataEntries) +
                        " entries; is the closing entry with id 0 missing?");
            return;
        }
        const HostPanelDataDesc &entry = data[i];
        if (!entry.dataType) {
            recordError(where + " (" + hex(entry.id) + "): no data type");
            return;
        }
        const std::string type = entry.dataType;
        if (type != "integer" && type != "string" && !isEnvelopeType(type)) {
            recordError(where + " (" + hex(entry.id) + "): unknown data type " + quote(type));
            return;
        }
        for (const DataEntry &earlier : entries)
            if (earlier.id == entry.id) {
                recordError(where + ": id " + hex(entry.id) + " is described twice");
                return;
            }
        entries.push_back({entry.id, entry.name ? entry.name : "", type});
    }
    data_ = std::move(entries);
    resolveDataTypes();
}

void Panel::resolveDataTypes() {
    for (Control &control : model_.controls) {
        control.dataType.clear();
        control.kind = ValueKind::None;
        for (const DataEntry &entry : data_) {
            if (entry.id != control.valueId) continue;
            control.dataType = entry.type;
            control.kind = entry.type == "integer"  ? ValueKind::Integer
                           : entry.type == "string" ? ValueKind::String
                                                    : ValueKind::Envelope;
        }
    }
}

void *Panel::userData(std::uint32_t id) const {
    const auto found = userData_.find(id);
    return found == userData_.end() ? nullptr : found->second;
}

void Panel::setUserData(std::uint32_t id, void *data) {
    userData_[id] = data;
}

// ---- Looking things up ----

const Panel::Control *Panel::control(std::uint32_t id) const {
    for (const Control &control : model_.controls)
        if (control.id == id) return &control;
    return nullptr;
}

const Panel::Layout *Panel::layout(std::uint32_t id) const {
    for (const Layout &layout : model_.layouts)
        if (layout.id == id) return &layout;
    return nullptr;
}

const Panel::Control &Panel::requireControl(std::uint32_t id) const {
    const Control *found = control(id);
    if (!found) throw Error("panel: no control " + hex(id));
    return *found;
}

std::uint32_t Panel::parentOf(std::uint32_t id) const {
    if (const Control *found = control(id)) return found->parent;
    if (const Layout *found = layout(id)) return found->parent;
    return 0;
}

const Panel::Control *Panel::find(std::string_view idOrLabel) const {
    Use use(*this);
    const std::string_view text = trim(idOrLabel);
    std::optional<long long> number;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        number = parseWhole(text.substr(2), 16);
    else
        number = parseWhole(text);
    if (number) {
        const Control *found = *number >= 0 && *number <= UINT32_MAX
                                   ? control(static_cast<std::uint32_t>(*number))
                                   : nullptr;
        if (!found) throw Error("panel: no control " + std::string(text));
        return found;
    }
    // An exact name first; one in other letter case only when unique.
    for (const bool exact : {true, false}) {
        std::vector<const Control *> matches = panel_detail::controlsNamed(*this, text, exact);
        if (matches.size() == 1) return matches.front();
        if (matches.size() > 1) {
            std::string names;
            for (const Control *match : matches)
                names += (names.empty() ? "" : ", ") + quote(pathOf(match->id));
            throw Error("panel: several controls answer to " + quote(std::string(text)) + " (" +
                        names + "); name one by its path or id");
        }
    }
    std::vector<std::string> names;
    for (const Control &control : model_.controls)
        if (!control.label.empty()) names.push_back(pathOf(control.id));
    throw Error("panel: no control labelled " + quote(text) + suggestion(text, names, "controls"));
}

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
