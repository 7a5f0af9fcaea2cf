// The OBJ reader on arbitrary text: every face index checked against the
// vertices, normals and texture coordinates the file has.
#include <cstddef>
#include <cstdint>
#include <string>

#include "host/raytracer/meshes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    try {
        render::objMeshFromText(std::string(reinterpret_cast<const char *>(data), size),
                                "fuzz.obj");
    } catch (const render::SceneError &) {
    }
    return 0;
}
