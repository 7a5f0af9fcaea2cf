// The host service tables one node kind keeps, filled by its own activations.
#pragma once

#include "hostapi/hostapi.h"

namespace fw {

// Asked for by every handler activation; the last two only by kinds with
// envelope parameters.
struct HandlerServices {
    const HostNodeFuncs *node = nullptr;
    const HostNodeEditorFuncs *editor = nullptr;
    const HostNodeInputFuncs *input = nullptr;
    const HostNodeOutputFuncs *output = nullptr;
    const HostVParmFuncs *vparm = nullptr;
    const HostEnvelopeFuncs *envelope = nullptr;
};

// Asked for by every panel activation.
struct PanelServices {
    HostInstUpdateFunc instUpdate = nullptr;
    const HostXPanelFuncs *xpanel = nullptr;
};

struct KindServices {
    HandlerServices handler;
    PanelServices panel;
};

}  // namespace fw
