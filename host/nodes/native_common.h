// What the native node kinds share: reading a node's settings out of its
// scene entry, reading an input over the value its setting gave, and the one
// maker per kind family that the kind table calls.
#pragma once

#include <array>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "host/graph/graph.h"
#include "host/nodes/native_nodes.h"

namespace host::native {

using Vec3 = std::array<double, 3>;

// A node entry's settings, read key by key. Every read marks its key as one
// the node knows, so that finish() can refuse whatever is left: a misspelt
// key, or one the chosen operation does not take.
class Settings {
  public:
    Settings(const nlohmann::json &settings, const std::string &where, const std::string &kind);

    const std::string &kind() const { return kind_; }

    double number(const std::string &key, double fallback);
    // As number, and above zero.
    double positive(const std::string &key, double fallback);
    // A whole number in the 32-bit range (2 and 2.0 alike).
    std::int32_t integer(const std::string &key, std::int32_t fallback);
    // Three numbers, or one number for all three, as a connection broadcasts.
    Vec3 triple(const std::string &key, const Vec3 &fallback);
    // One of the words; gives its index.
    std::size_t word(const std::string &key, const std::vector<std::string> &words,
                     std::size_t fallback);

    // Throws for any key no read asked for.
    void finish() const;
    // Every setting read so far, as the kind describes it.
    const std::vector<NativeSetting> &read() const { return read_; }
    [[noreturn]] void fail(const std::string &key, const std::string &problem) const;

  private:
    double number(const std::string &key, double fallback, const char *type);
    const nlohmann::json *find(const std::string &key, const char *type, nlohmann::json fallback,
                               const std::vector<std::string> &choices = {});

    const nlohmann::json &settings_;
    std::string where_;
    const std::string &kind_;
    std::vector<std::string> known_;
    std::vector<NativeSetting> read_;
};

// "a", "b" and "c": names as error messages list them.
std::string listInQuotes(const std::vector<std::string> &names);

// An input's value over the fallback: the fallback while it is unconnected
// or its source delivers nothing.
double readScalar(const InputConnector &input, HostSample &sample, double fallback);
Vec3 readTriple(const InputConnector &input, HostSample &sample, const Vec3 &fallback);

// The output's index among the node's outputs.
std::size_t outputIndex(const Node &node, const OutputConnector &output);

// One maker per family; kind names the table's entry, which outlives every
// node.
Node &addConstant(Graph &graph, std::string name, Settings &settings, int type);
Node &addSpotInfo(Graph &graph, std::string name, Settings &settings);
Node &addFunction(Graph &graph, std::string name, Settings &settings);
Node &addTripleMath(Graph &graph, std::string name, Settings &settings, int type);
Node &addChecker(Graph &graph, std::string name, Settings &settings);
Node &addGradient(Graph &graph, std::string name, Settings &settings);
Node &addSurface(Graph &graph, std::string name, Settings &settings);

}  // namespace host::native
