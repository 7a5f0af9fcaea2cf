// A module node's state as panel settings a person can read and edit: each
// control that differs from a new node's, in panel order, named by its label
// or, where labels repeat, by its path on the panel.
#pragma once

#include <memory>
#include <nlohmann/json.hpp>
#include <optional>

#include "host/scene/key_order.h"

namespace host {

class Host;
class ModuleNode;

// Module node entries as a scene is saved with readable settings.
class ReadableEntries {
  public:
    // `order` is the key order of the document the entries come from.
    ReadableEntries(Host &host, const KeyOrder &order);
    ~ReadableEntries();
    ReadableEntries(const ReadableEntries &) = delete;
    ReadableEntries &operator=(const ReadableEntries &) = delete;

    // The node's entry as saved: its entry in the document, keys in the
    // file's order, with the node's settings in place of any it had, or its
    // text data where settings cannot carry its state whole; the module
    // nodes of its nested graph saved again.
    nlohmann::ordered_json entry(const nlohmann::json &original, ModuleNode &node);

  private:
    class FreshNodes;
    // The settings, or nullopt when the node must be saved as data.
    std::optional<nlohmann::ordered_json> settings(ModuleNode &node);

    std::unique_ptr<FreshNodes> fresh_;
    const KeyOrder &order_;
};

}  // namespace host
