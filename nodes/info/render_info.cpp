// Render Info: facts about the render in progress as integer outputs. It has
// no inputs, no parameters, no saved data and no panel.
#include <cstddef>

#include "framework/inputs.h"
#include "framework/lifecycle.h"
#include "nodes/node_kinds.h"

namespace orv {
namespace {

struct RenderInfo {
    fw::NodeBase base;
    std::int32_t firstFrame;  // 1 until the first new-time after create or render-start
    HostServiceLookup lookup;
    std::int32_t currentFrame;
    std::int32_t renderedFrames;
    HostNodeOutputID renderX, renderY, startFrame, endFrame, current, rendered, recursionLimit;
};

// The scene facts of the latest render-start, shared by every instance.
const HostSceneInfo *sceneInfo = nullptr;

void HOST_CALL evaluate(HostInstance instance, HostSample *sample, HostNodeOutputID output,
                        HostNodeValue value) {
    const auto *node = static_cast<const RenderInfo *>(instance);
    std::int32_t result = 0;
    if (output == node->renderX) {
        result = sample->pixelX;
    } else if (output == node->renderY) {
        result = sample->pixelY;
    } else if (output == node->current) {
        result = node->currentFrame;
    } else if (output == node->rendered) {
        result = node->renderedFrames;
    } else if (!sceneInfo) {
        result = 0;
    } else if (output == node->startFrame) {
        result = sceneInfo->frameStart;
    } else if (output == node->endFrame) {
        result = sceneInfo->frameEnd;
    } else if (output == node->recursionLimit) {
        result = sceneInfo->recursionDepth;
    } else {
        return;
    }
    fw::setOutput(&node->base, value, &result);
}

HostError afterDefaults(fw::NodeBase *base, void *privateData) {
    auto *node = reinterpret_cast<RenderInfo *>(base);
    node->lookup = reinterpret_cast<HostServiceLookup>(privateData);
    node->firstFrame = 1;
    return nullptr;
}

HostError renderStart(fw::NodeBase *base, int) {
    auto *node = reinterpret_cast<RenderInfo *>(base);
    node->firstFrame = 1;
    if (node->lookup)
        sceneInfo = static_cast<const HostSceneInfo *>(
            node->lookup(HOST_SCENEINFO_GLOBAL, HOST_GLOBAL_TRANSIENT));
    return nullptr;
}

void afterNewTime(fw::NodeBase *base, int frame, double) {
    auto *node = reinterpret_cast<RenderInfo *>(base);
    if (node->firstFrame) {
        node->firstFrame = 0;
        node->currentFrame = frame;
        node->renderedFrames = 0;
    }
    if (frame != node->currentFrame) {
        ++node->renderedFrames;
        node->currentFrame = frame;
    }
}

constexpr fw::ConnectorSpec kOutputs[] = {
    {"Render X", HOST_NOT_INTEGER, offsetof(RenderInfo, renderX)},
    {"Render Y", HOST_NOT_INTEGER, offsetof(RenderInfo, renderY)},
    {"Start Frame", HOST_NOT_INTEGER, offsetof(RenderInfo, startFrame)},
    {"End Frame", HOST_NOT_INTEGER, offsetof(RenderInfo, endFrame)},
    {"Current Frame", HOST_NOT_INTEGER, offsetof(RenderInfo, current)},
    {"Rendered Frames", HOST_NOT_INTEGER, offsetof(RenderInfo, rendered)},
    {"Ray Recursion Limit", HOST_NOT_INTEGER, offsetof(RenderInfo, recursionLimit)},
};

fw::KindServices services;

}  // namespace

extern constexpr fw::NodeKind kRenderInfo = fw::nodeKind<RenderInfo>({
    .channelGroup = nullptr,
    .setsPreviewType = true,
    .outputs = kOutputs,
    .dataDescription = nullptr,
    .hints = nullptr,
    .services = &services,
    .evaluate = evaluate,
    .hooks = {.afterDefaults = afterDefaults,
              .renderStart = renderStart,
              .afterNewTime = afterNewTime},
});
FW_CHECK_KIND(kRenderInfo);

}  // namespace orv
