// Acting at the panel as a user does: values parsed, limited and handed to the
// node's set callback, buttons pressed and pictures drawn; and the form copy
// the node itself reads and writes.
#include <algorithm>
#include <charconv>
#include <cmath>

#include "host/base/error.h"
#include "host/panel/panel.h"
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

// ---- Acting as a user ----

int Panel::limitInt(const Control &control, int value) const {
    if (control.rangeMin) value = std::max(value, *control.rangeMin);
    if (control.rangeMax) value = std::min(value, *control.rangeMax);
    if (control.min && control.hardMin) value = std::max(value, *control.min);
    if (control.max && control.hardMax) value = std::min(value, *control.max);
    return value;
}

double Panel::limitNumber(const Control &control, double stored) const {
    // Angle limits are whole degrees; every other envelope's are stored units.
    const Unit unit = panel_detail::unitOf(control.dataType);
    const auto limit = [&](int word) {
        return unit == Unit::Degrees ? panel_detail::toStoredUnits(unit, word)
                                     : static_cast<double>(word);
    };
    if (control.rangeMin) stored = std::max(stored, limit(*control.rangeMin));
    if (control.rangeMax) stored = std::min(stored, limit(*control.rangeMax));
    if (control.min && control.hardMin) stored = std::max(stored, limit(*control.min));
    if (control.max && control.hardMax) stored = std::min(stored, limit(*control.max));
    return stored;
}

int Panel::parseInt(const Control &control, std::string_view text) const {
    const std::string_view typed = trim(text);
    if (control.hasChoices()) {
        const std::vector<std::string> names = choices(control.id);
        std::optional<int> position;
        for (std::size_t i = 0; i < names.size() && !position; ++i)
            if (names[i] == typed) position = static_cast<int>(i);
        // A choice text may carry spaces of its own at its ends, which typed
        // text loses.
        for (std::size_t i = 0; i < names.size() && !position; ++i)
            if (trim(names[i]) == typed) position = static_cast<int>(i);
        if (!position) {
            std::vector<int> matches;
            for (std::size_t i = 0; i < names.size(); ++i)
                if (lower(names[i]) == lower(typed)) matches.push_back(static_cast<int>(i));
            if (matches.size() > 1)
                throw Error("panel: " + quote(std::string(typed)) + " matches several choices of " +
                            nameOf(control) + "; give it in their own letter case");
            if (matches.size() == 1) position = matches.front();
        }
        if (!position) position = parseInt32(typed);
        if (!position || *position < 0 || static_cast<std::size_t>(*position) >= names.size()) {
            std::string list;
            for (const std::string &name : names)
                list += (list.empty() ? "" : ", ") + name;
            throw Error("panel: " + quote(std::string(typed)) + " is no choice of " +
                        nameOf(control) + " (choices: " + list + ")");
        }
        if (control.intTransform.empty()) return *position;
        if (static_cast<std::size_t>(*position) >= control.intTransform.size())
            throw Error("panel: choice " + std::to_string(*position) + " of " + nameOf(control) +
                        " has no stored value in its int transform");
        return control.intTransform[static_cast<std::size_t>(*position)];
    }
    if (control.type == "iBoolean") {
        const std::string word = lower(typed);
        if (word == "on" || word == "true" || word == "1") return 1;
        if (word == "off" || word == "false" || word == "0") return 0;
        throw Error("panel: " + quote(std::string(typed)) + " is no setting of check box " +
                    nameOf(control) + " (on or off)");
    }
    const std::optional<int> value = parseInt32(typed);
    if (!value)
        throw Error("panel: " + quote(std::string(typed)) + " is no whole number, as control " +
                    nameOf(control) + " needs");
    return *value;
}

void Panel::storeInt(const Control &control, int value) {
    if (!set_) throw Error("panel: no set callback to change " + nameOf(control) + " with");
    Form &form = forms_[control.id];
    form.value = value;
    // While the node stores it, the form already answers with the new value.
    form.pinned = true;
    const int accepted = set_(instance_, control.valueId, &form.value);
    form.pinned = false;
    if (!accepted)
        throw Error("panel: the node refused " + std::to_string(value) + " for " + nameOf(control));
}

void Panel::notifyChanged(const Control &control) {
    if (model_.change) model_.change(id(), control.id, control.valueId, HOST_XPANEL_EVENT_VALUE);
}

namespace {

void requireShown(const Panel::Control &control, const void *value) {
    if (!value)
        throw Error("panel: control " + nameOf(control) +
                    " shows no value (its input is connected)");
}

}  // namespace

void Panel::setValue(std::uint32_t controlId, std::string_view text) {
    Use use(*this);
    const Control &control = requireControl(controlId);
    switch (control.kind) {
        case ValueKind::Integer: {
            requireShown(control, currentValue(control));
            storeInt(control, limitInt(control, parseInt(control, text)));
            notifyChanged(control);
            return;
        }
        case ValueKind::String: {
            requireShown(control, currentValue(control));
            if (!set_) throw Error("panel: no set callback to change " + nameOf(control) + " with");
            Form &form = forms_[control.id];
            form.text = std::string(text);
            // While the node stores it, the form answers with the new text.
            form.pinned = true;
            const int accepted = set_(instance_, control.valueId, form.text.data());
            form.pinned = false;
            if (!accepted)
                throw Error("panel: the node refused " + quote(form.text) + " for " +
                            nameOf(control));
            notifyChanged(control);
            return;
        }
        case ValueKind::Envelope: {
            const Unit unit = panel_detail::unitOf(control.dataType);
            const std::string_view suffix = panel_detail::unitSuffix(unit);
            std::vector<double> values;
            std::string_view rest = text;
            while (true) {
                const std::size_t start = rest.find_first_not_of(" \t,");
                if (start == std::string_view::npos) break;
                rest.remove_prefix(start);
                std::size_t end = rest.find_first_of(" \t,");
                std::string_view token = rest.substr(0, end);
                rest.remove_prefix(end == std::string_view::npos ? rest.size() : end);
                if (!suffix.empty() && token == suffix && !values.empty()) continue;  // "50 %"
                if (!suffix.empty() && token.ends_with(suffix)) token.remove_suffix(suffix.size());
                double value = 0.0;
                const auto [last, ec] =
                    std::from_chars(token.data(), token.data() + token.size(), value);
                if (token.empty() || ec != std::errc() || last != token.data() + token.size() ||
                    !std::isfinite(value))
                    throw Error(
                        "panel: " + quote(std::string(text)) + " is not a value for " +
                        nameOf(control) + " (numbers" +
                        (suffix.empty() ? "" : ", optionally followed by " + std::string(suffix)) +
                        ")");
                values.push_back(value);
            }
            setNumbers(controlId, values);
            return;
        }
        case ValueKind::None:
            break;
    }
    throw Error("panel: control " + nameOf(control) + " holds no value to set");
}

void Panel::setInt(std::uint32_t controlId, int value) {
    Use use(*this);
    const Control &control = requireControl(controlId);
    if (control.kind != ValueKind::Integer)
        throw Error("panel: control " + nameOf(control) + " holds no integer");
    requireShown(control, currentValue(control));
    storeInt(control, limitInt(control, value));
    notifyChanged(control);
}

void Panel::setNumbers(std::uint32_t controlId, std::span<const double> values) {
    Use use(*this);
    const Control &control = requireControl(controlId);
    if (control.kind != ValueKind::Envelope)
        throw Error("panel: control " + nameOf(control) + " holds no envelope");
    auto *vparm = static_cast<HostVParmID>(currentValue(control));
    requireShown(control, vparm);
    const HostVParmFuncs &funcs = vparms();
    double stored[3] = {0.0, 0.0, 0.0};
    const int count = funcs.getVal(vparm, 0.0, nullptr, stored);
    if (count < 1 || count > 3)
        throw Error("panel: the vparm of control " + nameOf(control) + " answered " +
                    std::to_string(count) + " channels");
    if (values.size() != 1 && values.size() != static_cast<std::size_t>(count))
        throw Error("panel: control " + nameOf(control) + " takes " +
                    (count == 1 ? std::string("one number") : "one or three numbers") + ", not " +
                    std::to_string(values.size()));
    const Unit unit = panel_detail::unitOf(control.dataType);
    for (int i = 0; i < count; ++i) {
        const double shown = values.size() == 1 ? values[0] : values[static_cast<std::size_t>(i)];
        if (!std::isfinite(shown))
            throw Error("panel: control " + nameOf(control) + " takes finite numbers only");
        stored[i] = limitNumber(control, panel_detail::toStoredUnits(unit, shown));
    }
    if (!set_) throw Error("panel: no set callback to change " + nameOf(control) + " with");
    funcs.setVal(vparm, stored);
    if (!set_(instance_, control.valueId, vparm))
        throw Error("panel: the node refused the new value of " + nameOf(control));
    notifyChanged(control);
}

void Panel::press(std::uint32_t controlId) {
    Use use(*this);
    const Control &control = requireControl(controlId);
    if (!control.button) throw Error("panel: control " + nameOf(control) + " is no button");
    control.button(id(), control.id);
}

Panel::Picture Panel::draw(std::uint32_t controlId, int width, int height) {
    Use use(*this);
    const Control &control = requireControl(controlId);
    if (!control.draw) throw Error("panel: control " + nameOf(control) + " draws nothing");
    if (width < 1 || height < 1 || width > 8192 || height > 8192)
        throw Error("panel: cannot draw " + nameOf(control) + " at " + std::to_string(width) +
                    " × " + std::to_string(height));
    Picture picture;
    picture.width = width;
    picture.height = height;
    picture.rgb.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3, 0);
    control.draw(id(), control.id, reinterpret_cast<HostDrawAreaID>(&picture), width, height);
    return picture;
}

// ---- The form copy the node itself reads and writes ----

void *Panel::formValue(std::uint32_t controlId) {
    Use use(*this);
    const Control *found = control(controlId);
    if (!found) return nullptr;
    switch (found->kind) {
        case ValueKind::Integer:
            // While get answers nothing the form keeps the value last shown.
            currentInt(*found);
            return &forms_[controlId].value;
        case ValueKind::Envelope:
            return currentValue(*found);
        case ValueKind::String: {
            Form &form = forms_[controlId];
            if (form.pinned) return form.text.data();
            if (const auto *value = static_cast<const char *>(currentValue(*found)))
                form.text = value;
            return form.text.data();
        }
        case ValueKind::None:
            break;
    }
    return nullptr;
}

void Panel::setFormValue(std::uint32_t controlId, const void *value) {
    Use use(*this);
    const Control *found = control(controlId);
    if (!found || !value) return;
    // The node changes its own value: it reaches the node's set callback as a
    // user's change would, but raises no change notification of its own.
    if (found->kind == ValueKind::Integer) {
        storeInt(*found, *static_cast<const int *>(value));
    } else if (found->kind == ValueKind::String && set_) {
        Form &form = forms_[controlId];
        form.text = static_cast<const char *>(value);
        set_(instance_, found->valueId, form.text.data());
    }
}

}  // namespace host
