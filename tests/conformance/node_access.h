// What the checks do to a node as the host's editor and renderer would:
// set a panel control, edit every control, and evaluate an output.
#pragma once

#include <string>
#include <vector>

#include "host/graph/graph.h"
#include "host/module/module_node.h"

namespace conformance {

// Sets a control (by id or unique label) from text, as typed into the panel,
// then announces time 0 again as the editor does after an edit. Throws
// host::Error when the node has no such control or refuses the value.
void setControl(host::ModuleNode &node, const std::string &control, const std::string &text);

// Moves every value control of the node's panel off its default: the last
// choice, a flipped check box, a larger number or colour, a text, and keys
// on the first envelope. Failures are recorded as failed checks. Returns the
// number of controls edited.
int editEveryControl(host::ModuleNode &node);

// An output's value as a receiver of the output's own type takes it: one
// number for Scalar, Integer and Function, three for Color and Vector, all of
// a Material. Empty when the node delivered nothing.
std::vector<double> evaluate(host::OutputConnector &output, HostSample &sample);

}  // namespace conformance
