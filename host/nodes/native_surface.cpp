// The surface node: where a surface graph ends and the renderer reads the
// surface's channels.
#include <algorithm>

#include "host/nodes/native_common.h"
#include "host/nodes/native_nodes.h"

namespace host {

namespace {
const std::string kSurfaceKind = "Surface";
}

SurfaceNode::SurfaceNode(Graph &graph, std::string name, const SurfaceChannels &defaults)
    : Node(graph, std::move(name)), defaults_(defaults) {
    color_ = addInput(HOST_NOT_COLOR, "Color");
    luminosity_ = addInput(HOST_NOT_SCALAR, "Luminosity");
    diffuse_ = addInput(HOST_NOT_SCALAR, "Diffuse");
    transparency_ = addInput(HOST_NOT_SCALAR, "Transparency");
    refractionIndex_ = addInput(HOST_NOT_SCALAR, "Refraction Index");
}

const std::string &SurfaceNode::kindName() const {
    return kSurfaceKind;
}

void SurfaceNode::evaluate(HostSample &, OutputConnector &, ValueSlot &) {}

double SurfaceNode::transparency(HostSample &sample) const {
    double value = defaults_.transparency;
    evaluateInput(*transparency_, sample, &value);
    return value;
}

SurfaceChannels SurfaceNode::channels(HostSample &sample) const {
    SurfaceChannels channels = defaults_;
    evaluateInput(*color_, sample, channels.color);
    evaluateInput(*luminosity_, sample, &channels.luminosity);
    evaluateInput(*diffuse_, sample, &channels.diffuse);
    evaluateInput(*transparency_, sample, &channels.transparency);
    evaluateInput(*refractionIndex_, sample, &channels.refractionIndex);
    return channels;
}

namespace native {

Node &addSurface(Graph &graph, std::string name, Settings &settings) {
    SurfaceChannels d;
    const Vec3 color = settings.triple("Color", {d.color[0], d.color[1], d.color[2]});
    std::copy(color.begin(), color.end(), d.color);
    d.luminosity = settings.number("Luminosity", d.luminosity);
    d.diffuse = settings.number("Diffuse", d.diffuse);
    d.transparency = settings.number("Transparency", d.transparency);
    d.refractionIndex = settings.positive("Refraction Index", d.refractionIndex);
    settings.finish();
    return graph.add<SurfaceNode>(std::move(name), d);
}

}  // namespace native
}  // namespace host
