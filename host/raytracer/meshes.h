// The built-in meshes and OBJ files, placed in the world.
#pragma once

#include <filesystem>
#include <string>

#include "host/raytracer/scene_description.h"

namespace render {

// A square in the x-z plane facing +y, centred on the origin.
Mesh planeMesh(double width, double depth);
// An axis-aligned box centred on the origin, faces pointing out.
Mesh boxMesh(const Vec &size);
// A UV sphere centred on the origin.
Mesh sphereMesh(double radius, int segments);
// Every shape of an OBJ file in one mesh; throws SceneError naming the file.
// Only a regular file is read, up to a size limit; every face index must
// name a vertex, normal or texture coordinate the file has.
Mesh objMesh(const std::filesystem::path &file);
// The same from the file's text; name stands for the file in errors.
Mesh objMeshFromText(const std::string &text, const std::string &name);

// Scales (per axis), rotates (degrees about x, then y, then z) and moves a
// mesh, turning its normals with it.
void placeMesh(Mesh &mesh, const Vec &scale, const Vec &rotateDegrees, const Vec &position);

}  // namespace render
