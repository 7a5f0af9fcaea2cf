// Three doubles: a colour (red, green, blue) or a vector (x, y, z), in the
// layout the host's value and ray operations take.
#pragma once

#include <array>
#include <cmath>

namespace fw {

// A type of its own (not an alias of std::array) so that the operators below
// are found wherever a Vec3 is used.
struct Vec3 : std::array<double, 3> {};

constexpr Vec3 operator+(const Vec3 &a, const Vec3 &b) {
    return {a[0] + b[0], a[1] + b[1], a[2] + b[2]};
}
constexpr Vec3 operator-(const Vec3 &a, const Vec3 &b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}
constexpr Vec3 operator*(const Vec3 &a, double s) {
    return {a[0] * s, a[1] * s, a[2] * s};
}
constexpr Vec3 operator*(double s, const Vec3 &a) {
    return a * s;
}
// Component by component, as colours are filtered.
constexpr Vec3 operator*(const Vec3 &a, const Vec3 &b) {
    return {a[0] * b[0], a[1] * b[1], a[2] * b[2]};
}
constexpr Vec3 &operator+=(Vec3 &a, const Vec3 &b) {
    return a = a + b;
}

constexpr double dot(const Vec3 &a, const Vec3 &b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}
inline double length(const Vec3 &a) {
    return std::sqrt(dot(a, a));
}
// Divides by the length as it stands; a zero vector gives NaNs, which callers
// that cannot rule it out test for.
inline Vec3 normalize(const Vec3 &a) {
    return a * (1.0 / length(a));
}

}  // namespace fw
