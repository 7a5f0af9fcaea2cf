// Every node kind of the module, in server-table order. The table
// (module/server_table.cpp) and the kinds' own files meet here.
#pragma once

#include "framework/node_kind.h"

namespace orv {

extern const fw::NodeKind kAdvancedRayTrace;
extern const fw::NodeKind kAmbientOcclusion;
extern const fw::NodeKind kCounter;
extern const fw::NodeKind kDecayColor;
extern const fw::NodeKind kDecayScalar;
extern const fw::NodeKind kGetMaterial;
extern const fw::NodeKind kGroupNode;
extern const fw::NodeKind kHoldValue;
extern const fw::NodeKind kRenderInfo;
extern const fw::NodeKind kRandom;
extern const fw::NodeKind kRayShade;
extern const fw::NodeKind kSqrt;
extern const fw::NodeKind kStoreMaterial;
extern const fw::NodeKind kTakeSamples;

}  // namespace orv
