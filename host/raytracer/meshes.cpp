#include "host/raytracer/meshes.h"

#include <tiny_obj_loader.h>

#include <cmath>
#include <string>

#include "host/base/file_contents.h"

namespace render {
namespace {

constexpr double kPi = 3.141592653589793;
// A quarter of a gigabyte of OBJ text is millions of triangles, and already
// gigabytes once unpacked.
constexpr std::uintmax_t kMaxObjFileBytes = std::uintmax_t{256} << 20;

void addVertex(Mesh &mesh, const Vec &p, const Vec &n, double u, double v) {
    for (int c = 0; c < 3; ++c)
        mesh.positions.push_back(static_cast<float>(p[c]));
    for (int c = 0; c < 3; ++c)
        mesh.normals.push_back(static_cast<float>(n[c]));
    mesh.uvs.push_back(static_cast<float>(u));
    mesh.uvs.push_back(static_cast<float>(v));
}

// A quad from four corners in counter-clockwise order seen from the front.
void addQuad(Mesh &mesh, const Vec (&corners)[4], const Vec &normal) {
    const auto first = static_cast<std::uint32_t>(mesh.positions.size() / 3);
    const double uv[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (int i = 0; i < 4; ++i)
        addVertex(mesh, corners[i], normal, uv[i][0], uv[i][1]);
    for (std::uint32_t i : {0u, 1u, 2u, 0u, 2u, 3u})
        mesh.indices.push_back(first + i);
}

}  // namespace

Mesh planeMesh(double width, double depth) {
    Mesh mesh;
    const double x = width / 2, z = depth / 2;
    addQuad(mesh, {{-x, 0, z}, {x, 0, z}, {x, 0, -z}, {-x, 0, -z}}, {0, 1, 0});
    return mesh;
}

Mesh boxMesh(const Vec &size) {
    Mesh mesh;
    const double x = size[0] / 2, y = size[1] / 2, z = size[2] / 2;
    addQuad(mesh, {{-x, -y, z}, {x, -y, z}, {x, y, z}, {-x, y, z}}, {0, 0, 1});
    addQuad(mesh, {{x, -y, -z}, {-x, -y, -z}, {-x, y, -z}, {x, y, -z}}, {0, 0, -1});
    addQuad(mesh, {{x, -y, z}, {x, -y, -z}, {x, y, -z}, {x, y, z}}, {1, 0, 0});
    addQuad(mesh, {{-x, -y, -z}, {-x, -y, z}, {-x, y, z}, {-x, y, -z}}, {-1, 0, 0});
    addQuad(mesh, {{-x, y, z}, {x, y, z}, {x, y, -z}, {-x, y, -z}}, {0, 1, 0});
    addQuad(mesh, {{-x, -y, -z}, {x, -y, -z}, {x, -y, z}, {-x, -y, z}}, {0, -1, 0});
    return mesh;
}

Mesh sphereMesh(double radius, int segments) {
    Mesh mesh;
    const int rings = segments / 2;
    for (int j = 0; j <= rings; ++j) {
        const double v = static_cast<double>(j) / rings;
        const double polar = v * kPi;
        for (int i = 0; i <= segments; ++i) {
            const double u = static_cast<double>(i) / segments;
            const double azimuth = u * 2 * kPi;
            const Vec n{std::sin(polar) * std::sin(azimuth), std::cos(polar),
                        std::sin(polar) * std::cos(azimuth)};
            addVertex(mesh, {n[0] * radius, n[1] * radius, n[2] * radius}, n, u, 1 - v);
        }
    }
    const auto row = static_cast<std::uint32_t>(segments + 1);
    for (std::uint32_t j = 0; j < static_cast<std::uint32_t>(rings); ++j) {
        for (std::uint32_t i = 0; i < static_cast<std::uint32_t>(segments); ++i) {
            const std::uint32_t a = j * row + i, b = a + row;
            // Skip the triangles that collapse onto a pole.
            if (j != 0) mesh.indices.insert(mesh.indices.end(), {a, b, a + 1});
            if (j + 1 != static_cast<std::uint32_t>(rings))
                mesh.indices.insert(mesh.indices.end(), {a + 1, b, b + 1});
        }
    }
    return mesh;
}

Mesh objMesh(const std::filesystem::path &file) {
    std::string text;
    try {
        text = host::readRegularFile(file, "OBJ file", kMaxObjFileBytes);
    } catch (const host::Error &error) {
        throw SceneError(error.what());
    }
    return objMeshFromText(text, file.string());
}

Mesh objMeshFromText(const std::string &text, const std::string &name) {
    tinyobj::ObjReader reader;
    tinyobj::ObjReaderConfig config;
    config.triangulate = true;
    // Materials are the scene's business: a "mtllib" line reads nothing.
    if (!reader.ParseFromString(text, "", config))
        throw SceneError(name + ": cannot read the OBJ file: " + reader.Error());
    const auto &attrib = reader.GetAttrib();
    const std::size_t vertexCount = attrib.vertices.size() / 3;
    const std::size_t normalCount = attrib.normals.size() / 3;
    const std::size_t texcoordCount = attrib.texcoords.size() / 2;
    for (std::size_t v = 0; v < attrib.vertices.size(); ++v)
        if (!std::isfinite(attrib.vertices[v]))
            throw SceneError(name + ": vertex " + std::to_string(v / 3 + 1) +
                             " has a coordinate that is no finite number");
    Mesh mesh;
    for (const auto &shape : reader.GetShapes()) {
        const auto &indices = shape.mesh.indices;
        for (std::size_t k = 0; k + 2 < indices.size(); k += 3) {
            // A face's indices must name entries the file has; OBJ counts from 1.
            for (int t = 0; t < 3; ++t) {
                const auto &index = indices[k + t];
                auto fail = [&](const char *kind, int value, std::size_t count) {
                    throw SceneError(name + ": triangle " + std::to_string(k / 3 + 1) +
                                     (shape.name.empty() ? "" : " of \"" + shape.name + "\"") +
                                     " uses " + kind + " " + std::to_string(value + 1) +
                                     ", but the file has " + std::to_string(count));
                };
                if (index.vertex_index < 0 ||
                    static_cast<std::size_t>(index.vertex_index) >= vertexCount)
                    fail("vertex", index.vertex_index, vertexCount);
                if (index.normal_index >= 0 &&
                    static_cast<std::size_t>(index.normal_index) >= normalCount)
                    fail("normal", index.normal_index, normalCount);
                if (index.texcoord_index >= 0 &&
                    static_cast<std::size_t>(index.texcoord_index) >= texcoordCount)
                    fail("texture coordinate", index.texcoord_index, texcoordCount);
            }
            Vec p[3];
            for (int t = 0; t < 3; ++t)
                for (int c = 0; c < 3; ++c)
                    p[t][c] =
                        attrib.vertices[3 * static_cast<std::size_t>(indices[k + t].vertex_index) +
                                        c];
            const Vec e1{p[1][0] - p[0][0], p[1][1] - p[0][1], p[1][2] - p[0][2]};
            const Vec e2{p[2][0] - p[0][0], p[2][1] - p[0][1], p[2][2] - p[0][2]};
            Vec face{e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                     e1[0] * e2[1] - e1[1] * e2[0]};
            const double length =
                std::sqrt(face[0] * face[0] + face[1] * face[1] + face[2] * face[2]);
            if (length == 0.0) continue;  // degenerate: nothing to hit
            for (double &c : face)
                c /= length;
            for (int t = 0; t < 3; ++t) {
                const auto &index = indices[k + t];
                Vec n = face;
                if (index.normal_index >= 0)
                    for (int c = 0; c < 3; ++c)
                        n[c] = attrib.normals[3 * static_cast<std::size_t>(index.normal_index) + c];
                double u = 0, v = 0;
                if (index.texcoord_index >= 0) {
                    u = attrib.texcoords[2 * static_cast<std::size_t>(index.texcoord_index)];
                    v = attrib.texcoords[2 * static_cast<std::size_t>(index.texcoord_index) + 1];
                }
                mesh.indices.push_back(static_cast<std::uint32_t>(mesh.positions.size() / 3));
                addVertex(mesh, p[t], n, u, v);
            }
        }
    }
    if (mesh.indices.empty()) throw SceneError(name + ": the OBJ file holds no triangles");
    return mesh;
}

void placeMesh(Mesh &mesh, const Vec &scale, const Vec &rotateDegrees, const Vec &position) {
    auto rotate = [&](Vec v) {
        for (int axis = 0; axis < 3; ++axis) {
            const double angle = rotateDegrees[axis] * kPi / 180.0;
            const double c = std::cos(angle), s = std::sin(angle);
            const int i = (axis + 1) % 3, j = (axis + 2) % 3;
            const double a = v[i] * c - v[j] * s, b = v[i] * s + v[j] * c;
            v[i] = a;
            v[j] = b;
        }
        return v;
    };
    for (std::size_t k = 0; k < mesh.positions.size(); k += 3) {
        Vec p{mesh.positions[k] * scale[0], mesh.positions[k + 1] * scale[1],
              mesh.positions[k + 2] * scale[2]};
        p = rotate(p);
        // Normals transform by the inverse scale, then turn.
        Vec n{mesh.normals[k] / scale[0], mesh.normals[k + 1] / scale[1],
              mesh.normals[k + 2] / scale[2]};
        n = rotate(n);
        const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        for (int c = 0; c < 3; ++c) {
            mesh.positions[k + c] = static_cast<float>(p[c] + position[c]);
            mesh.normals[k + c] = static_cast<float>(length > 0 ? n[c] / length : 0.0);
        }
    }
}

}  // namespace render
