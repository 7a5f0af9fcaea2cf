// Gaussian Refractions: frosted glass, the average of rays bent through
// normals tilted by bell-shaped offsets scaled by the blur (mirrored beyond
// the critical angle). Shadow rays pass through it filtered by its tint.
#include "gaussian_node.h"
#include "nodes/node_kinds.h"

namespace orv {
namespace {

struct Refractions {
    using Extra = gaussian::Index;
    static constexpr const char *kName = "Gaussian Refractions";
    static constexpr const char *kTintLabel = "Tint Refractions";
    static constexpr const char *kBlurLabel = "Refraction Blur";
    static constexpr std::uint32_t kTraceMode = HOST_TRACE_REFRACTION;

    // From the sample's medium into the node's, or mirrored where the ray
    // cannot leave.
    static BentRay ray(const fw::Vec3 &incoming, const fw::Vec3 &tilted, double sampleIndex,
                       double nodeIndex) {
        return bendRay(incoming, tilted, sampleIndex, nodeIndex);
    }
    // A shadow ray passes, filtered by the tint when there is one.
    template <class Record>
    static fw::Vec3 shadowed(const fw::Inputs &inputs, const Record &node,
                             const fw::ValueRow &color) {
        const fw::Vec3 tint = inputs.triple(color);
        return node.tint ? tint : fw::Vec3{1.0, 1.0, 1.0};
    }
};

using G = gaussian::Node<Refractions>;

const HostPanelHint kHints[] = {
    ORV_GAUSSIAN_HINTS(G, kGaussianRefractions, FW_HINT_VALUE(G::kValues, G::I::kIndex), ),
    FW_HINT_BORDER(G::I::kBorder, FW_ID(G::I::kIndex), FW_ID(G::I::kColor)),
    ORV_GAUSSIAN_HINTS_END(G),
};

}  // namespace

extern constexpr fw::NodeKind kGaussianRefractions = G::kind(kHints);
FW_CHECK_VALUES(G::R, G::kValues, G::kInputs);
FW_CHECK_KIND(kGaussianRefractions);
static_assert(savesImageReference(kGaussianRefractions),
              "the image reference is not saved where the popup puts it");

}  // namespace orv
