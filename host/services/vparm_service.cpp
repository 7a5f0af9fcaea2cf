// "LWVParmFuncs 2", and the host-side access to a vparm's envelope.
#include <array>
#include <new>
#include <string>
#include <vector>

#include "host/base/envelope.h"
#include "host/base/error.h"
#include "host/io/io_state.h"
#include "host/services/services.h"
#include "host/services/vparm_access.h"

namespace host {
namespace {

// A vparm: its envelope type, one or three channels, and the names setup
// gave it. Its error text lives here so that a returned HostError stays valid.
struct VParm {
    int envType = 0;
    std::vector<Envelope> channels;
    std::string channelName;
    std::string groupPath;
    int state = 0;
    std::string error;

    HostError fail(std::string text) {
        error = std::move(text);
        return error.c_str();
    }
};

VParm *from(HostVParmID id) {
    return reinterpret_cast<VParm *>(id);
}

HostVParmID HOST_CALL create(int envType, int /*flags*/) {
    const int channels = vparmChannelCount(envType);
    if (channels == 0) return nullptr;
    auto *vparm = new (std::nothrow) VParm;
    if (!vparm) return nullptr;
    vparm->envType = envType;
    vparm->channels.assign(static_cast<std::size_t>(channels), Envelope(0.0));
    return reinterpret_cast<HostVParmID>(vparm);
}

void HOST_CALL destroy(HostVParmID id) {
    delete from(id);
}

void HOST_CALL setup(HostVParmID id, const char *channelName, HostChanGroupID group, void *, void *,
                     void *, void *) {
    VParm *vparm = from(id);
    if (!vparm) return;
    vparm->channelName = channelName ? channelName : "";
    // Keep the group's name, not the group: the node may outlive it.
    vparm->groupPath = group ? ChannelGroup::from(group)->path() : "";
}

HostError HOST_CALL copy(HostVParmID toId, HostVParmID fromId) {
    static const char *const kNoVParm = "vparm copy: no vparm";
    VParm *to = from(toId);
    const VParm *source = from(fromId);
    if (!to || !source) return kNoVParm;
    if (to->channels.size() != source->channels.size())
        return to->fail("vparm copy: " + std::to_string(source->channels.size()) +
                        " channels into a vparm of " + std::to_string(to->channels.size()));
    to->channels = source->channels;
    to->state = source->state;
    return nullptr;
}

HostError HOST_CALL load(HostVParmID id, const HostLoadState *state) {
    static const char *const kNoVParm = "vparm load: no vparm";
    static const char *const kNoState = "vparm load: no load state";
    VParm *vparm = from(id);
    if (!vparm) return kNoVParm;
    if (!state) return vparm->fail(kNoState);
    try {
        LoadState &loader = loadStateOf(state);
        EnvelopeData data;
        if (!loader.readEnvelope(data)) {
            std::string text = "vparm load: expected an envelope";
            if (!loader.error().empty()) text += " (" + loader.error() + ")";
            return vparm->fail(text);
        }
        if (data.channels.size() != vparm->channels.size())
            return vparm->fail("vparm load: envelope of " + std::to_string(data.channels.size()) +
                               " channels for a vparm of " +
                               std::to_string(vparm->channels.size()));
        for (std::size_t i = 0; i < data.channels.size(); ++i)
            vparm->channels[i] = Envelope(std::move(data.channels[i]));
        return nullptr;
    } catch (const std::exception &e) {
        return vparm->fail(std::string("vparm load: ") + e.what());
    }
}

HostError HOST_CALL save(HostVParmID id, const HostSaveState *state) {
    static const char *const kNoVParm = "vparm save: no vparm";
    static const char *const kNoState = "vparm save: no save state";
    VParm *vparm = from(id);
    if (!vparm) return kNoVParm;
    if (!state) return vparm->fail(kNoState);
    try {
        saveStateOf(state).writeEnvelope(vparmData(id));
        return nullptr;
    } catch (const std::exception &e) {
        return vparm->fail(std::string("vparm save: ") + e.what());
    }
}

int HOST_CALL getVal(HostVParmID id, double time, void *, double *values) {
    const VParm *vparm = from(id);
    if (!vparm || !values) return 0;
    for (std::size_t i = 0; i < vparm->channels.size(); ++i)
        values[i] = vparm->channels[i].valueAt(time);
    return static_cast<int>(vparm->channels.size());
}

int HOST_CALL setVal(HostVParmID id, const double *values) {
    VParm *vparm = from(id);
    if (!vparm || !values) return 0;
    for (std::size_t i = 0; i < vparm->channels.size(); ++i)
        vparm->channels[i].setConstant(values[i]);
    return static_cast<int>(vparm->channels.size());
}

int HOST_CALL getState(HostVParmID id) {
    const VParm *vparm = from(id);
    return vparm ? vparm->state : 0;
}

void HOST_CALL setState(HostVParmID id, int state) {
    if (VParm *vparm = from(id)) vparm->state = state;
}

const HostVParmFuncs kVParmFuncs = {create, destroy, setup,  copy,     load,
                                    save,   getVal,  setVal, getState, setState};

}  // namespace

int vparmChannelCount(int envType) {
    switch (envType) {
        case HOST_VP_FLOAT:
        case HOST_VP_PERCENT:
        case HOST_VP_DIST:
        case HOST_VP_ANGLE:
            return 1;
        case HOST_VP_FLOAT3:
        case HOST_VP_COLOR:
            return 3;
        default:
            return 0;
    }
}

const HostVParmFuncs *vparmService() {
    return &kVParmFuncs;
}

EnvelopeData vparmData(HostVParmID id) {
    EnvelopeData data;
    const VParm *vparm = from(id);
    if (!vparm) return data;
    data.envType = vparm->envType;
    for (const Envelope &channel : vparm->channels)
        data.channels.push_back(channel.data());
    return data;
}

void setVParmData(HostVParmID id, const EnvelopeData &data) {
    VParm *vparm = from(id);
    if (!vparm) throw Error("vparm data: no vparm");
    if (data.channels.size() != vparm->channels.size())
        throw Error("vparm data: " + std::to_string(data.channels.size()) +
                    " channels for a vparm of type " + std::to_string(vparm->envType) +
                    ", which has " + std::to_string(vparm->channels.size()));
    for (std::size_t i = 0; i < data.channels.size(); ++i)
        vparm->channels[i] = Envelope(data.channels[i]);
}

int vparmType(HostVParmID id) {
    const VParm *vparm = from(id);
    return vparm ? vparm->envType : 0;
}

std::string vparmChannelName(HostVParmID id) {
    const VParm *vparm = from(id);
    return vparm ? vparm->channelName : std::string();
}

std::string vparmGroupPath(HostVParmID id) {
    const VParm *vparm = from(id);
    return vparm ? vparm->groupPath : std::string();
}

}  // namespace host
