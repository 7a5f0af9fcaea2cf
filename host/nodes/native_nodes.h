// The host's own node kinds, which users wire together with the module's
// nodes: constants, a scalar function, the spot's sample fields, vector and
// colour arithmetic, two procedural textures, and the surface node at the end
// of every surface graph.
//
// Settings come from a node's scene entry as a JSON object. Each setting that
// shares its name with an input is that input's value while it is
// unconnected. A native node keeps nothing but its settings: evaluation reads
// them and works in locals, so any number of render threads may evaluate it
// at once and re-enter it from inside their own evaluation.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "host/graph/graph.h"
#include "host/graph/surface.h"

namespace host {

// The kinds addNativeNode makes, in menu order.
std::vector<std::string> nativeNodeKinds();

// Adds a native node of a kind to a graph, set up from its settings. Throws
// Error, prefixed by where (the scene place of the node entry), for an
// unknown kind, an unknown or inapplicable setting, or a value that does not
// fit; the graph is then unchanged.
Node &addNativeNode(Graph &graph, std::string_view kind, std::string name,
                    const nlohmann::json &settings, const std::string &where);

// One setting a native kind takes: its name in scenes, its type ("number",
// "positive number", "integer", "triple" or "choice"), its default, its
// choices, and, when only some choices of another setting take it, those.
struct NativeSetting {
    std::string name, type;
    nlohmann::json fallback;
    std::vector<std::string> choices;
    std::string onlyWith;  // "op: power, clamp"; empty when always taken
};

// The settings a kind takes, in the order it reads them, over every choice
// of its choice settings. Throws Error for an unknown kind.
std::vector<NativeSetting> nativeKindSettings(std::string_view kind);

// The destination of a surface graph. Its inputs decide the surface's
// channels; each one unconnected takes the value its setting gave.
class SurfaceNode final : public Node {
  public:
    const std::string &kindName() const override;
    // It has no outputs, so nothing ever asks it for a value.
    void evaluate(HostSample &sample, OutputConnector &output, ValueSlot &value) override;

    // The surface's channels at one spot: every input evaluated over its
    // setting.
    SurfaceChannels channels(HostSample &sample) const;
    // Only the share of light the surface lets through, for shadow rays:
    // nothing else upstream is evaluated.
    double transparency(HostSample &sample) const;
    // The channels while nothing is connected.
    const SurfaceChannels &defaults() const { return defaults_; }

  private:
    friend class Graph;
    SurfaceNode(Graph &graph, std::string name, const SurfaceChannels &defaults);

    SurfaceChannels defaults_;
    const InputConnector *color_;
    const InputConnector *luminosity_;
    const InputConnector *diffuse_;
    const InputConnector *transparency_;
    const InputConnector *refractionIndex_;
};

}  // namespace host
