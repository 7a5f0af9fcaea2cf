// A module node's state as panel settings a person can read and edit: each
// control that differs from a new node's, in panel order, named by its label
// or, where labels repeat, by its path on the panel.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>

namespace host {

class Host;
class ModuleNode;
class Scene;

// The settings, or nullopt when applying them to a new node of the kind
// would not give back the same saved data (state the panel does not show,
// or values the panel cannot carry exactly): the node must then be saved
// as data.
std::optional<nlohmann::ordered_json> readableSettings(Host &host, ModuleNode &node);

// The scene's document, keys in the order its file gives them, with every
// module node's state as readable settings where they carry it whole, else
// as text data.
nlohmann::ordered_json readableDocument(const Scene &scene);

}  // namespace host
