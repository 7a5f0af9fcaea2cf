// Procedural textures over the spot's world position or its UV: a checker
// of two colours and a gradient between two colours along an axis.
#include <algorithm>
#include <cmath>

#include "host/nodes/native_common.h"

namespace host::native {
namespace {

const std::vector<std::string> kSpaces = {"world", "uv"};
enum class Space { World, UV };

// Where the texture is looked up: the world position, or (u, v, 0).
Vec3 lookupPoint(Space space, const HostSample &sample) {
    if (space == Space::UV) return {sample.textureUV[0], sample.textureUV[1], 0.0};
    return {sample.worldPosition[0], sample.worldPosition[1], sample.worldPosition[2]};
}

Vec3 mix(const Vec3 &a, const Vec3 &b, double t) {
    return {a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t, a[2] + (b[2] - a[2]) * t};
}

// ---- Checker ----

// Whether p lies in a "B" cell of a checker of the given cell size: cells
// alternate along every axis. A size that is not above zero, or a
// coordinate that is not finite, counts as an "A" cell.
bool inOddCell(const Vec3 &p, double size) {
    if (!(size > 0.0)) return false;
    bool odd = false;
    for (double x : p) {
        // Surfaces often lie on a cell boundary (a floor at y = 0), where the
        // rounding of hit positions would pick either cell at random: a
        // nudge far above that rounding keeps them in one.
        constexpr double kBoundaryNudge = 1e-5;
        const double cell = std::floor(x / size + kBoundaryNudge);
        // Past 2^53 every double is even; fmod stays exact where a cast to
        // an integer would overflow.
        if (std::isfinite(cell) && std::fmod(cell, 2.0) != 0.0) odd = !odd;
    }
    return odd;
}

class CheckerNode final : public Node {
  public:
    CheckerNode(Graph &graph, std::string name, const std::string &kind, Space space,
                const Vec3 &colorA, const Vec3 &colorB, double size)
        : Node(graph, std::move(name)),
          kind_(kind),
          space_(space),
          colorA_(colorA),
          colorB_(colorB),
          size_(size) {
        inColorA_ = addInput(HOST_NOT_COLOR, "Color A");
        inColorB_ = addInput(HOST_NOT_COLOR, "Color B");
        inSize_ = addInput(HOST_NOT_SCALAR, "Size");
        addOutput(HOST_NOT_COLOR, "Color");
        addOutput(HOST_NOT_SCALAR, "Scalar");  // 0 in "A" cells, 1 in "B" cells
    }
    const std::string &kindName() const override { return kind_; }

    void evaluate(HostSample &sample, OutputConnector &output, ValueSlot &value) override {
        const double size = readScalar(*inSize_, sample, size_);
        const bool odd = inOddCell(lookupPoint(space_, sample), size);
        if (output.type == HOST_NOT_SCALAR) {
            const double mask = odd ? 1.0 : 0.0;
            value.deliver(&mask);
            return;
        }
        // Only the colour of the cell the spot is in is evaluated.
        const Vec3 color =
            odd ? readTriple(*inColorB_, sample, colorB_) : readTriple(*inColorA_, sample, colorA_);
        value.deliver(color.data());
    }

  private:
    const std::string &kind_;
    const Space space_;
    const Vec3 colorA_, colorB_;
    const double size_;
    const InputConnector *inColorA_, *inColorB_, *inSize_;
};

// ---- Gradient ----

const std::vector<std::string> kAxes = {"x", "y", "z"};

// The share of the way from start to end that x lies, in 0 to 1. Equal ends
// make a step at start; a coordinate that is not a number gives 0.
double gradientPosition(double x, double start, double end) {
    if (start == end) return x < start ? 0.0 : 1.0;
    const double t = (x - start) / (end - start);
    return std::isnan(t) ? 0.0 : std::clamp(t, 0.0, 1.0);
}

class GradientNode final : public Node {
  public:
    GradientNode(Graph &graph, std::string name, const std::string &kind, Space space,
                 std::size_t axis, double start, double end, const Vec3 &colorA, const Vec3 &colorB)
        : Node(graph, std::move(name)),
          kind_(kind),
          space_(space),
          axis_(axis),
          start_(start),
          end_(end),
          colorA_(colorA),
          colorB_(colorB) {
        inColorA_ = addInput(HOST_NOT_COLOR, "Color A");
        inColorB_ = addInput(HOST_NOT_COLOR, "Color B");
        inFunction_ = addInput(HOST_NOT_FUNCTION, "Function");  // reshapes the position
        addOutput(HOST_NOT_COLOR, "Color");
        addOutput(HOST_NOT_SCALAR, "Scalar");  // the position, 0 at Color A, 1 at Color B
    }
    const std::string &kindName() const override { return kind_; }

    void evaluate(HostSample &sample, OutputConnector &output, ValueSlot &value) override {
        double t = gradientPosition(lookupPoint(space_, sample)[axis_], start_, end_);
        evaluateInput(*inFunction_, sample, &t);
        // A function may overshoot; the gradient stays between its colours.
        t = std::isnan(t) ? 0.0 : std::clamp(t, 0.0, 1.0);
        if (output.type == HOST_NOT_SCALAR) {
            value.deliver(&t);
            return;
        }
        const Vec3 a = readTriple(*inColorA_, sample, colorA_);
        const Vec3 b = readTriple(*inColorB_, sample, colorB_);
        const Vec3 color = mix(a, b, t);
        value.deliver(color.data());
    }

  private:
    const std::string &kind_;
    const Space space_;
    const std::size_t axis_;
    const double start_, end_;
    const Vec3 colorA_, colorB_;
    const InputConnector *inColorA_, *inColorB_, *inFunction_;
};

}  // namespace

Node &addChecker(Graph &graph, std::string name, Settings &settings) {
    const auto space = static_cast<Space>(settings.word("space", kSpaces, 0));
    const Vec3 colorA = settings.triple("Color A", {1.0, 1.0, 1.0});
    const Vec3 colorB = settings.triple("Color B", {0.0, 0.0, 0.0});
    const double size = settings.positive("Size", 1.0);
    settings.finish();
    return graph.add<CheckerNode>(std::move(name), settings.kind(), space, colorA, colorB, size);
}

Node &addGradient(Graph &graph, std::string name, Settings &settings) {
    const auto space = static_cast<Space>(settings.word("space", kSpaces, 0));
    const std::size_t axis = settings.word("axis", kAxes, 1);
    const double start = settings.number("start", 0.0);
    const double end = settings.number("end", 1.0);
    const Vec3 colorA = settings.triple("Color A", {0.0, 0.0, 0.0});
    const Vec3 colorB = settings.triple("Color B", {1.0, 1.0, 1.0});
    settings.finish();
    return graph.add<GradientNode>(std::move(name), settings.kind(), space, axis, start, end,
                                   colorA, colorB);
}

}  // namespace host::native
