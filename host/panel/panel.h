// Panels described by tables. A node hands its panel a data description (the
// values, each with a data type) and a hint list (controls, labels, choices,
// limits, enable rules and layout). This model keeps both, reads values through
// the node's get callback, changes them through its set callback exactly as a
// user at the panel would, and prints the panel as plain text, so that tools,
// tests and scene files can drive a node's panel without a window.
//
// The C entry points of the "LWXPanel" table never throw: a malformed hint list
// or data description is remembered on the panel (error()), and every C++ use
// of such a panel throws it as a host::Error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "hostapi/vparm.h"
#include "hostapi/xpanel.h"

namespace host {

// The "LWXPanel" table; the same pointer on every call.
const HostXPanelFuncs *xpanelService();
// The vparm operations the panel reads and sets envelope values with; the host
// core installs them once at start-up.
void setPanelVParmFuncs(const HostVParmFuncs *funcs);

class Panel {
  public:
    // How a control's value is held, from the data type of its value id.
    enum class ValueKind {
        None,      // no data description entry: buttons, thumbnails
        Integer,   // "integer": get answers a pointer to an int
        Envelope,  // "*-env": get answers a vparm
        String,    // "string": get answers a text
    };

    struct Control {
        std::uint32_t id = 0;
        std::string type;  // control type, e.g. "iPopChoice"
        std::uint32_t valueId = 0;
        std::string label;
        std::string dataType;  // from the data description; empty when it has no entry
        ValueKind kind = ValueKind::None;

        // Choices: a fixed list, or count and name callbacks asked at each use.
        bool hasChoiceList = false;
        std::vector<std::string> choices;
        HostPopCountFunc popCount = nullptr;
        HostPopNameFunc popName = nullptr;
        // Stored value of each choice position; empty when positions are stored.
        std::vector<int> intTransform;

        // Limits, in the units of the control's limit words (see setNumbers).
        // A range always binds a value the user enters; a minimum or maximum
        // binds only when it is marked hard, otherwise it only bounds sliders.
        std::optional<int> min, max;
        bool hardMin = false, hardMax = false;
        std::optional<int> rangeMin, rangeMax;
        int rangeStep = 0;

        // Look: passed on by the node, kept so that tools can show them.
        std::optional<int> slider;
        bool leftAlign = false, narrow = false;
        std::vector<std::pair<int, int>> config;  // (option, value) pairs
        std::vector<std::uint32_t> borders;       // borders framing the control

        HostButtonFunc button = nullptr;
        HostPanelDrawFunc draw = nullptr;

        std::uint32_t parent = 0;  // group, stack or tab set holding it; 0 at top level
        std::size_t order = 0;     // position among all items, in hint order

        bool hasChoices() const { return hasChoiceList || popCount != nullptr; }
    };

    enum class LayoutKind { Group, Stack, Tabs, Border };

    struct Layout {
        LayoutKind kind = LayoutKind::Group;
        std::uint32_t id = 0;
        std::string label;
        std::vector<std::uint32_t> members;
        // Stacks: the control whose value picks the member shown, and an
        // optional table from its position to the member's index.
        std::uint32_t controller = 0;
        const int *table = nullptr;
        std::uint32_t parent = 0;
        std::size_t order = 0;
    };

    // The targets are enabled while the controller's position has a non-zero
    // table entry or, without a table, while its value is non-zero.
    struct EnableRule {
        std::uint32_t controller = 0;
        std::string note;  // the node's explanation of the rule; may be empty
        const int *table = nullptr;
        std::vector<std::uint32_t> targets;
    };

    struct DataEntry {
        std::uint32_t id = 0;
        std::string name;
        std::string type;
    };

    // What a drawing callback drew: width × height RGB pixels, row by row.
    struct Picture {
        int width = 0, height = 0;
        std::vector<std::uint8_t> rgb;
    };

    // The panel behind a handle; null for null or for a handle that is no
    // live panel.
    static Panel *from(HostPanelID id);
    HostPanelID id() { return reinterpret_cast<HostPanelID>(this); }

    Panel(const Panel &) = delete;
    Panel &operator=(const Panel &) = delete;

    // ---- The model ----

    // The first problem found in a hint list or data description; empty while
    // the panel is sound.
    const std::string &error() const { return error_; }
    const std::vector<Control> &controls() const { return model_.controls; }
    const std::vector<Layout> &layouts() const { return model_.layouts; }
    const std::vector<EnableRule> &enableRules() const { return model_.enableRules; }
    const std::vector<DataEntry> &dataDescription() const { return data_; }
    HostPanelChangeFunc changeNotify() const { return model_.change; }
    HostPanelDestroyFunc destroyNotify() const { return model_.destroy; }
    HostInstance instance() const { return instance_; }
    void *userData(std::uint32_t id) const;
    // How often the node asked the panel to redraw itself.
    int refreshCount() const { return refreshCount_; }

    const Control *control(std::uint32_t id) const;
    const Layout *layout(std::uint32_t id) const;
    // A control by "0x8006", "32774", its label, or its path: the labels of
    // the tabs, groups and stacks holding it, outermost first, then its own,
    // joined by "/" ("Surface/Color Mode"); any tail of the path names it
    // when only one control has that tail. A label that repeats within its
    // container is told apart by the control it belongs with, which joins
    // the path before it: the first control it enables, else the nearest
    // uniquely labelled control before it ("Srf Color/Brightness"). Unknown
    // names, and names several controls share, throw host::Error listing
    // what there is.
    const Control *find(std::string_view idOrLabel) const;
    // The shortest name find() knows the control by: its label when no other
    // control shares it, else the shortest tail of its path that is unique,
    // else its id ("0x8006").
    std::string pathOf(std::uint32_t controlId) const;
    // Every labelled tab, group and stack holding the control, outermost
    // first, then the control a repeated label belongs with, then the
    // control's own label.
    std::vector<std::string> fullPath(std::uint32_t controlId) const;

    // The choice texts as the panel shows them now (run-time choices are asked
    // for afresh).
    std::vector<std::string> choices(std::uint32_t controlId) const;
    // Whether the enable rules on the control (or on a group or stack holding
    // it) let the user change it. A rule whose controller shows no value (its
    // input is connected) does not disable.
    bool enabled(std::uint32_t id) const;
    // Whether every stack above the item shows the branch holding it.
    bool visible(std::uint32_t id) const;

    // Current values, as get answers them; nullopt while the control shows no
    // value. Envelope values are read at the time and given in panel units.
    std::optional<int> intValue(std::uint32_t controlId) const;
    std::optional<std::vector<double>> numbers(std::uint32_t controlId, double time) const;
    std::optional<std::string> text(std::uint32_t controlId) const;
    // The vparm behind an envelope control, for callers that set its keys;
    // null for other controls and while the control shows no value.
    HostVParmID vparm(std::uint32_t controlId) const;

    // ---- Acting as a user ----
    // Each of these hands the new value to the node's set callback, then calls
    // the panel's change-notify callback with HOST_XPANEL_EVENT_VALUE. Values
    // outside a range, or outside a minimum or maximum marked hard, are clamped
    // to it. A disabled control may still be set (scene files do so); a
    // control that shows no value, an unparsable text or a node that refuses
    // the value throws host::Error.

    // Parses text by the control's type: a number, or for choice controls a
    // choice text (exact, or case-insensitive when that is unique) or a
    // position; "on"/"off"/"true"/"false"/"1"/"0" for check boxes; numbers in
    // panel units for envelopes ("1 0.5 0" or "1,0.5,0"; one number for all
    // three colour channels; an optional "%" or "°" suffix); any text for
    // strings.
    void setValue(std::uint32_t controlId, std::string_view text);
    // The int the node stores, as is (no choice-position mapping).
    void setInt(std::uint32_t controlId, int value);
    // Envelope values in panel units: degrees for "angle-env", percent for
    // "percent-env", the stored value otherwise; one or three numbers. Limits
    // of angle controls are whole degrees; those of every other envelope are
    // in stored units, so a maximum of 1 on a percent control means 100 %.
    void setNumbers(std::uint32_t controlId, std::span<const double> values);
    // Presses a button: calls its press callback.
    void press(std::uint32_t controlId);
    // Lets the control's drawing callback draw into a fresh black picture.
    Picture draw(std::uint32_t controlId, int width, int height);

    // ---- Printing ----
    // The panel as indented text: tab sets, groups, stacks and controls in
    // hint order, each control with its id, label, type, current value (env
    // values at the time, in panel units), choices, and [disabled]/[hidden].
    std::string describe(double time) const;
    // One control's value as describe shows it.
    std::string valueText(std::uint32_t controlId, double time) const;

    // ---- What the C entry points do; problems are recorded, never thrown ----
    static Panel *create();
    // Destroys the panel after calling its destroy-notify callback; deferred
    // until the panel returns when called from inside one of its callbacks.
    static void destroy(Panel *panel);
    void addHints(std::uint32_t id, const HostPanelHint *hints);
    void setDataDescription(const HostPanelDataDesc *data, HostPanelGetFunc get,
                            HostPanelSetFunc set);
    void setUserData(std::uint32_t id, void *data);
    void bindInstance(HostInstance instance) { instance_ = instance; }
    void refresh() { ++refreshCount_; }
    void *formValue(std::uint32_t controlId);
    void setFormValue(std::uint32_t controlId, const void *value);

  private:
    // Everything a hint list builds; a hint list is decoded into a copy and
    // taken only when the whole list is sound.
    struct Model {
        std::vector<Control> controls;
        std::vector<Layout> layouts;
        std::vector<EnableRule> enableRules;
        HostPanelChangeFunc change = nullptr;
        HostPanelDestroyFunc destroy = nullptr;
        std::size_t nextOrder = 0;
    };
    // The panel's own copy of a control's value, the one form get answers
    // with: refreshed from get, except while the value is being set.
    struct Form {
        int value = 0;
        std::string text;
        bool pinned = false;
    };
    // Marks a call that may reach node callbacks: checks that the panel is
    // sound, and carries out a destroy asked for from inside a callback once
    // the outermost call returns.
    class Use {
      public:
        explicit Use(const Panel &panel);
        ~Use();
        Use(const Use &) = delete;
        Use &operator=(const Use &) = delete;

      private:
        const Panel &panel_;
    };
    struct HintDecoder;

    Panel() = default;
    ~Panel() = default;

    void recordError(std::string message);
    void resolveDataTypes();
    const Control &requireControl(std::uint32_t id) const;
    std::uint32_t parentOf(std::uint32_t id) const;
    // The int get answers now (refreshing the form copy), nullopt for none.
    std::optional<int> currentInt(const Control &control) const;
    void *currentValue(const Control &control) const;
    // Number of positions a controller has (choices, or two for a check box).
    std::optional<int> positionCount(const Control &control) const;
    // The position of a stored value: its index in the int transform, or the
    // value itself without one; -1 when the transform does not hold it.
    int positionOf(const Control &control, int value) const;
    const EnableRule *failingRule(std::uint32_t id) const;
    std::uint32_t shownMember(const Layout &stack) const;
    int limitInt(const Control &control, int value) const;
    double limitNumber(const Control &control, double stored) const;
    int parseInt(const Control &control, std::string_view text) const;
    void storeInt(const Control &control, int value);
    void notifyChanged(const Control &control);
    void printItem(std::string &out, std::uint32_t id, int depth, double time, bool asTab) const;
    void printControl(std::string &out, const Control &control, int depth, double time) const;

    Model model_;
    std::vector<DataEntry> data_;
    HostPanelGetFunc get_ = nullptr;
    HostPanelSetFunc set_ = nullptr;
    HostInstance instance_ = nullptr;
    std::map<std::uint32_t, void *> userData_;
    mutable std::map<std::uint32_t, Form> forms_;
    int refreshCount_ = 0;
    std::string error_;
    mutable int useDepth_ = 0;
    bool destroyPending_ = false;
};

}  // namespace host
