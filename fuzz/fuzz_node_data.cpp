// Saved node data, text or binary form, loaded by a module node of a kind
// the first byte picks: the host's readers and the nodes' loaders together.
// Bad data must come back as an error or as defaults, never as a fault.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "host/base/error.h"
#include "host/io/io_state.h"
#include "host/module/module_node.h"
#include "host/module/node_server.h"
#include "host/scene/scene_json.h"

#ifndef ORV_FUZZ_BINARY
#error "define ORV_FUZZ_BINARY as 0 (text form) or 1 (binary form)"
#endif

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 1) return 0;
    host::Host &host = fuzz_support::sharedHost();
    const auto &servers = host.nodeServers();
    const std::string kind = servers[data[0] % servers.size()]->name();
    host::Graph graph("Fuzz");
    try {
        host::ModuleNode &node = host.addNode(graph, kind, "Node");
        if constexpr (ORV_FUZZ_BINARY) {
            host::BinaryLoadState state(std::vector<std::uint8_t>(data + 1, data + size));
            node.load(state);
        } else {
            // Node data in a scene comes through the scene's JSON reader.
            host::TextLoadState state(host::parseSceneText(
                std::string(reinterpret_cast<const char *>(data) + 1, size - 1), "fuzz.json"));
            node.load(state);
        }
        // What was loaded must save again.
        host::TextSaveState text;
        node.save(text);
        host::BinarySaveState binary;
        node.save(binary);
    } catch (const std::exception &) {
    }
    return 0;
}
