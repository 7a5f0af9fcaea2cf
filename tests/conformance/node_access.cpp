#include "node_access.h"

#include "check.h"
#include "host/base/error.h"
#include "host/graph/value_slot.h"
#include "host/panel/panel.h"
#include "host/services/vparm_access.h"

namespace conformance {

void setControl(host::ModuleNode &node, const std::string &control, const std::string &text) {
    host::Panel *panel = node.panel();
    if (!panel) throw host::Error(node.kindName() + " has no panel to set " + control + " on");
    panel->setValue(panel->find(control)->id, text);
    node.newTime(0, 0.0);
}

namespace {

// Whether the control took a new value.
bool editControl(host::Panel &panel, const host::Panel::Control &control, bool &keyed) {
    using Kind = host::Panel::ValueKind;
    if (control.kind == Kind::Integer) {
        const std::optional<int> current = panel.intValue(control.id);
        if (!current) return false;  // its input is connected
        if (control.hasChoices()) {
            const std::vector<std::string> choices = panel.choices(control.id);
            if (choices.size() < 2) return false;
            panel.setValue(control.id, choices.back());
        } else if (control.type == "iBoolean") {
            panel.setInt(control.id, *current ? 0 : 1);
        } else {
            panel.setValue(control.id, std::to_string(*current + 3));
        }
        return true;
    }
    if (control.kind == Kind::Envelope) {
        std::optional<std::vector<double>> numbers = panel.numbers(control.id, 0.0);
        if (!numbers) return false;
        for (double &value : *numbers)
            value += 0.375;
        panel.setNumbers(control.id, *numbers);
        if (keyed) return true;
        // One animated parameter per node: its keys travel through copies
        // and saved data as well.
        keyed = true;
        HostVParmID vparm = panel.vparm(control.id);
        host::EnvelopeData data = host::vparmData(vparm);
        for (host::ChannelData &channel : data.channels)
            channel.keys = {{0.0, channel.value, host::KeyShape::Linear},
                            {1.0, channel.value + 0.5, host::KeyShape::Smooth},
                            {2.0, channel.value - 0.25, host::KeyShape::Stepped}};
        host::setVParmData(vparm, data);
        return true;
    }
    if (control.kind == Kind::String) {
        panel.setValue(control.id, "Conformance");
        return true;
    }
    return false;
}

}  // namespace

int editEveryControl(host::ModuleNode &node) {
    host::Panel *panel = node.panel();
    if (!panel) return 0;
    bool keyed = false;
    int edited = 0;
    for (const host::Panel::Control &control : panel->controls()) {
        try {
            edited += editControl(*panel, control, keyed) ? 1 : 0;
        } catch (const std::exception &error) {
            FAIL("control " + control.label + " (" + std::to_string(control.id) +
                 ") refused an edit: " + error.what());
        }
    }
    node.newTime(0, 0.0);
    return edited;
}

std::vector<double> evaluate(host::OutputConnector &output, HostSample &sample) {
    double buffer[HOST_MATERIAL_DOUBLES] = {};
    const int count = host::valueSize(output.type);
    if (output.type == HOST_NOT_INTEGER) {
        std::int32_t value = 0;
        if (!host::evaluateOutput(output, sample, output.type, &value)) return {};
        return {static_cast<double>(value)};
    }
    if (output.type == HOST_NOT_FUNCTION) buffer[0] = 0.5;  // the argument
    if (!host::evaluateOutput(output, sample, output.type, buffer)) return {};
    return std::vector<double>(buffer, buffer + count);
}

}  // namespace conformance
