// Arithmetic nodes: the scalar function that feeds Function inputs, and the
// vector and colour operations.
#include <algorithm>
#include <cmath>

#include "host/nodes/native_common.h"

namespace host::native {
namespace {

// ---- Function ----

enum class FunctionOp { Linear, Power, Smoothstep, Invert, Clamp };

const std::vector<std::string> kFunctionOps = {"linear", "power", "smoothstep", "invert", "clamp"};

struct FunctionParams {
    FunctionOp op = FunctionOp::Linear;
    double a = 1.0;
    double b = 0.0;
};

// The function's value at x. Where x^a is undefined (a negative x under a
// fractional power) or infinite (zero under a negative power) it is 0, so
// that a shading value never turns into NaN or infinity from finite input.
double applyFunction(const FunctionParams &f, double x) {
    switch (f.op) {
        case FunctionOp::Linear:
            return f.a * x + f.b;
        case FunctionOp::Power: {
            const double y = std::pow(x, f.a);
            return std::isfinite(y) || !std::isfinite(x) ? y : 0.0;
        }
        case FunctionOp::Smoothstep: {
            // Equal edges make a step at a.
            if (f.a == f.b) return x < f.a ? 0.0 : 1.0;
            const double t = std::clamp((x - f.a) / (f.b - f.a), 0.0, 1.0);
            return t * t * (3.0 - 2.0 * t);
        }
        case FunctionOp::Invert:
            return 1.0 - x;
        case FunctionOp::Clamp:
            return std::clamp(x, f.a, f.b);
    }
    return x;
}

class FunctionNode final : public Node {
  public:
    FunctionNode(Graph &graph, std::string name, const std::string &kind,
                 const FunctionParams &params)
        : Node(graph, std::move(name)), kind_(kind), params_(params) {
        addOutput(HOST_NOT_FUNCTION, "Function");
    }
    const std::string &kindName() const override { return kind_; }
    void evaluate(HostSample &, OutputConnector &, ValueSlot &value) override {
        const double result = applyFunction(params_, value.functionArgument());
        value.deliver(&result);
    }

  private:
    const std::string &kind_;
    const FunctionParams params_;
};

// ---- Vector Math and Color Math ----

enum class TripleOp { Add, Subtract, Multiply, Scale, Dot, Normalize, Reflect, Mix, Floor };

const std::vector<std::string> kTripleOps = {"add",       "subtract", "multiply", "scale", "dot",
                                             "normalize", "reflect",  "mix",      "floor"};

double dot(const Vec3 &a, const Vec3 &b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

// A over its length; the zero triple when the length is zero or not finite.
Vec3 normalized(const Vec3 &a) {
    const double length = std::sqrt(dot(a, a));
    if (!(length > 0.0) || !std::isfinite(length)) return {0.0, 0.0, 0.0};
    return {a[0] / length, a[1] / length, a[2] / length};
}

struct TripleResult {
    Vec3 triple;
    double scalar;  // the dot product for "dot", else the triple's length
};

TripleResult applyTriple(TripleOp op, const Vec3 &a, const Vec3 &b, double amount) {
    Vec3 r{};
    switch (op) {
        case TripleOp::Add:
            for (int i = 0; i < 3; ++i)
                r[i] = a[i] + b[i];
            break;
        case TripleOp::Subtract:
            for (int i = 0; i < 3; ++i)
                r[i] = a[i] - b[i];
            break;
        case TripleOp::Multiply:
            for (int i = 0; i < 3; ++i)
                r[i] = a[i] * b[i];
            break;
        case TripleOp::Scale:
            for (int i = 0; i < 3; ++i)
                r[i] = a[i] * amount;
            break;
        case TripleOp::Dot: {
            // Broadcast, so that a Scalar input fed from the triple output
            // gets the dot product back through the connection's average.
            const double d = dot(a, b);
            return {{d, d, d}, d};
        }
        case TripleOp::Normalize:
            r = normalized(a);
            break;
        case TripleOp::Reflect: {
            // B is a direction only; a zero B reflects nothing.
            const Vec3 n = normalized(b);
            const double twice = 2.0 * dot(a, n);
            for (int i = 0; i < 3; ++i)
                r[i] = a[i] - twice * n[i];
            break;
        }
        case TripleOp::Mix:
            for (int i = 0; i < 3; ++i)
                r[i] = a[i] + (b[i] - a[i]) * amount;
            break;
        case TripleOp::Floor:
            // Whole steps that run on below zero: an Integer input would
            // truncate toward zero and make the step around zero twice as
            // wide.
            for (int i = 0; i < 3; ++i)
                r[i] = std::floor(a[i]);
            break;
    }
    return {r, std::sqrt(dot(r, r))};
}

class TripleMathNode final : public Node {
  public:
    TripleMathNode(Graph &graph, std::string name, const std::string &kind, int type, TripleOp op,
                   const Vec3 &a, const Vec3 &b, double amount)
        : Node(graph, std::move(name)), kind_(kind), op_(op), a_(a), b_(b), amount_(amount) {
        const char *word = type == HOST_NOT_COLOR ? "Color" : "Vector";
        inA_ = addInput(type, "A");
        inB_ = addInput(type, "B");
        inAmount_ = addInput(HOST_NOT_SCALAR, "Amount");
        addOutput(type, word);
        addOutput(HOST_NOT_SCALAR, "Scalar");
    }
    const std::string &kindName() const override { return kind_; }

    void evaluate(HostSample &sample, OutputConnector &output, ValueSlot &value) override {
        const Vec3 a = readTriple(*inA_, sample, a_);
        const Vec3 b = readTriple(*inB_, sample, b_);
        const double amount = readScalar(*inAmount_, sample, amount_);
        const TripleResult result = applyTriple(op_, a, b, amount);
        if (output.type == HOST_NOT_SCALAR)
            value.deliver(&result.scalar);
        else
            value.deliver(result.triple.data());
    }

  private:
    const std::string &kind_;
    const TripleOp op_;
    const Vec3 a_, b_;
    const double amount_;
    const InputConnector *inA_, *inB_, *inAmount_;
};

}  // namespace

Node &addFunction(Graph &graph, std::string name, Settings &settings) {
    FunctionParams f;
    f.op = static_cast<FunctionOp>(settings.word("op", kFunctionOps, 0));
    switch (f.op) {
        case FunctionOp::Linear:
            f.a = settings.number("a", 1.0);
            f.b = settings.number("b", 0.0);
            break;
        case FunctionOp::Power:
            f.a = settings.number("a", 1.0);
            break;
        case FunctionOp::Smoothstep:
        case FunctionOp::Clamp:
            f.a = settings.number("a", 0.0);
            f.b = settings.number("b", 1.0);
            if (f.a > f.b)
                settings.fail("b", "must not be below \"a\" (" + nlohmann::json(f.a).dump() +
                                       "), found " + nlohmann::json(f.b).dump());
            break;
        case FunctionOp::Invert:
            break;
    }
    settings.finish();
    return graph.add<FunctionNode>(std::move(name), settings.kind(), f);
}

Node &addTripleMath(Graph &graph, std::string name, Settings &settings, int type) {
    const auto op = static_cast<TripleOp>(settings.word("op", kTripleOps, 0));
    const Vec3 a = settings.triple("A", {0.0, 0.0, 0.0});
    const Vec3 b = settings.triple("B", {0.0, 0.0, 0.0});
    const double amount = settings.number("Amount", 0.5);
    settings.finish();
    return graph.add<TripleMathNode>(std::move(name), settings.kind(), type, op, a, b, amount);
}

}  // namespace host::native
