#include "host/module/module_loader.h"

#include <cstdio>

#include "host/base/dynamic_library.h"
#include "host/base/error.h"

namespace host {
namespace {

std::string hexWord(std::uint32_t value, int digits = 0) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*x", digits, static_cast<unsigned>(value));
    return text;
}

void checkDescriptor(const std::string &where, const HostModuleDescriptor &d) {
    if (d.sync != HOST_MODULE_SYNC)
        throw Error(where + ": synchronisation word " + hexWord(d.sync) + " (expected " +
                    hexWord(HOST_MODULE_SYNC, 8) + ")");
    if (d.version != HOST_MODULE_VERSION)
        throw Error(where + ": descriptor version " + std::to_string(d.version) + " (expected " +
                    std::to_string(HOST_MODULE_VERSION) + ")");
    if (d.machine != HOST_MODULE_MACHINE)
        throw Error(where + ": machine code " + hexWord(d.machine) + " (expected " +
                    hexWord(HOST_MODULE_MACHINE) + ")");
    if (!d.start) throw Error(where + ": descriptor has no start function");
    if (!d.servers) throw Error(where + ": descriptor has no server table");
}

void decodeTags(const std::string &where, const HostServerTag *tags, ServerInfo &server) {
    if (!tags) return;
    for (int i = 0;; ++i) {
        if (i == Module::kMaxTags)
            throw Error(where + ": tag list of server " + inQuotes(server.name) +
                        " has no end within " + std::to_string(Module::kMaxTags) + " tags");
        const HostServerTag &tag = tags[i];
        if (!tag.text && tag.tag == 0) return;
        if (!tag.text) continue;
        if (tag.tag == HOST_SRVTAG_USERNAME) server.userName = tag.text;
        if (tag.tag == HOST_SRVTAG_NODEGROUP) server.group = tag.text;
    }
}

std::vector<ServerInfo> readServers(const std::string &where, const HostServerRecord *records) {
    std::vector<ServerInfo> servers;
    for (int i = 0;; ++i) {
        if (i == Module::kMaxServerRecords)
            throw Error(where + ": server table has no terminating record within " +
                        std::to_string(Module::kMaxServerRecords) + " records");
        const HostServerRecord &record = records[i];
        if (!record.serverClass) return servers;
        if (!record.name)
            throw Error(where + ": server record " + std::to_string(i) + " (class " +
                        inQuotes(record.serverClass) + ") has no name");
        ServerInfo server;
        server.serverClass = record.serverClass;
        server.name = record.name;
        server.activate = record.activate;
        decodeTags(where, record.tags, server);
        servers.push_back(std::move(server));
    }
}

}  // namespace

Module::Module(const std::filesystem::path &path) : path_(path) {
    const std::string where = "module " + path.string();
    library_ = std::make_unique<DynamicLibrary>(path);
    descriptor_ =
        static_cast<const HostModuleDescriptor *>(library_->symbol(HOST_MODULE_DESCRIPTOR_SYMBOL));
    if (!descriptor_)
        throw Error(where + ": exports no " + std::string(HOST_MODULE_DESCRIPTOR_SYMBOL));
    checkDescriptor(where, *descriptor_);
    // Read the table before starting: a corrupt table must not leave a started
    // module behind.
    servers_ = readServers(where, descriptor_->servers);
    const int started = descriptor_->start();
    if (started != HOST_MODULE_START_OK)
        throw Error(where + ": start returned " + std::to_string(started) + " (expected " +
                    std::to_string(HOST_MODULE_START_OK) + ")");
}

Module::~Module() {
    if (descriptor_ && descriptor_->stop) descriptor_->stop();
}

}  // namespace host
