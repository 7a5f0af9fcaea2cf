// The panel model: live panels, the data description and user data, and
// looking controls and layouts up by id or label. What the panel shows now
// (choices, enabling, visibility, values) is in panel_state.cpp.
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
using panel_detail::parseWhole;
using panel_detail::quote;
using panel_detail::trim;

namespace {

// Bounds on what a node hands the panel; anything longer is taken for a table
// that lacks its closing entry.
constexpr std::size_t kMaxDataEntries = 4096;

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

}  // namespace host
