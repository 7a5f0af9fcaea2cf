// orvhost servers: the module's servers as the add menu shows them.
#include <algorithm>
#include <cstdio>

#include "commands.h"
#include "host/scene/host.h"

namespace app {

Run addServersCommand(CLI::App &program, const Common &common) {
    CLI::App *command = program.add_subcommand(
        "servers",
        "List the module's nodes as the add menu shows them: one line per node (user name, "
        "server name) under its menu group; -v adds the descriptor and every server record");
    (void)command;
    return [&common] {
        host::Host host(common.modulePath.empty() ? host::Host::defaultModulePath()
                                                  : std::filesystem::path(common.modulePath));
        const auto &servers = host.module().servers();
        // Menu groups in the order they first appear, each with its servers.
        std::vector<std::string> groups;
        for (const auto &server : servers)
            if (std::find(groups.begin(), groups.end(), server.group) == groups.end())
                groups.push_back(server.group);
        if (common.verbose) {
            const HostModuleDescriptor &d = host.module().descriptor();
            std::printf(
                "%s: descriptor 0x%08x, version %u, machine 0x%x; start returned 4; %zu "
                "servers\n\n",
                host.module().path().c_str(), static_cast<unsigned>(d.sync),
                static_cast<unsigned>(d.version), static_cast<unsigned>(d.machine), servers.size());
        }
        bool firstGroup = true;
        for (const std::string &group : groups) {
            std::printf("%s%s\n", firstGroup ? "" : "\n",
                        group.empty() ? "(no group)" : group.c_str());
            firstGroup = false;
            // A node registers a record per server class (its handler and
            // its interface); the menu shows the node once.
            std::vector<std::string> shown;
            for (const auto &server : servers) {
                if (server.group != group) continue;
                if (common.verbose) {
                    std::printf("  %-28s %-32s %s%s\n", server.userName.c_str(),
                                server.name.c_str(), server.serverClass.c_str(),
                                server.activate ? "" : " (no activation)");
                    continue;
                }
                if (std::find(shown.begin(), shown.end(), server.name) != shown.end()) continue;
                shown.push_back(server.name);
                std::printf("  %-28s %s\n", server.userName.c_str(), server.name.c_str());
            }
        }
        return 0;
    };
}

}  // namespace app
