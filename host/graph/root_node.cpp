#include "host/graph/root_node.h"

namespace host {

const std::string &RootNode::kindName() const {
    static const std::string kind = "Root";
    return kind;
}

void RootNode::evaluate(HostSample &, OutputConnector &, ValueSlot &) {}

}  // namespace host
