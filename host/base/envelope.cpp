#include "host/base/envelope.h"

#include <algorithm>

namespace host {
namespace {

// Slope of the spline at key i, in value per second: the central difference
// over the neighbours (Catmull-Rom), one-sided at the ends of the key list.
double slopeAt(const std::vector<EnvelopeKey> &keys, std::size_t i) {
    const std::size_t before = i == 0 ? 0 : i - 1;
    const std::size_t after = std::min(i + 1, keys.size() - 1);
    const double span = keys[after].time - keys[before].time;
    if (span <= 0.0) return 0.0;
    return (keys[after].value - keys[before].value) / span;
}

double smoothBetween(const std::vector<EnvelopeKey> &keys, std::size_t i, double time) {
    const EnvelopeKey &a = keys[i];
    const EnvelopeKey &b = keys[i + 1];
    const double h = b.time - a.time;
    const double s = (time - a.time) / h;
    const double s2 = s * s, s3 = s2 * s;
    // Cubic Hermite basis: passes through both keys with the given slopes.
    return (2 * s3 - 3 * s2 + 1) * a.value + (s3 - 2 * s2 + s) * h * slopeAt(keys, i) +
           (-2 * s3 + 3 * s2) * b.value + (s3 - s2) * h * slopeAt(keys, i + 1);
}

}  // namespace

Envelope::Envelope(ChannelData data) : data_(std::move(data)) {
    std::stable_sort(data_.keys.begin(), data_.keys.end(),
                     [](const EnvelopeKey &a, const EnvelopeKey &b) { return a.time < b.time; });
}

void Envelope::setConstant(double value) {
    data_.value = value;
    data_.keys.clear();
}

void Envelope::setKey(double time, double value, KeyShape shape) {
    auto &keys = data_.keys;
    auto at = std::lower_bound(keys.begin(), keys.end(), time,
                               [](const EnvelopeKey &k, double t) { return k.time < t; });
    if (at != keys.end() && at->time == time) {
        *at = {time, value, shape};
    } else {
        keys.insert(at, {time, value, shape});
    }
}

double Envelope::valueAt(double time) const {
    const auto &keys = data_.keys;
    if (keys.empty()) return data_.value;
    if (!(time > keys.front().time)) return keys.front().value;  // NaN time: first key
    if (time >= keys.back().time) return keys.back().value;
    // The segment [keys[i], keys[i+1]) that holds time; the shape of its first
    // key decides how the value runs across it.
    auto next = std::upper_bound(keys.begin(), keys.end(), time,
                                 [](double t, const EnvelopeKey &k) { return t < k.time; });
    const std::size_t i = static_cast<std::size_t>(next - keys.begin()) - 1;
    const EnvelopeKey &a = keys[i];
    const EnvelopeKey &b = keys[i + 1];
    switch (a.shape) {
        case KeyShape::Stepped:
            return a.value;
        case KeyShape::Linear:
            return a.value + (b.value - a.value) * (time - a.time) / (b.time - a.time);
        case KeyShape::Smooth:
            return smoothBetween(keys, i, time);
    }
    return a.value;
}

std::string ChannelGroup::path() const {
    return parent_ ? parent_->path() + "." + name_ : name_;
}

ChannelGroup &ChannelGroup::addChild(std::string name) {
    children_.push_back(std::make_unique<ChannelGroup>(std::move(name), this));
    return *children_.back();
}

bool ChannelGroup::removeChild(const ChannelGroup *child) {
    // Searched from the end: a graph destroys its nodes last first, so that
    // the child sought is the last one and a graph of any size goes at once.
    auto at = std::find_if(children_.rbegin(), children_.rend(),
                           [child](const auto &c) { return c.get() == child; });
    if (at == children_.rend()) return false;
    children_.erase(std::next(at).base());
    return true;
}

ChannelGroup *ChannelGroup::findChild(const std::string &name) const {
    for (const auto &child : children_)
        if (child->name() == name) return child.get();
    return nullptr;
}

}  // namespace host
