// One constant row per panel value: its id, label, data type, the control
// that shows it, the record field it edits and the input that stands in for
// it. The data description, panel get and set, defaults, vparms, copy, save,
// load and evaluation's reading of the value are all made from these rows,
// and FW_CHECK_VALUES rejects at compile time a row that contradicts itself
// or the kind's inputs, so the tables cannot disagree.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "hostapi/hostapi.h"

namespace fw {

// Offsets into an instance record. Records are plain structs that begin with
// a NodeBase, so offsetof is well defined.
using Offset = std::uint16_t;

// Envelope types whose vparms carry three values.
constexpr int paramChannels(int envType) {
    return (envType == HOST_VP_FLOAT3 || envType == HOST_VP_COLOR) ? 3 : 1;
}

// Not constexpr: reaching it at compile time stops the build.
void offsetBeyondSixteenBits();

constexpr Offset toOffset(std::size_t offset) {
    if (offset > 0xffff) offsetBeyondSixteenBits();
    return static_cast<Offset>(offset);
}

struct ValueRow {
    enum class Edits : std::uint8_t {
        Setting,  // an int32_t in the record (popup, choice, check box, integer field)
        Param,    // cached double(s) followed by the vparm handle
        Custom,   // anything else: the kind's panelGet and panelSet hooks answer it
    };

    std::uint32_t id;
    const char *label;        // data description name and panel label
    const char *dataType;     // data description type
    const char *controlType;  // the control that shows the value
    Edits edits;
    Offset offset;        // the int32_t setting, or the parameter's cached value
    Offset handle;        // HostVParmID of a parameter
    int envType;          // HOST_VP_* of a parameter
    const char *channel;  // a parameter's channel name
    double defaults[3];   // a setting's default in [0]
    const char *gate;     // input that stands in for the value, or null
    Offset input = 0;     // that input's handle in the record (withGates fills it)

    // The input named stands in for this value where its name is not the
    // value's label: evaluation reads the input over the value, and panel get
    // shows nothing while it is connected.
    constexpr ValueRow gatedBy(const char *input) const {
        ValueRow row = *this;
        row.gate = input;
        return row;
    }
    // A channel name other than the label (several values share a label).
    constexpr ValueRow channelNamed(const char *name) const {
        ValueRow row = *this;
        row.channel = name;
        return row;
    }

    constexpr bool isSetting() const { return edits == Edits::Setting; }
    constexpr bool isParam() const { return edits == Edits::Param; }
    constexpr int channels() const { return paramChannels(envType); }
    constexpr std::int32_t settingDefault() const { return static_cast<std::int32_t>(defaults[0]); }
};

// An int setting shown by controlType ("integer", "iPopChoice", "iChoice",
// "iBoolean", "iPopTransform").
constexpr ValueRow setting(std::uint32_t id, const char *label, const char *controlType,
                           std::size_t offset, std::int32_t defaultValue) {
    return {id,
            label,
            "integer",
            controlType,
            ValueRow::Edits::Setting,
            toOffset(offset),
            0,
            0,
            nullptr,
            {static_cast<double>(defaultValue), 0.0, 0.0},
            nullptr,
            0};
}

// An envelope parameter; its channel is named after the label.
constexpr ValueRow param(std::uint32_t id, const char *label, const char *dataType, int envType,
                         std::size_t value, std::size_t handle, double x, double y = 0.0,
                         double z = 0.0) {
    return {id,
            label,
            dataType,
            dataType,
            ValueRow::Edits::Param,
            toOffset(value),
            toOffset(handle),
            envType,
            label,
            {x, y, z},
            nullptr,
            0};
}

// A value the kind keeps its own way (a name, a choice that sets two fields).
constexpr ValueRow custom(std::uint32_t id, const char *label, const char *dataType,
                          const char *controlType) {
    return {id,      label, dataType, controlType, ValueRow::Edits::Custom,
            0,       0,     0,        nullptr,     {0.0, 0.0, 0.0},
            nullptr, 0};
}

// The cached value and handle offsets of an envelope member and the
// member##VParm that follows it.
#define FW_PARAM_FIELDS(Record, member) offsetof(Record, member), offsetof(Record, member##VParm)

struct ConnectorSpec {
    const char *name;
    int type;       // HOST_NOT_*
    Offset handle;  // HostNodeInputID or HostNodeOutputID
};

// ---- Lookups ----

void gateSpelledLikeItsLabel();  // not constexpr, as above
void gateNamesAnotherValuesInput();

// The rows with each value's input resolved: the one named by gatedBy, or
// else the input named like the value's label, if the kind has one.
template <std::size_t N>
consteval std::array<ValueRow, N> withGates(const std::array<ValueRow, N> &rows,
                                            std::span<const ConnectorSpec> inputs) {
    std::array<ValueRow, N> gated{};
    for (std::size_t i = 0; i < N; ++i) {
        gated[i] = rows[i];
        if (rows[i].gate && std::string_view(rows[i].gate) == rows[i].label)
            gateSpelledLikeItsLabel();
        // An input named like another value stands in for that value.
        for (std::size_t j = 0; rows[i].gate && j < N; ++j)
            if (j != i && std::string_view(rows[i].gate) == rows[j].label)
                gateNamesAnotherValuesInput();
        const char *name = rows[i].gate ? rows[i].gate : rows[i].label;
        for (const ConnectorSpec &input : inputs) {
            if (!name || std::string_view(input.name) != name) continue;
            gated[i].gate = input.name;
            gated[i].input = input.handle;
        }
    }
    return gated;
}
template <std::size_t N>
consteval std::array<ValueRow, N> withGates(const ValueRow (&rows)[N],
                                            std::span<const ConnectorSpec> inputs) {
    return withGates(std::to_array(rows), inputs);
}

constexpr const ValueRow *findRow(std::span<const ValueRow> rows, std::uint32_t id) {
    for (const ValueRow &row : rows)
        if (row.id == id) return &row;
    return nullptr;
}

void noValueRowHasThisId();  // not constexpr, as above

// The row of an id, at compile time: an id without a row does not compile.
template <std::size_t N>
consteval const ValueRow &valueRow(const std::array<ValueRow, N> &rows, std::uint32_t id) {
    for (const ValueRow &row : rows)
        if (row.id == id) return row;
    noValueRowHasThisId();
    return rows[0];
}

// The data description the host is given: the rows' ids, labels and data
// types, closed by an id of 0.
template <std::size_t N>
constexpr std::array<HostPanelDataDesc, N + 1> dataDescription(
    const std::array<ValueRow, N> &rows) {
    std::array<HostPanelDataDesc, N + 1> entries{};
    for (std::size_t i = 0; i < N; ++i)
        entries[i] = {rows[i].id, rows[i].label, rows[i].dataType};
    entries[N] = {0, nullptr, nullptr};
    return entries;
}

// The data description of a panel with no values (buttons only).
inline constexpr HostPanelDataDesc kNoValues[] = {{0, nullptr, nullptr}};

// ---- Compile-time checks ----

namespace check {

constexpr bool same(const char *a, const char *b) {
    return a && b && std::string_view(a) == std::string_view(b);
}

// The data type a panel gives an envelope type; three-value parameters may
// show as plain or as distance triples.
constexpr bool envelopeShownAs(int envType, const char *dataType) {
    switch (envType) {
        case HOST_VP_FLOAT:
            return same(dataType, "float-env");
        case HOST_VP_FLOAT3:
            return same(dataType, "float3-env") || same(dataType, "distance3-env");
        case HOST_VP_PERCENT:
            return same(dataType, "percent-env");
        case HOST_VP_DIST:
            return same(dataType, "distance-env");
        case HOST_VP_ANGLE:
            return same(dataType, "angle-env");
        case HOST_VP_COLOR:
            return same(dataType, "color-env");
        default:
            return false;
    }
}

constexpr bool isIntControl(const char *control) {
    return same(control, "integer") || same(control, "iPopChoice") || same(control, "iChoice") ||
           same(control, "iBoolean") || same(control, "iPopTransform");
}

// Settings are "integer" values shown by an int control; parameters carry
// the data type of their envelope type and are shown by it; custom values
// (strings, ints the kind sets its own way) are no envelopes.
constexpr bool dataTypesMatch(std::span<const ValueRow> rows) {
    for (const ValueRow &row : rows) {
        switch (row.edits) {
            case ValueRow::Edits::Setting:
                if (!same(row.dataType, "integer") || !isIntControl(row.controlType)) return false;
                break;
            case ValueRow::Edits::Param:
                if (!envelopeShownAs(row.envType, row.dataType)) return false;
                if (!same(row.controlType, row.dataType) || !row.channel) return false;
                break;
            case ValueRow::Edits::Custom:
                // An envelope is always a parameter row: the framework owns its vparm.
                if (!row.dataType || std::string_view(row.dataType).ends_with("-env")) return false;
                break;
        }
    }
    return true;
}

// The connector type an input must have to stand in for a value.
constexpr bool inputFits(const ValueRow &row, int connectorType) {
    if (row.isSetting()) return connectorType == HOST_NOT_INTEGER;
    if (!row.isParam()) return true;
    if (row.envType == HOST_VP_COLOR) return connectorType == HOST_NOT_COLOR;
    if (row.envType == HOST_VP_FLOAT3) return connectorType == HOST_NOT_VECTOR;
    return connectorType == HOST_NOT_SCALAR;
}

// Every gate names an input of a fitting type, and no input gates two
// values (a gate copied from a neighbour row shows up as a repeat).
constexpr bool gatesNameInputs(std::span<const ValueRow> rows,
                               std::span<const ConnectorSpec> inputs) {
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (!rows[i].gate) continue;
        // Found by index: a sanitizer build cannot compare an address with
        // null at compile time where the inputs belong to a template.
        std::size_t found = inputs.size();
        for (std::size_t k = 0; k < inputs.size(); ++k)
            if (same(inputs[k].name, rows[i].gate)) found = k;
        if (found == inputs.size()) return false;
        const ConnectorSpec &input = inputs[found];
        if (input.handle != rows[i].input || !inputFits(rows[i], input.type)) return false;
        for (std::size_t j = 0; j < i; ++j)
            if (same(rows[j].gate, rows[i].gate)) return false;
    }
    return true;
}

struct Span {
    std::size_t begin, end;
};

constexpr Span fieldOf(const ValueRow &row) {
    if (row.isSetting()) return {row.offset, row.offset + sizeof(std::int32_t)};
    return {row.offset, row.handle + sizeof(HostVParmID)};
}

// A parameter's handle follows its one or three doubles directly; every
// field lies inside the record, after its NodeBase, and no two rows edit
// overlapping fields (a row pointing at a neighbour's field is a repeat).
constexpr bool fieldsFit(std::span<const ValueRow> rows, std::size_t baseSize,
                         std::size_t recordSize) {
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const ValueRow &row = rows[i];
        if (row.edits == ValueRow::Edits::Custom) continue;
        if (row.isParam() &&
            row.handle != row.offset + static_cast<std::size_t>(row.channels()) * sizeof(double))
            return false;
        const Span field = fieldOf(row);
        if (field.begin < baseSize || field.end > recordSize) return false;
        for (std::size_t j = 0; j < i; ++j) {
            if (rows[j].edits == ValueRow::Edits::Custom) continue;
            const Span other = fieldOf(rows[j]);
            if (field.begin < other.end && other.begin < field.end) return false;
        }
    }
    return true;
}

// Value ids run from 0x8001 upward in data description order.
constexpr bool idsInOrder(std::span<const ValueRow> rows) {
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (rows[i].id != 0x8001 + i || !rows[i].label) return false;
    return true;
}

}  // namespace check

}  // namespace fw

// The compile-time checks of one kind's rows against its record and inputs.
#define FW_CHECK_VALUES(Record, rows, inputs)                                                  \
    static_assert(fw::check::idsInOrder(rows), "value ids must run from 0x8001 in row order"); \
    static_assert(fw::check::dataTypesMatch(rows),                                             \
                  "a value's data type does not match what it edits");                         \
    static_assert(fw::check::gatesNameInputs(rows, inputs),                                    \
                  "a gate names no input of its value's type, or repeats another gate");       \
    static_assert(fw::check::fieldsFit(rows, sizeof(fw::NodeBase), sizeof(Record)),            \
                  "a value's field is outside the record, overlaps another, or its handle "    \
                  "does not follow its one or three doubles")
