// Gaussian Reflections: a blurred reflection, the average of mirror rays
// about normals tilted by bell-shaped offsets scaled by the blur.
#include "gaussian_node.h"
#include "nodes/node_kinds.h"

namespace orv {
namespace {

struct Reflections {
    using Extra = gaussian::NoIndex;
    static constexpr const char *kName = "Gaussian Reflections";
    static constexpr const char *kTintLabel = "Tint Reflections";
    static constexpr const char *kBlurLabel = "Reflection Blur";
    static constexpr std::uint32_t kTraceMode = HOST_TRACE_REFLECTION;

    // The mirror ray stays in the medium the sample is in.
    static BentRay ray(const fw::Vec3 &incoming, const fw::Vec3 &tilted, double sampleIndex,
                       double) {
        return {reflectAbout(incoming, tilted), sampleIndex};
    }
    // A shadow ray sees no reflection.
    template <class Record>
    static fw::Vec3 shadowed(const fw::Inputs &, const Record &, const fw::ValueRow &) {
        return {0.0, 0.0, 0.0};
    }
};

using G = gaussian::Node<Reflections>;

const HostPanelHint kHints[] = {
    ORV_GAUSSIAN_HINTS(G, kGaussianReflections, ),
    FW_HINT_BORDER(G::I::kBorder, FW_ID(G::I::kColor)),
    ORV_GAUSSIAN_HINTS_END(G),
};

}  // namespace

extern constexpr fw::NodeKind kGaussianReflections = G::kind(kHints);
FW_CHECK_VALUES(G::R, G::kValues, G::kInputs);
FW_CHECK_KIND(kGaussianReflections);
static_assert(savesImageReference(kGaussianReflections),
              "the image reference is not saved where the popup puts it");

}  // namespace orv
