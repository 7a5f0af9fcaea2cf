// Settings a scene gives by panel control, applied as a user would.
#include "host/panel/panel.h"
#include "host/scene/host.h"
#include "host/scene/scene.h"
#include "host/scene/scene_values.h"
#include "host/services/services.h"
#include "host/services/vparm_access.h"

namespace host {

using nlohmann::json;

namespace {

void applyThroughPanel(ModuleNode &node, const std::string &control, const json &value) {
    Panel *panel = node.panel();
    if (!panel) throw Error(node.kindName() + " has no panel to set " + inQuotes(control) + " on");
    const Panel::Control *target = panel->find(control);
    if (value.is_string()) return panel->setValue(target->id, value.get<std::string>());
    if (value.is_boolean()) return panel->setValue(target->id, value.get<bool>() ? "on" : "off");
    if (value.is_number()) return panel->setValue(target->id, numberText(value.get<double>()));
    if (value.is_array()) {
        std::vector<double> numbers;
        for (const json &item : value) {
            if (!item.is_number()) throw Error("expected numbers, found " + describe(item));
            numbers.push_back(item.get<double>());
        }
        return panel->setNumbers(target->id, numbers);
    }
    if (value.is_object() && value.contains("keys")) {
        const HostVParmID vparm = panel->vparm(target->id);
        if (!vparm) throw Error(inQuotes(control) + " is no envelope, or shows no value");
        const json shapeName = value.value("shape", json("linear"));
        if (!shapeName.is_string())
            throw Error("the key shape is a text (linear, stepped or smooth), found " +
                        describe(shapeName));
        const KeyShape shape = keyShape(shapeName.get<std::string>(), "shape");
        if (!value["keys"].is_array())
            throw Error("\"keys\" is a list of keys, found " + describe(value["keys"]));
        EnvelopeData data = vparmData(vparm);
        for (ChannelData &channel : data.channels)
            channel.keys.clear();
        // Keys are given in panel units, as the panel shows them.
        const double scale = target->dataType == "angle-env"     ? 3.141592653589793 / 180.0
                             : target->dataType == "percent-env" ? 0.01
                                                                 : 1.0;
        for (const json &key : value["keys"]) {
            // One value for every channel, or one for them all: a key of
            // any other length would leave channels without a value.
            if (!key.is_array() || (key.size() != 2 && key.size() != 1 + data.channels.size()) ||
                !key[0].is_number())
                throw Error(data.channels.size() == 1
                                ? "a key is [time, value], found " + describe(key)
                                : "a key is [time, value] or [time, " +
                                      std::to_string(data.channels.size()) + " values], found " +
                                      describe(key));
            const double time = key[0].get<double>();
            for (std::size_t c = 0; c < data.channels.size(); ++c) {
                const json &v = key[key.size() == 2 ? 1 : 1 + c];
                if (!v.is_number()) throw Error("key value is no number: " + describe(key));
                data.channels[c].keys.push_back({time, v.get<double>() * scale, shape});
            }
        }
        setVParmData(vparm, data);
        return;
    }
    throw Error("cannot set " + inQuotes(control) + " to " + describe(value));
}

}  // namespace

void applySetting(ModuleNode &node, const std::string &control, const json &value) {
    applyThroughPanel(node, control, value);
    // As after any edit, the editor announces the current time again, so
    // that the node's cached values follow its envelopes.
    const HostTimeInfo *time =
        currentServicesOrNull() ? &currentServicesOrNull()->timeInfo() : nullptr;
    node.newTime(time ? time->frame : 0, time ? time->time : 0.0);
}

}  // namespace host
