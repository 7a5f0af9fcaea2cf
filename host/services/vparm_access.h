// Host-side access to a vparm's whole envelope, for the panel and the scene
// reader, which set keys as well as constant values.
#pragma once

#include "host/base/envelope_data.h"
#include "hostapi/vparm.h"

namespace host {

// The vparm's envelope type and channels, keys included.
EnvelopeData vparmData(HostVParmID vparm);
// Replaces the vparm's channels; the channel count must match its type.
void setVParmData(HostVParmID vparm, const EnvelopeData &data);
// The vparm's envelope type (HOST_VP_*).
int vparmType(HostVParmID vparm);

}  // namespace host
