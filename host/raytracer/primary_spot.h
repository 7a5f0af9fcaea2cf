// The spot a camera ray (or any ray from outside the scene) hits first, as a
// sample record made exactly as a render makes it, for tools that evaluate
// nodes where a render would.
#pragma once

#include "host/raytracer/tracer.h"

namespace render {

// Fires the ray; on a hit fills spot (bounces 0, no flags, the pixel given)
// and the context it points to, and returns true. The thread counts the ray.
bool primarySpot(const Tracer &tracer, const Vec &origin, const Vec &direction, int pixelX,
                 int pixelY, ThreadState &thread, SpotContext &context, HostSample &spot);

}  // namespace render
