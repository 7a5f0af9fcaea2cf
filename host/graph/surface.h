// What a surface's node graph decides for one shading sample: the channels
// the renderer lights and traces with, and the graph-side hook it calls.
#pragma once

#include "hostapi/node.h"

namespace host {

// A surface's channels at one spot, with the values an unwired surface has.
struct SurfaceChannels {
    double color[3] = {0.8, 0.8, 0.8};
    double luminosity = 0.0;    // light the surface gives off, as a share of its colour
    double diffuse = 1.0;       // share of incoming light scattered back
    double transparency = 0.0;  // share of light let through (shadow rays)
    double refractionIndex = 1.0;
};

// A surface as the renderer sees it: evaluates the surface's graph for a
// sample. Called from several render threads at once and re-entered from
// inside node evaluation (a traced ray that hits another surface).
class SurfaceShader {
  public:
    virtual ~SurfaceShader() = default;
    virtual SurfaceChannels shade(HostSample &sample) const = 0;
    // The share of light let through, for shadow rays; surfaces that can
    // find it without evaluating every channel say so here.
    virtual double transmission(HostSample &sample) const { return shade(sample).transparency; }
};

}  // namespace host
