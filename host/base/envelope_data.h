// The plain description of an envelope parameter that scenes store: shared by
// the envelope code, which animates it, and the scene states, which carry it.
#pragma once

#include <vector>

namespace host {

// How the value runs from a key to the next one.
enum class KeyShape {
    Stepped,  // holds the key's value until the next key
    Linear,   // straight line to the next key
    Smooth,   // Catmull-Rom spline through the neighbouring keys
};

struct EnvelopeKey {
    double time = 0.0;  // seconds
    double value = 0.0;
    KeyShape shape = KeyShape::Linear;
};

// One animated channel: constant at `value` while it has no keys.
struct ChannelData {
    double value = 0.0;
    std::vector<EnvelopeKey> keys;  // sorted by time
};

// A vparm as saved: its envelope type and one or three channels.
struct EnvelopeData {
    int envType = 0;
    std::vector<ChannelData> channels;
};

}  // namespace host
