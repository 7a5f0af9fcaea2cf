// Decoding hint lists: controls, labels, choices, limits, enable rules and
// layout, read word by word. A list is decoded into a copy of the model and
// taken only when all of it is sound; the first problem is kept on the panel,
// naming the tag and the word it stands at.
#include <algorithm>
#include <cstring>

#include "host/base/error.h"
#include "host/panel/panel.h"
#include "host/panel/panel_detail.h"

namespace host {

using panel_detail::hex;

namespace {

// Bounds past which a list is taken for one that lacks its closing 0.
constexpr std::size_t kMaxWords = 65536;
constexpr std::size_t kMaxIds = 1024;
constexpr std::size_t kMaxTexts = 4096;
constexpr std::size_t kMaxTextLength = 4096;
constexpr int kMaxTransform = 65536;

struct TagInfo {
    std::uint32_t tag;
    const char *name;
};

constexpr TagInfo kTags[] = {
    {HOST_XPTAG_CHGNOTIFY, "change notify"},
    {HOST_XPTAG_DESTROYNOTIFY, "destroy notify"},
    {HOST_XPTAG_ADD, "add control"},
    {HOST_XPTAG_LABEL, "label"},
    {HOST_XPTAG_STRLIST, "choice list"},
    {HOST_XPTAG_INTXFORM, "int transform"},
    {HOST_XPTAG_POPFUNCS, "popup callbacks"},
    {HOST_XPTAG_BUTNOTIFY, "button callback"},
    {HOST_XPTAG_MIN, "minimum"},
    {HOST_XPTAG_MAX, "maximum"},
    {HOST_XPTAG_RANGE, "range"},
    {HOST_XPTAG_HARDMINMAX, "hard limits"},
    {HOST_XPTAG_SLIDER, "slider"},
    {HOST_XPTAG_ENABLE, "enable map"},
    {HOST_XPTAG_STACK, "stack"},
    {HOST_XPTAG_GROUP, "group"},
    {HOST_XPTAG_TABS, "tabs"},
    {HOST_XPTAG_LEFTALIGN, "left align"},
    {HOST_XPTAG_NARROW, "narrow"},
    {HOST_XPTAG_BORDER, "border"},
    {HOST_XPTAG_CTLCFG, "control option"},
    {HOST_XPTAG_DRAWFUNC, "drawing callback"},
};

const char *tagName(std::uintptr_t word) {
    for (const TagInfo &info : kTags)
        if (info.tag == word) return info.name;
    return nullptr;
}

template <typename Function>
Function callback(HostPanelHint word) {
    return reinterpret_cast<Function>(const_cast<void *>(word));
}

}  // namespace

struct Panel::HintDecoder {
    Model &model;
    const HostPanelHint *hints;
    std::size_t next = 0;  // the word read next
    std::size_t at = 0;    // the word of the entry being decoded
    std::uint32_t tag = 0;

    // What may name items that later entries of the same list bring.
    struct Deferred {
        std::uint32_t tag;
        std::size_t at;
        std::uint32_t id;
    };
    std::vector<std::pair<Deferred, std::string>> labels;
    std::vector<Deferred> layouts;      // layouts this list defines, for their members
    std::vector<Deferred> controllers;  // ids that must be controls
    std::vector<Deferred> items;        // ids that must be controls or layouts

    Error fail(const std::string &problem) const {
        return Error("hint " + hex(tag) + " (" + tagName(tag) + ") at word " + std::to_string(at) +
                     ": " + problem);
    }
    Error failAt(const Deferred &entry, const std::string &problem) const {
        return Error("hint " + hex(entry.tag) + " (" + tagName(entry.tag) + ") at word " +
                     std::to_string(entry.at) + ": " + problem);
    }

    HostPanelHint word() {
        if (next >= kMaxWords)
            throw Error("hint list: no closing 0 within " + std::to_string(kMaxWords) + " words");
        return hints[next++];
    }
    std::uintptr_t number() { return reinterpret_cast<std::uintptr_t>(word()); }

    std::uint32_t id() {
        const std::uintptr_t value = number();
        if (value > UINT32_MAX) throw fail("word " + std::to_string(next - 1) + " is not an id");
        return static_cast<std::uint32_t>(value);
    }

    // An int argument: a 32-bit value, or a negative int widened to a word.
    int integer() {
        const std::uintptr_t value = number();
        const auto widened = static_cast<std::intptr_t>(value);
        if (value <= UINT32_MAX) return static_cast<int>(static_cast<std::uint32_t>(value));
        if (widened < 0 && widened >= INT32_MIN) return static_cast<int>(widened);
        throw fail("word " + std::to_string(next - 1) + " is not an int");
    }

    const char *text(bool required, const char *what) {
        const auto *value = static_cast<const char *>(word());
        if (!value) {
            if (required) throw fail("no " + std::string(what));
            return nullptr;
        }
        if (strnlen(value, kMaxTextLength) == kMaxTextLength)
            throw fail(std::string(what) + " is longer than " + std::to_string(kMaxTextLength) +
                       " characters");
        return value;
    }

    // The ids after a list tag's fixed arguments, up to their closing 0.
    std::vector<std::uint32_t> idList() {
        std::vector<std::uint32_t> ids;
        while (true) {
            const std::size_t position = next;
            const std::uintptr_t value = number();
            if (value == 0) return ids;
            if (tagName(value))
                throw fail("its id list runs into tag " + hex(static_cast<std::uint32_t>(value)) +
                           " at word " + std::to_string(position) + "; is its closing 0 missing?");
            if (value > UINT32_MAX)
                throw fail("word " + std::to_string(position) + " in its id list is not an id");
            if (ids.size() == kMaxIds)
                throw fail("its id list is longer than " + std::to_string(kMaxIds) +
                           " ids; is its closing 0 missing?");
            ids.push_back(static_cast<std::uint32_t>(value));
        }
    }

    Control *findControl(std::uint32_t id) {
        for (Control &control : model.controls)
            if (control.id == id) return &control;
        return nullptr;
    }
    Layout *findLayout(std::uint32_t id) {
        for (Layout &layout : model.layouts)
            if (layout.id == id) return &layout;
        return nullptr;
    }
    Control &existingControl(std::uint32_t id) {
        Control *control = findControl(id);
        if (!control) throw fail("control " + hex(id) + " is not on the panel (yet)");
        return *control;
    }
    void requireNewId(std::uint32_t id) {
        if (id == 0) throw fail("id 0 names nothing");
        if (findControl(id) || findLayout(id)) throw fail("id " + hex(id) + " is already in use");
    }

    void defineLayout(LayoutKind kind, std::uint32_t id, std::vector<std::uint32_t> members,
                      std::uint32_t controller = 0, const int *table = nullptr) {
        requireNewId(id);
        Layout layout;
        layout.kind = kind;
        layout.id = id;
        layout.members = std::move(members);
        layout.controller = controller;
        layout.table = table;
        layout.order = model.nextOrder++;
        model.layouts.push_back(std::move(layout));
        layouts.push_back({tag, at, id});
    }

    void entry() {
        switch (tag) {
            case HOST_XPTAG_CHGNOTIFY:
                model.change = callback<HostPanelChangeFunc>(word());
                return;
            case HOST_XPTAG_DESTROYNOTIFY:
                model.destroy = callback<HostPanelDestroyFunc>(word());
                word();
                return;
            case HOST_XPTAG_ADD: {
                Control control;
                control.id = id();
                requireNewId(control.id);
                control.type = text(true, "control type");
                control.valueId = id();
                control.order = model.nextOrder++;
                model.controls.push_back(std::move(control));
                return;
            }
            case HOST_XPTAG_LABEL: {
                const std::uint32_t item = id();
                const char *label = text(false, "label");
                word();
                labels.push_back({{tag, at, item}, label ? label : ""});
                return;
            }
            case HOST_XPTAG_STRLIST: {
                Control &control = existingControl(id());
                const auto *texts = static_cast<const char *const *>(word());
                word();
                if (!texts) throw fail("no choice texts");
                std::vector<std::string> choices;
                for (std::size_t i = 0; texts[i]; ++i) {
                    if (i == kMaxTexts)
                        throw fail("more than " + std::to_string(kMaxTexts) +
                                   " choice texts; is the closing null missing?");
                    if (strnlen(texts[i], kMaxTextLength) == kMaxTextLength)
                        throw fail("choice text " + std::to_string(i) + " is too long");
                    choices.emplace_back(texts[i]);
                }
                control.choices = std::move(choices);
                control.hasChoiceList = true;
                return;
            }
            case HOST_XPTAG_INTXFORM: {
                Control &control = existingControl(id());
                const int count = integer();
                const auto *values = static_cast<const int *>(word());
                if (count < 0 || count > kMaxTransform)
                    throw fail("count " + std::to_string(count) + " is out of bounds");
                if (count > 0 && !values) throw fail("no table of values");
                control.intTransform.assign(values, values + count);
                return;
            }
            case HOST_XPTAG_POPFUNCS: {
                Control &control = existingControl(id());
                control.popCount = callback<HostPopCountFunc>(word());
                control.popName = callback<HostPopNameFunc>(word());
                if (!control.popCount || !control.popName)
                    throw fail("a popup needs both a count and a name callback");
                return;
            }
            case HOST_XPTAG_BUTNOTIFY: {
                Control &control = existingControl(id());
                control.button = callback<HostButtonFunc>(word());
                return;
            }
            case HOST_XPTAG_DRAWFUNC: {
                Control &control = existingControl(id());
                control.draw = callback<HostPanelDrawFunc>(word());
                return;
            }
            case HOST_XPTAG_MIN: {
                Control &control = existingControl(id());
                control.min = integer();
                return;
            }
            case HOST_XPTAG_MAX: {
                Control &control = existingControl(id());
                control.max = integer();
                return;
            }
            case HOST_XPTAG_RANGE: {
                Control &control = existingControl(id());
                const int low = integer();
                const int high = integer();
                const int step = integer();
                if (low > high)
                    throw fail("minimum " + std::to_string(low) + " lies above maximum " +
                               std::to_string(high));
                control.rangeMin = low;
                control.rangeMax = high;
                control.rangeStep = step;
                return;
            }
            case HOST_XPTAG_HARDMINMAX: {
                Control &control = existingControl(id());
                control.hardMin = integer() != 0;
                control.hardMax = integer() != 0;  // read after the minimum's flag
                return;
            }
            case HOST_XPTAG_SLIDER: {
                Control &control = existingControl(id());
                control.slider = integer();
                return;
            }
            case HOST_XPTAG_CTLCFG: {
                Control &control = existingControl(id());
                const int option = integer();
                const int value = integer();
                control.config.emplace_back(option, value);
                return;
            }
            case HOST_XPTAG_ENABLE: {
                EnableRule rule;
                rule.controller = id();
                const char *note = text(false, "note");
                rule.note = note ? note : "";
                word();
                rule.table = static_cast<const int *>(word());
                rule.targets = idList();
                controllers.push_back({tag, at, rule.controller});
                for (std::uint32_t target : rule.targets)
                    items.push_back({tag, at, target});
                model.enableRules.push_back(std::move(rule));
                return;
            }
            case HOST_XPTAG_STACK: {
                const std::uint32_t stack = id();
                const std::uint32_t controller = id();
                const auto *table = static_cast<const int *>(word());
                controllers.push_back({tag, at, controller});
                defineLayout(LayoutKind::Stack, stack, idList(), controller, table);
                return;
            }
            case HOST_XPTAG_GROUP:
            case HOST_XPTAG_TABS:
            case HOST_XPTAG_BORDER: {
                const std::uint32_t layout = id();
                const LayoutKind kind = tag == HOST_XPTAG_GROUP  ? LayoutKind::Group
                                        : tag == HOST_XPTAG_TABS ? LayoutKind::Tabs
                                                                 : LayoutKind::Border;
                defineLayout(kind, layout, idList());
                return;
            }
            case HOST_XPTAG_LEFTALIGN:
            case HOST_XPTAG_NARROW:
                for (std::uint32_t target : idList()) {
                    Control &control = existingControl(target);
                    (tag == HOST_XPTAG_LEFTALIGN ? control.leftAlign : control.narrow) = true;
                }
                return;
        }
    }

    bool isItem(std::uint32_t id) { return findControl(id) || findLayout(id); }

    // Resolves what entries named before the end of the list.
    void finish() {
        for (const auto &[entry, label] : labels) {
            if (Control *control = findControl(entry.id))
                control->label = label;
            else if (Layout *layout = findLayout(entry.id))
                layout->label = label;
            else
                throw failAt(entry, "labels " + hex(entry.id) + ", which is not on the panel");
        }
        for (const Deferred &entry : controllers)
            if (!findControl(entry.id))
                throw failAt(entry, "controlling id " + hex(entry.id) + " is no control");
        for (const Deferred &entry : items)
            if (!isItem(entry.id)) throw failAt(entry, hex(entry.id) + " is not on the panel");
        for (const Deferred &entry : layouts) {
            Layout &layout = *findLayout(entry.id);
            for (std::uint32_t member : layout.members) {
                if (member == layout.id) throw failAt(entry, "holds itself");
                if (!isItem(member)) throw failAt(entry, hex(member) + " is not on the panel");
                Control *control = findControl(member);
                if (layout.kind == LayoutKind::Border) {
                    if (control) control->borders.push_back(layout.id);
                    continue;
                }
                std::uint32_t &parent = control ? control->parent : findLayout(member)->parent;
                if (parent != 0 && parent != layout.id)
                    throw failAt(entry, hex(member) + " is already in " + hex(parent));
                parent = layout.id;
            }
        }
        // A layout inside itself, however deep, would make the panel endless.
        for (const Deferred &entry : layouts) {
            std::uint32_t item = findLayout(entry.id)->parent;
            for (std::size_t steps = 0; item != 0; ++steps) {
                if (item == entry.id || steps > model.layouts.size())
                    throw failAt(entry, "lies inside itself");
                const Layout *holder = findLayout(item);
                item = holder ? holder->parent : 0;
            }
        }
    }

    void run() {
        while (true) {
            at = next;
            const std::uintptr_t value = number();
            if (value == 0) break;
            if (!tagName(value))
                throw Error("hint list: unknown tag " +
                            (value > UINT32_MAX ? std::string("(not a 32-bit word)")
                                                : hex(static_cast<std::uint32_t>(value))) +
                            " at word " + std::to_string(at));
            tag = static_cast<std::uint32_t>(value);
            entry();
        }
        finish();
    }
};

void Panel::addHints(std::uint32_t /*id*/, const HostPanelHint *hints) {
    // Only the first problem is kept; a panel that has one takes nothing more.
    if (!error_.empty() || !hints) return;
    Model model = model_;
    HintDecoder decoder{model, hints, 0, 0, 0, {}, {}, {}, {}};
    try {
        decoder.run();
    } catch (const Error &error) {
        recordError(error.what());
        return;
    } catch (const std::bad_alloc &) {
        recordError("hint list: out of memory");
        return;
    }
    model_ = std::move(model);
    resolveDataTypes();
}

}  // namespace host
