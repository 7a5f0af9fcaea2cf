// A loaded module: the shared library, its checked descriptor and the list of
// servers it registers. Loading starts the module; destruction stops and
// unloads it, so every node instance made from it must be gone by then.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "hostapi/module.h"

namespace host {

class DynamicLibrary;

// One server record of the module, with its tag list decoded.
struct ServerInfo {
    std::string serverClass;              // "NodeHandler", "NodeInterface", ...
    std::string name;                     // "Orv Sqrt"
    std::string userName;                 // tag 0x0, "Sqrt"; empty when the record has none
    std::string group;                    // tag 0x70000, "Orv's Nodes/Math"; empty when none
    HostActivateFunc activate = nullptr;  // null for a server without activation
};

class Module {
  public:
    // More records than this without a terminating one means a corrupt table.
    static constexpr int kMaxServerRecords = 4096;
    static constexpr int kMaxTags = 256;

    // Loads, checks and starts the module; throws Error naming the file and the
    // value that did not match.
    explicit Module(const std::filesystem::path &path);
    ~Module();
    Module(const Module &) = delete;
    Module &operator=(const Module &) = delete;

    const std::filesystem::path &path() const { return path_; }
    const std::vector<ServerInfo> &servers() const { return servers_; }
    const HostModuleDescriptor &descriptor() const { return *descriptor_; }

  private:
    std::filesystem::path path_;
    std::unique_ptr<DynamicLibrary> library_;
    const HostModuleDescriptor *descriptor_ = nullptr;
    std::vector<ServerInfo> servers_;
};

}  // namespace host
