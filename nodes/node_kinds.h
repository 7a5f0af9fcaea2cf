// Every node kind of the module, listed once in server-table order: its
// kind table, user name, menu group, and whether it has a panel. The
// declarations below and the server table (module/server_table.cpp) are
// both made from this list; a new kind adds one line here.
#pragma once

#include "framework/node_kind.h"

#define ORV_NODE_KINDS(X)                                                    \
    X(kAdvancedRayTrace, "Advanced RayTrace", "Surfacing", WITH_PANEL)       \
    X(kAmbientOcclusion, "Ambient Occlusion", "Surfacing", WITH_PANEL)       \
    X(kCounter, "Counter", "Math", WITH_PANEL)                               \
    X(kDecayColor, "Exponential Decay (Color)", "Math", WITH_PANEL)          \
    X(kDecayScalar, "Exponential Decay (Scalar)", "Math", WITH_PANEL)        \
    X(kGaussianReflections, "Gaussian Reflections", "Surfacing", WITH_PANEL) \
    X(kGaussianRefractions, "Gaussian Refractions", "Surfacing", WITH_PANEL) \
    X(kGetMaterial, "Get Material", "Tools", WITH_PANEL)                     \
    X(kGroupNode, "Group Node", "Tools", WITH_PANEL)                         \
    X(kHoldValue, "Hold Value", "Math", WITH_PANEL)                          \
    X(kPixelImage, "Pixel Image", "Surfacing", WITH_PANEL)                   \
    X(kRenderInfo, "Render Info", "Info", WITHOUT_PANEL)                     \
    X(kRandom, "Random", "Math", WITH_PANEL)                                 \
    X(kRayShade, "RayShade", "Surfacing", WITH_PANEL)                        \
    X(kSqrt, "Sqrt", "Math", WITH_PANEL)                                     \
    X(kStoreMaterial, "Store Material", "Tools", WITH_PANEL)                 \
    X(kTakeSamples, "Take Samples", "Surfacing", WITH_PANEL)

namespace orv {

#define ORV_DECLARE_KIND(kind, user, group, panel) extern const fw::NodeKind kind;
ORV_NODE_KINDS(ORV_DECLARE_KIND)
#undef ORV_DECLARE_KIND

}  // namespace orv
