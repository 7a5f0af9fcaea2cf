// Graphs built from the input's bytes rather than parsed from them: node
// kinds (the module's and the host's), connections by index (self-loops,
// cycles, chains of up to 1,500 nodes), Group Nodes with nested graphs,
// Store and Get Material nodes naming each other, and names missing or
// given twice. Each scene is read, saved in one of the forms, checked for
// evaluation and, when it passes, every output of its first nodes is
// evaluated once in empty space. Anything but a clean run or an Error is a
// fault; so is running long or large, which libFuzzer's limits catch.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "host/base/error.h"
#include "host/graph/graph.h"
#include "host/scene/scene.h"
#include "host/services/sample.h"

namespace {

using nlohmann::json;

struct Kind {
    const char *key;  // "server" or "native"
    const char *name;
    const char *output, *input;  // a connector of each, for connections
};
const Kind kKinds[] = {
    {"server", "Sqrt", "Out", "In"},
    {"server", "Counter", "Out", "A"},
    {"server", "Store Material", "Color", "Color"},
    {"server", "Get Material", "Scalar", "Scalar"},
    {"server", "Group Node", "Color", "Color"},
    {"server", "Hold Value", "Out", "In"},
    {"native", "Color Math", "Color", "A"},
    {"native", "Surface", "Color", "Color"},
};
const char *const kStoreNames[] = {"Kept", "Other", "Store Material"};

// Deep enough to reach every path, shallow enough for the time limit.
constexpr int kMaxNesting = 4;
constexpr std::size_t kMaxNodes = 1'500;

json nodeEntry(FuzzedDataProvider &bytes, const std::string &name, int nesting,
               std::size_t &budget);

// A graph: nodes, then connections between them by index, some of them
// chains; names sometimes missing, repeated or unknown.
json graphOf(FuzzedDataProvider &bytes, int nesting, std::size_t &budget) {
    json nodes = json::array(), connections = json::array();
    const std::size_t wanted = bytes.ConsumeIntegralInRange<std::size_t>(0, 8);
    for (std::size_t i = 0; i < wanted && budget > 0; ++i, --budget) {
        const std::string name = bytes.ConsumeBool()
                                     ? "N" + std::to_string(i)
                                     : "N" + std::to_string(bytes.ConsumeIntegralInRange(0, 3));
        nodes.push_back(nodeEntry(bytes, name, nesting, budget));
    }
    // A chain of Sqrt nodes, up to 1,500 long: beyond what evaluations nest.
    if (bytes.ConsumeBool() && budget > 0) {
        const std::size_t length =
            std::min<std::size_t>(budget, bytes.ConsumeIntegralInRange<std::size_t>(1, 1'500));
        budget -= length;
        for (std::size_t i = 0; i < length; ++i) {
            nodes.push_back({{"name", "C" + std::to_string(i)}, {"server", "Sqrt"}});
            if (i)
                connections.push_back(
                    {"C" + std::to_string(i - 1), "Out", "C" + std::to_string(i), "In"});
        }
        if (bytes.ConsumeBool() && length > 1)  // closed into a cycle
            connections.push_back({"C" + std::to_string(length - 1), "Out", "C0", "In"});
    }
    const std::size_t links = bytes.ConsumeIntegralInRange<std::size_t>(0, 12);
    for (std::size_t i = 0; i < links && !nodes.empty(); ++i) {
        const json &from = nodes[bytes.ConsumeIntegralInRange<std::size_t>(0, nodes.size() - 1)];
        const json &to = nodes[bytes.ConsumeIntegralInRange<std::size_t>(0, nodes.size() - 1)];
        const Kind &fromKind =
            kKinds[bytes.ConsumeIntegralInRange<std::size_t>(0, std::size(kKinds) - 1)];
        const Kind &toKind =
            kKinds[bytes.ConsumeIntegralInRange<std::size_t>(0, std::size(kKinds) - 1)];
        connections.push_back({bytes.ConsumeBool() ? from.value("name", "") : "missing",
                               fromKind.output, to.value("name", ""), toKind.input});
    }
    json graph = {{"nodes", nodes}, {"connections", connections}};
    if (nesting > 0 && bytes.ConsumeBool() && !nodes.empty())
        graph["root"] = {{"Color", {nodes.back().value("name", ""), "Color"}}};
    return graph;
}

json nodeEntry(FuzzedDataProvider &bytes, const std::string &name, int nesting,
               std::size_t &budget) {
    const Kind &kind = kKinds[bytes.ConsumeIntegralInRange<std::size_t>(0, std::size(kKinds) - 1)];
    json entry = {{kind.key, kind.name}};
    if (bytes.ConsumeIntegralInRange(0, 15) != 0) entry["name"] = name;
    const std::string kindName = kind.name;
    const char *storeName =
        kStoreNames[bytes.ConsumeIntegralInRange<std::size_t>(0, std::size(kStoreNames) - 1)];
    if (kindName == "Store Material") entry["settings"] = {{"Name", storeName}};
    if (kindName == "Get Material") entry["settings"] = {{"Slot", storeName}};
    if (kindName == "Group Node" && nesting < kMaxNesting && bytes.ConsumeBool())
        entry["graph"] = graphOf(bytes, nesting + 1, budget);
    return entry;
}

// Every output of the first nodes of each graph, once, in empty space.
void evaluateSome(host::Scene &scene) {
    scene.renderStart();
    scene.newTime(1);
    for (host::Graph *graph : scene.graphs()) {
        std::size_t evaluated = 0;
        for (const auto &node : graph->nodes()) {
            if (++evaluated > 16) break;
            for (const auto &output : node->outputs()) {
                HostSample sample = host::emptySpaceSample();
                double value[16] = {};
                host::evaluateOutput(*output, sample, output->type, value);
            }
        }
    }
    scene.renderEnd();
    host::takeDepthLimitReport();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    FuzzedDataProvider bytes(data, size);
    std::size_t budget = kMaxNodes;
    json graphs = json::object();
    const std::size_t count = bytes.ConsumeIntegralInRange<std::size_t>(1, 3);
    for (std::size_t i = 0; i < count; ++i)
        graphs["G" + std::to_string(i)] = graphOf(bytes, 0, budget);
    const json document = {{"graphs", graphs}};
    const std::filesystem::path file = "fuzz-graphs.json";
    try {
        auto scene = host::Scene::fromJson(fuzz_support::sharedHost(), document, file);
        scene->savedText(
            bytes.PickValueInArray({host::Scene::SaveForm::Settings, host::Scene::SaveForm::Text,
                                    host::Scene::SaveForm::Binary}),
            ".");
        scene->checkEvaluable();
        evaluateSome(*scene);
    } catch (const host::Error &) {
    }
    return 0;
}
