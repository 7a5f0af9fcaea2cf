// The module as the host finds it: the descriptor, the server table and the
// activation of every server it lists.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "check.h"
#include "conformance.h"
#include "host/base/dynamic_library.h"
#include "host/base/error.h"

namespace conformance {
namespace {

// Every kind the module may offer, in the order of its server table, with
// its add-menu group.
struct MenuEntry {
    const char *userName;
    const char *group;
};
constexpr MenuEntry kMenu[] = {
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

// Services a node may ask for besides the four every handler asks for.
const std::vector<std::string> kNodeServices = {"NodeUtilityFuncs",
                                                "LWVParmFuncs 2",
                                                "Animation Envelopes",
                                                "System ID",
                                                "LW Backdrop Info 2",
                                                "LW Time Info",
                                                "LW Image List 5",
                                                "File Request 2",
                                                "LW Scene Info 5",
                                                "Instance Update",
                                                "LWXPanel"};
const std::vector<std::string> kHandlerServices = {"NodeFuncs", "NodeEditorFuncs",
                                                   "NodeInputFuncs 2", "NodeOutputFuncs"};

// A handler record filled with a pattern, to tell whether an activation
// wrote into it.
struct PatternedHandler {
    HostInstanceFuncs inst;
    HostItemFuncs item;
    HostRenderFuncs rend;
    HostNodeHandler record;

    PatternedHandler() {
        std::memset(static_cast<void *>(this), 0xab, sizeof *this);
        record.inst = &inst;
        record.item = &item;
        record.rend = &rend;
    }
    bool untouched() const {
        const PatternedHandler fresh;
        return std::memcmp(&inst, &fresh.inst, sizeof inst) == 0 &&
               std::memcmp(&item, &fresh.item, sizeof item) == 0 &&
               std::memcmp(&rend, &fresh.rend, sizeof rend) == 0 &&
               std::memcmp(&record.evaluate, &fresh.record.evaluate, sizeof record.evaluate) == 0;
    }
};

int activate(const host::ServerInfo &server, int version, void *local) {
    return server.activate(version, host::hostServiceLookup, local, nullptr);
}

// The system's library loader as the host core wraps it.
void checkLoader(ConformanceHost &host) {
    checks().setSubject("loader");
    const std::filesystem::path missing = host.module().path().parent_path() / "no-such-module";
    std::string message;
    try {
        host::DynamicLibrary library(missing);
    } catch (const host::Error &error) {
        message = error.what();
    }
    CHECK(message.find("no-such-module") != std::string::npos);
    CHECK(message.find("cannot load") != std::string::npos);

    // A second load of the module finds the same descriptor, and nothing
    // under names it does not export.
    host::DynamicLibrary again(host.module().path());
    CHECK(again.symbol(HOST_MODULE_DESCRIPTOR_SYMBOL) == &host.module().descriptor());
    CHECK(again.symbol("_mod_descrip_") == nullptr);
    CHECK(again.symbol("startModule") == nullptr);

    const std::filesystem::path here = host::executableDirectory();
    CHECK(!here.empty() && std::filesystem::is_directory(here));
}

// Every service a node may ask for is served, by this host core too; the
// image list starts empty and a file it cannot read gives no image.
void checkServices() {
    checks().setSubject("services");
    for (const auto *names : {&kHandlerServices, &kNodeServices})
        for (const std::string &name : *names)
            CHECK(host::hostServiceLookup(name.c_str(), HOST_GLOBAL_TRANSIENT) != nullptr);
    CHECK(host::hostServiceLookup("No Such Service", HOST_GLOBAL_TRANSIENT) == nullptr);
    const auto *images = static_cast<const HostImageList *>(
        host::hostServiceLookup(HOST_IMAGELIST_GLOBAL, HOST_GLOBAL_TRANSIENT));
    if (!CHECK(images != nullptr)) return;
    CHECK(images->first() == nullptr);
    CHECK(images->load("no-such-image.png") == nullptr);
}

void checkDescriptor(ConformanceHost &host) {
    checks().setSubject("descriptor");
    const HostModuleDescriptor &d = host.module().descriptor();
    CHECK_EQ(d.sync, 0x04121994u);
    CHECK_EQ(d.version, 3u);
    CHECK_EQ(d.machine, 0x300u);
    CHECK(d.stop != nullptr);
    CHECK_EQ(d.start(), 4);
    d.stop();
    CHECK_EQ(d.start(), 4);  // stop leaves the module usable
}

void checkServerTable(ConformanceHost &host) {
    checks().setSubject("server table");
    const HostServerRecord *records = host.module().descriptor().servers;
    const auto &servers = host.module().servers();
    CHECK_EQ(servers.size() % 2, 0u);
    CHECK(!servers.empty());
    const HostServerRecord &end = records[servers.size()];
    CHECK(!end.serverClass && !end.name && !end.activate && !end.tags);

    std::ptrdiff_t previous = -1;
    for (std::size_t i = 0; i + 1 < servers.size(); i += 2) {
        const host::ServerInfo &handler = servers[i];
        const host::ServerInfo &panel = servers[i + 1];
        checks().setSubject("server table: record " + std::to_string(i) + " " + handler.name);
        CHECK_EQ(handler.serverClass, std::string(HOST_CLASS_NODE_HANDLER));
        CHECK_EQ(panel.serverClass, std::string(HOST_CLASS_NODE_INTERFACE));
        CHECK_EQ(handler.name, "Orv " + handler.userName);
        CHECK_EQ(panel.name, handler.name);
        CHECK(records[i].tags != nullptr && records[i].tags == records[i + 1].tags);
        CHECK(handler.activate != nullptr);
        CHECK_EQ(panel.activate == nullptr, handler.userName == "Render Info");

        const auto known = std::find_if(std::begin(kMenu), std::end(kMenu), [&](const auto &e) {
            return handler.userName == e.userName;
        });
        if (!CHECK(known != std::end(kMenu))) continue;
        CHECK_EQ(handler.group, std::string("Orv's Nodes/") + known->group);
        // Kinds keep the menu's order whichever of them the module offers.
        const std::ptrdiff_t position = known - std::begin(kMenu);
        CHECK(position > previous);
        previous = position;
    }
}

// The whole request list of the kinds whose services are settled.
std::vector<std::string> expectedRequests(const std::string &kind) {
    std::vector<std::string> log = kHandlerServices;
    auto add = [&](std::initializer_list<const char *> names) {
        log.insert(log.end(), names.begin(), names.end());
    };
    if (kind == "Render Info") {
        // Asks for the scene only at render-start, through the lookup it keeps.
    } else if (kind == "Ambient Occlusion") {
        add({"System ID", "LW Backdrop Info 2", "LW Time Info", "LWVParmFuncs 2",
             "Animation Envelopes"});
    } else if (kind == "Sqrt" || kind == "Counter" || kind == "Hold Value" || kind == "Random" ||
               kind == "Exponential Decay (Color)" || kind == "Exponential Decay (Scalar)") {
        add({"LWVParmFuncs 2", "Animation Envelopes"});
    } else {
        return {};
    }
    return log;
}

void checkHandlerActivation(ConformanceHost &host, const host::ServerInfo &server) {
    checks().setSubject(server.userName + ": handler activation");
    host::Services &services = host.services();
    PatternedHandler wrongVersion;
    CHECK_EQ(activate(server, 2, &wrongVersion.record), 1);
    CHECK(wrongVersion.untouched());

    services.clearRequestLog();
    PatternedHandler handler;
    CHECK_EQ(activate(server, 1, &handler.record), 0);
    const std::vector<std::string> log = services.requestLog();
    CHECK(log.size() >= 4 &&
          std::equal(kHandlerServices.begin(), kHandlerServices.end(), log.begin()));
    for (std::size_t i = 4; i < log.size(); ++i)
        CHECK(std::find(kNodeServices.begin(), kNodeServices.end(), log[i]) != kNodeServices.end());
    const bool envelopes = std::find(log.begin(), log.end(), "LWVParmFuncs 2") != log.end();
    if (envelopes)  // asked for last, in this order
        CHECK(log.size() >= 6 && log[log.size() - 2] == "LWVParmFuncs 2" &&
              log.back() == "Animation Envelopes");
    if (const auto expected = expectedRequests(server.userName); !expected.empty())
        CHECK_EQ(log, expected);

    CHECK(handler.inst.privateData == reinterpret_cast<void *>(host::hostServiceLookup));
    CHECK(handler.inst.create && handler.inst.destroy && handler.inst.copy && handler.inst.load &&
          handler.inst.save);
    CHECK(handler.rend.init && handler.rend.cleanup && handler.rend.newTime);
    CHECK(handler.record.evaluate != nullptr);
    const PatternedHandler fresh;  // the description line and item operations are the host's
    CHECK(std::memcmp(&handler.inst.descln, &fresh.inst.descln, sizeof handler.inst.descln) == 0);
    CHECK(std::memcmp(&handler.item, &fresh.item, sizeof handler.item) == 0);

    std::vector<std::string> required = kHandlerServices;
    if (envelopes) required.insert(required.end(), {"LWVParmFuncs 2", "Animation Envelopes"});
    for (const std::string &missing : required) {
        services.withhold(missing);
        PatternedHandler without;
        CHECK_EQ(activate(server, 1, &without.record), 2);
        CHECK(without.untouched());
        services.restoreAll();
    }
}

void checkPanelActivation(ConformanceHost &host, const host::ServerInfo &server) {
    checks().setSubject(server.userName + ": panel activation");
    host::Services &services = host.services();
    const HostPanelID marker = reinterpret_cast<HostPanelID>(1);
    HostNodeInterface local{nullptr, marker, nullptr, nullptr};
    CHECK_EQ(activate(server, 3, &local), 1);
    CHECK(local.panel == marker);
    for (const char *missing : {"Instance Update", "LWXPanel"}) {
        services.withhold(missing);
        CHECK_EQ(activate(server, 4, &local), 2);
        CHECK(local.panel == marker);
        services.restoreAll();
    }
    services.clearRequestLog();
    CHECK_EQ(activate(server, 4, &local), 0);
    CHECK(local.panel == nullptr);  // no instance, no panel
    CHECK(local.options == nullptr && local.command == nullptr);
    CHECK_EQ(services.requestLog(), (std::vector<std::string>{"Instance Update", "LWXPanel"}));
}

}  // namespace

void checkModule(ConformanceHost &host) {
    checkLoader(host);
    checkServices();
    checkDescriptor(host);
    checkServerTable(host);
    for (const host::ServerInfo &server : host.module().servers()) {
        if (!server.activate) continue;
        if (server.serverClass == HOST_CLASS_NODE_HANDLER) checkHandlerActivation(host, server);
        if (server.serverClass == HOST_CLASS_NODE_INTERFACE) checkPanelActivation(host, server);
    }
}

}  // namespace conformance
