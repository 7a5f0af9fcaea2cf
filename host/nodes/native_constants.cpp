// Nodes without inputs: the constants, and the fields of the sample record.
#include <cmath>

#include "host/nodes/native_common.h"

namespace host::native {
namespace {

const char *typeWord(int type) {
    switch (type) {
        case HOST_NOT_SCALAR:
            return "Scalar";
        case HOST_NOT_INTEGER:
            return "Integer";
        case HOST_NOT_COLOR:
            return "Color";
        default:
            return "Vector";
    }
}

// One value of one type; a Scalar or Integer keeps it in the first component.
class ConstantNode final : public Node {
  public:
    ConstantNode(Graph &graph, std::string name, const std::string &kind, int type,
                 const Vec3 &value, std::int32_t integer)
        : Node(graph, std::move(name)), kind_(kind), value_(value), integer_(integer) {
        addOutput(type, typeWord(type));
    }
    const std::string &kindName() const override { return kind_; }
    void evaluate(HostSample &, OutputConnector &output, ValueSlot &value) override {
        if (output.type == HOST_NOT_INTEGER)
            value.deliver(&integer_);
        else
            value.deliver(value_.data());
    }

  private:
    const std::string &kind_;
    const Vec3 value_;
    const std::int32_t integer_;
};

// ---- Spot Info ----

enum class Field {
    Position,
    GeometricNormal,
    Normal,
    RayDirection,
    RaySource,
    RayLength,
    SpotSize,
    RefractionIndex,
    Bounces,
    Thread,
    UV,
    Pixel,
};

struct FieldOutput {
    Field field;
    int type;
    const char *name;
};

constexpr FieldOutput kFieldOutputs[] = {
    {Field::Position, HOST_NOT_VECTOR, "Position"},
    {Field::GeometricNormal, HOST_NOT_VECTOR, "Geometric Normal"},
    {Field::Normal, HOST_NOT_VECTOR, "Normal"},
    {Field::RayDirection, HOST_NOT_VECTOR, "Ray Direction"},
    {Field::RaySource, HOST_NOT_VECTOR, "Ray Source"},
    {Field::RayLength, HOST_NOT_SCALAR, "Ray Length"},
    {Field::SpotSize, HOST_NOT_SCALAR, "Spot Size"},
    {Field::RefractionIndex, HOST_NOT_SCALAR, "Refraction Index"},
    {Field::Bounces, HOST_NOT_INTEGER, "Bounces"},
    {Field::Thread, HOST_NOT_INTEGER, "Thread"},
    {Field::UV, HOST_NOT_VECTOR, "UV"},
    {Field::Pixel, HOST_NOT_VECTOR, "Pixel"},
};

Vec3 copyOf(const double v[3]) {
    return {v[0], v[1], v[2]};
}

// The direction the incoming ray travelled. A ray source on the spot itself
// leaves it undefined; the ray then counts as arriving against the shading
// normal, which faces the incoming ray.
Vec3 rayDirection(const HostSample &sample) {
    Vec3 d;
    for (int i = 0; i < 3; ++i)
        d[i] = sample.worldPosition[i] - sample.raySource[i];
    const double length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    if (!(length > 0.0) || !std::isfinite(length))
        return {-sample.shadingNormal[0], -sample.shadingNormal[1], -sample.shadingNormal[2]};
    return {d[0] / length, d[1] / length, d[2] / length};
}

class SpotInfoNode final : public Node {
  public:
    SpotInfoNode(Graph &graph, std::string name, const std::string &kind)
        : Node(graph, std::move(name)), kind_(kind) {
        for (const FieldOutput &out : kFieldOutputs)
            addOutput(out.type, out.name);
    }
    const std::string &kindName() const override { return kind_; }

    void evaluate(HostSample &sample, OutputConnector &output, ValueSlot &value) override {
        const std::size_t index = outputIndex(*this, output);
        if (index >= std::size(kFieldOutputs)) return;
        Vec3 triple{};
        std::int32_t integer = 0;
        switch (kFieldOutputs[index].field) {
            case Field::Position:
                triple = copyOf(sample.worldPosition);
                break;
            case Field::GeometricNormal:
                triple = copyOf(sample.geometricNormal);
                break;
            case Field::Normal:
                triple = copyOf(sample.shadingNormal);
                break;
            case Field::RayDirection:
                triple = rayDirection(sample);
                break;
            case Field::RaySource:
                triple = copyOf(sample.raySource);
                break;
            case Field::RayLength:
                triple[0] = sample.rayLength;
                break;
            case Field::SpotSize:
                triple[0] = sample.spotSize;
                break;
            case Field::RefractionIndex:
                triple[0] = sample.refractionIndex;
                break;
            case Field::Bounces:
                integer = sample.bounces;
                break;
            case Field::Thread:
                integer = sample.threadIndex;
                break;
            case Field::UV:
                triple = {sample.textureUV[0], sample.textureUV[1], 0.0};
                break;
            case Field::Pixel:
                triple = {double(sample.pixelX), double(sample.pixelY), 0.0};
                break;
        }
        if (output.type == HOST_NOT_INTEGER)
            value.deliver(&integer);
        else
            value.deliver(triple.data());
    }

  private:
    const std::string &kind_;
};

}  // namespace

Node &addConstant(Graph &graph, std::string name, Settings &settings, int type) {
    Vec3 value{};
    std::int32_t integer = 0;
    if (type == HOST_NOT_INTEGER)
        integer = settings.integer("value", 0);
    else if (type == HOST_NOT_SCALAR)
        value[0] = settings.number("value", 0.0);
    else
        value = settings.triple("value", {0.0, 0.0, 0.0});
    settings.finish();
    return graph.add<ConstantNode>(std::move(name), settings.kind(), type, value, integer);
}

Node &addSpotInfo(Graph &graph, std::string name, Settings &settings) {
    settings.finish();
    return graph.add<SpotInfoNode>(std::move(name), settings.kind());
}

}  // namespace host::native
