// Animated channels and the channel groups that name them.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/base/envelope_data.h"
#include "hostapi/node.h"

namespace host {

// One animated value over time: constant while it has no keys, held at the
// first key's value before it and at the last key's value after it. Reading is
// const and safe from several threads at once.
class Envelope {
  public:
    Envelope() = default;
    explicit Envelope(double constant) { data_.value = constant; }
    explicit Envelope(ChannelData data);

    // Drops every key: the channel holds this value at every time.
    void setConstant(double value);
    // Adds a key, replacing one at the same time; keys stay sorted by time.
    void setKey(double time, double value, KeyShape shape = KeyShape::Linear);
    bool animated() const { return !data_.keys.empty(); }
    const ChannelData &data() const { return data_; }

    double valueAt(double time) const;

  private:
    ChannelData data_;
};

// A node of the channel tree: a named group that owns its sub-groups. A
// group lives until its parent does or until it is destroyed explicitly.
class ChannelGroup {
  public:
    explicit ChannelGroup(std::string name, ChannelGroup *parent = nullptr)
        : name_(std::move(name)), parent_(parent) {}
    ChannelGroup(const ChannelGroup &) = delete;
    ChannelGroup &operator=(const ChannelGroup &) = delete;

    const std::string &name() const { return name_; }
    ChannelGroup *parent() const { return parent_; }
    // The names from the root down to this group, joined by '.'.
    std::string path() const;

    ChannelGroup &addChild(std::string name);
    // Destroys a direct child and its sub-groups; false when it is none of ours.
    bool removeChild(const ChannelGroup *child);
    const std::vector<std::unique_ptr<ChannelGroup>> &children() const { return children_; }
    ChannelGroup *findChild(const std::string &name) const;

    // Groups the host made for its graphs and nodes; a module may not destroy
    // them, since the host keeps pointers to them.
    bool hostOwned() const { return hostOwned_; }
    void setHostOwned() { hostOwned_ = true; }

    HostChanGroupID id() { return reinterpret_cast<HostChanGroupID>(this); }
    static ChannelGroup *from(HostChanGroupID id) { return reinterpret_cast<ChannelGroup *>(id); }

  private:
    std::string name_;
    ChannelGroup *parent_;
    bool hostOwned_ = false;
    std::vector<std::unique_ptr<ChannelGroup>> children_;
};

}  // namespace host
