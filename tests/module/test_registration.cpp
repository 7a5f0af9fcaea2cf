// The module as the host finds it: descriptor, server table and activations.
#include <cstring>
#include <stdexcept>

#include "support/module_fixture.h"

namespace {

using testing_support::ModuleTest;

// A server by user name and class, wherever the table puts it.
const host::ServerInfo &record(const host::Host &host, const std::string &userName,
                               const std::string &serverClass = "NodeHandler") {
    for (const host::ServerInfo &server : host.module().servers())
        if (server.userName == userName && server.serverClass == serverClass) return server;
    throw std::runtime_error("no " + serverClass + " server for " + userName);
}

TEST_F(ModuleTest, DescriptorIsCheckedAndStarted) {
    const HostModuleDescriptor &d = host.module().descriptor();
    EXPECT_EQ(d.sync, 0x04121994u);
    EXPECT_EQ(d.version, 3u);
    EXPECT_EQ(d.machine, 0x300u);
    EXPECT_EQ(d.start(), 4);
    EXPECT_EQ(d.start(), 4);
}

// Two records per node, in menu order, sharing one name; only the nodes
// that exist are listed.
TEST_F(ModuleTest, ServerTableListsHandlerAndInterfacePairsInOrder) {
    const std::vector<std::pair<const char *, const char *>> expected = {
        {"Advanced RayTrace", "Surfacing"},
        {"Ambient Occlusion", "Surfacing"},
        {"Counter", "Math"},
        {"Exponential Decay (Color)", "Math"},
        {"Exponential Decay (Scalar)", "Math"},
        {"Gaussian Reflections", "Surfacing"},
        {"Gaussian Refractions", "Surfacing"},
        {"Get Material", "Tools"},
        {"Group Node", "Tools"},
        {"Hold Value", "Math"},
        {"Pixel Image", "Surfacing"},
        {"Render Info", "Info"},
        {"Random", "Math"},
        {"RayShade", "Surfacing"},
        {"Sqrt", "Math"},
        {"Store Material", "Tools"},
        {"Take Samples", "Surfacing"},
    };
    const auto &servers = host.module().servers();
    ASSERT_EQ(servers.size(), expected.size() * 2);
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const auto &handler = servers[2 * i];
        const auto &panel = servers[2 * i + 1];
        EXPECT_EQ(handler.serverClass, "NodeHandler");
        EXPECT_EQ(panel.serverClass, "NodeInterface");
        EXPECT_EQ(handler.userName, expected[i].first);
        EXPECT_EQ(handler.name, std::string("Orv ") + expected[i].first);
        EXPECT_EQ(handler.group, std::string("Orv's Nodes/") + expected[i].second);
        EXPECT_EQ(panel.name, handler.name);
        EXPECT_EQ(panel.userName, handler.userName);
        EXPECT_EQ(panel.group, handler.group);
        EXPECT_NE(handler.activate, nullptr);
        EXPECT_EQ(panel.activate == nullptr, handler.userName == "Render Info") << handler.name;
    }
}

struct RecordedHandler {
    HostInstanceFuncs inst;
    HostItemFuncs item;
    HostRenderFuncs rend;
    HostNodeHandler record;

    RecordedHandler() {
        std::memset(static_cast<void *>(this), 0xab, sizeof *this);
        record.inst = &inst;
        record.item = &item;
        record.rend = &rend;
    }
    bool untouched() const {
        RecordedHandler fresh;
        return std::memcmp(&inst, &fresh.inst, sizeof inst) == 0 &&
               std::memcmp(&rend, &fresh.rend, sizeof rend) == 0 &&
               std::memcmp(&record.evaluate, &fresh.record.evaluate, sizeof record.evaluate) == 0;
    }
};

int activate(const host::ServerInfo &server, int version, void *local) {
    return server.activate(version, host::hostServiceLookup, local, nullptr);
}

TEST_F(ModuleTest, HandlerActivationAsksForServicesInOrder) {
    host.services().clearRequestLog();
    RecordedHandler handler;
    ASSERT_EQ(activate(record(host, "Sqrt"), 1, &handler.record), 0);
    EXPECT_EQ(
        host.services().requestLog(),
        (std::vector<std::string>{"NodeFuncs", "NodeEditorFuncs", "NodeInputFuncs 2",
                                  "NodeOutputFuncs", "LWVParmFuncs 2", "Animation Envelopes"}));
    EXPECT_EQ(handler.inst.privateData, reinterpret_cast<void *>(host::hostServiceLookup));
    // The description line and the item operations stay as the host gave them.
    RecordedHandler fresh;
    EXPECT_EQ(std::memcmp(&handler.inst.descln, &fresh.inst.descln, sizeof handler.inst.descln), 0);
    EXPECT_EQ(std::memcmp(&handler.item, &fresh.item, sizeof handler.item), 0);
}

// A session that makes node after node (a long save, a served page) must
// not keep every name it was ever asked for: the log keeps the latest.
TEST_F(ModuleTest, RequestLogKeepsTheLatestNamesOnly) {
    host.services().clearRequestLog();
    for (int i = 0; i < 200; ++i) {
        RecordedHandler handler;
        ASSERT_EQ(activate(record(host, "Sqrt"), 1, &handler.record), 0);
    }
    const std::vector<std::string> log = host.services().requestLog();
    ASSERT_EQ(log.size(), host::Services::kRequestLogSize);
    EXPECT_EQ(log.back(), "Animation Envelopes");
    EXPECT_EQ(log[log.size() - 6], "NodeFuncs");
}

TEST_F(ModuleTest, OcclusionAsksForBackdropAndTimeUnlessOnARenderNode) {
    const host::ServerInfo &ao = record(host, "Ambient Occlusion");
    host.services().clearRequestLog();
    RecordedHandler handler;
    ASSERT_EQ(activate(ao, 1, &handler.record), 0);
    EXPECT_EQ(host.services().requestLog(),
              (std::vector<std::string>{"NodeFuncs", "NodeEditorFuncs", "NodeInputFuncs 2",
                                        "NodeOutputFuncs", "System ID", "LW Backdrop Info 2",
                                        "LW Time Info", "LWVParmFuncs 2", "Animation Envelopes"}));

    host.services().setSystemId(HOST_SYSTEMID_RENDER_NODE | 7u);
    host.services().clearRequestLog();
    host.services().withhold("LW Backdrop Info 2");
    RecordedHandler onRenderNode;
    EXPECT_EQ(activate(ao, 1, &onRenderNode.record), 0);
    EXPECT_EQ(host.services().requestLog(),
              (std::vector<std::string>{"NodeFuncs", "NodeEditorFuncs", "NodeInputFuncs 2",
                                        "NodeOutputFuncs", "System ID", "LWVParmFuncs 2",
                                        "Animation Envelopes"}));

    host.services().setSystemId(HOST_SYSTEMID_INTERACTIVE | 1u);
    RecordedHandler missing;
    EXPECT_EQ(activate(ao, 1, &missing.record), 2);
    EXPECT_TRUE(missing.untouched());
}

TEST_F(ModuleTest, FailedActivationsLeaveTheRecordUntouched) {
    for (const host::ServerInfo &server : host.module().servers()) {
        if (server.serverClass != "NodeHandler") continue;
        RecordedHandler wrongVersion;
        EXPECT_EQ(activate(server, 2, &wrongVersion.record), 1) << server.name;
        EXPECT_TRUE(wrongVersion.untouched()) << server.name;
        for (const char *service : {"NodeFuncs", "NodeOutputFuncs"}) {
            host.services().withhold(service);
            RecordedHandler missing;
            EXPECT_EQ(activate(server, 1, &missing.record), 2) << server.name << " " << service;
            EXPECT_TRUE(missing.untouched()) << server.name;
            host.services().restoreAll();
        }
    }
    // Render Info alone asks for no envelope services.
    host.services().withhold("LWVParmFuncs 2");
    RecordedHandler info;
    EXPECT_EQ(activate(record(host, "Render Info"), 1, &info.record), 0);
    RecordedHandler sqrt;
    EXPECT_EQ(activate(record(host, "Sqrt"), 1, &sqrt.record), 2);
    EXPECT_TRUE(sqrt.untouched());
}

TEST_F(ModuleTest, PanelActivationChecksVersionAndServices) {
    const host::ServerInfo &panel = record(host, "Sqrt", "NodeInterface");
    HostNodeInterface local{nullptr, reinterpret_cast<HostPanelID>(1), nullptr, nullptr};
    EXPECT_EQ(activate(panel, 3, &local), 1);
    EXPECT_EQ(local.panel, reinterpret_cast<HostPanelID>(1));
    host.services().withhold("LWXPanel");
    EXPECT_EQ(activate(panel, 4, &local), 2);
    EXPECT_EQ(local.panel, reinterpret_cast<HostPanelID>(1));
    host.services().restoreAll();
    host.services().clearRequestLog();
    EXPECT_EQ(activate(panel, 4, &local), 0);
    EXPECT_EQ(local.panel, nullptr);  // no instance, no panel
    EXPECT_EQ(host.services().requestLog(),
              (std::vector<std::string>{"Instance Update", "LWXPanel"}));
}

}  // namespace
