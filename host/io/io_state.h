// Load and save states over a scene's node data, in two forms: text (a JSON
// item list that names blocks by their token) and binary (big-endian items in
// chunks named by their four-character identifier). Both carry every item
// exactly, so data saved in one form loads back bit for bit.
#pragma once

#include <cstdint>
#include <memory>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/base/envelope_data.h"
#include "hostapi/io.h"

namespace host {

// Thrown by the states' own C++ entry points for malformed data. The C
// operations never throw: they report -1 / 0 and remember the error instead.
class DataError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class SaveState {
  public:
    virtual ~SaveState() = default;
    // The table handed to a node's save callback.
    virtual const HostSaveState *api() = 0;
    // Host-side writes of structured items (vparms, image references).
    virtual void writeEnvelope(const EnvelopeData &envelope) = 0;
    // The first write that could not be made (a block ended twice, memory),
    // or empty.
    virtual const std::string &failure() const = 0;
};

class LoadState {
  public:
    virtual ~LoadState() = default;
    virtual const HostLoadState *api() = 0;
    // Reads an envelope item; false (with error() set) when the next item is
    // not one.
    virtual bool readEnvelope(EnvelopeData &envelope) = 0;
    // The first problem met while reading (type mismatch, truncated data), or
    // empty. Reading past the end of a block is not an error.
    virtual const std::string &error() const = 0;
};

// Text form: the items of one node as a JSON array.
class TextSaveState final : public SaveState {
  public:
    TextSaveState();
    ~TextSaveState() override;
    const HostSaveState *api() override;
    void writeEnvelope(const EnvelopeData &envelope) override;
    const std::string &failure() const override;
    // The items written so far (blocks left open are closed in the result).
    nlohmann::json items() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

class TextLoadState final : public LoadState {
  public:
    explicit TextLoadState(nlohmann::json items);
    ~TextLoadState() override;
    const HostLoadState *api() override;
    bool readEnvelope(EnvelopeData &envelope) override;
    const std::string &error() const override;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Binary form: a byte string.
class BinarySaveState final : public SaveState {
  public:
    BinarySaveState();
    ~BinarySaveState() override;
    const HostSaveState *api() override;
    void writeEnvelope(const EnvelopeData &envelope) override;
    const std::string &failure() const override;
    std::vector<std::uint8_t> bytes() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

class BinaryLoadState final : public LoadState {
  public:
    explicit BinaryLoadState(std::vector<std::uint8_t> bytes);
    ~BinaryLoadState() override;
    const HostLoadState *api() override;
    bool readEnvelope(EnvelopeData &envelope) override;
    const std::string &error() const override;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The host-side object behind a state table handed to a node, so that host
// services (vparm load and save, image references) reach the structured
// reads and writes. The readData / writeData pointer of every table made
// above points at its state.
SaveState &saveStateOf(const HostSaveState *api);
LoadState &loadStateOf(const HostLoadState *api);

}  // namespace host
