// The scene reader on arbitrary text: the JSON reader, the known-key check,
// the graphs and their nodes' settings, and the renderer's part (camera,
// lights, objects); then saving it back in the text's key order. Anything
// but a clean load or an Error is a fault.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "host/base/error.h"
#include "host/raytracer/scene_description.h"
#include "host/scene/scene.h"
#include "host/scene/scene_json.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string text(reinterpret_cast<const char *>(data), size);
    const std::filesystem::path file = "fuzz.json";
    try {
        host::TextKeyOrders orders;
        nlohmann::json document = host::parseSceneText(text, file, &orders);
        auto scene = host::Scene::fromJson(fuzz_support::sharedHost(), std::move(document), file,
                                           std::move(orders));
        render::parseSceneDescription(scene->document(), file, scene->surfaceIndex());
        scene->save(size % 2 == 0);
    } catch (const host::Error &) {
    } catch (const render::SceneError &) {
    }
    return 0;
}
