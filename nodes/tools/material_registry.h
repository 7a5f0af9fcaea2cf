// The material registry: the one process-wide list through which a Get
// Material node finds a Store Material node anywhere in the scene.
//
// Stores register under an id (handed out from 1 upward, never reused in the
// process) and a name; fetchers register so that their popup slot can be kept
// in step when a store they refer to registers at a new position. Both tables
// hold at most 64 entries, densely packed in registration order.
//
// The registry also keeps the list of fetchers that hold a reference to a
// store (taken at render-start), so that withdrawing or destroying a store
// clears every reference to it and no fetcher can reach a freed store.
//
// It is changed only by create, destroy, copy, load and panel callbacks and by
// render-start, never during evaluation, so it takes no lock.
#pragma once

#include <cstddef>
#include <cstdint>

#include "hostapi/node.h"

namespace orv {

inline constexpr int kRegistrySize = 64;
// A store's name holds at most this many characters, plus its terminator.
inline constexpr std::size_t kMaterialNameSize = 256;

// The part of a Store Material record the registry and fetchers read.
struct MaterialStore {
    std::int32_t id;  // -1 until the registry assigns one
    char name[kMaterialNameSize];
    // Its four inputs, which a fetcher evaluates with its own sample.
    HostNodeInputID color, scalar, vector, integer;
};

// The part of a Get Material record the registry reads and writes.
struct MaterialFetch {
    std::int32_t slot;           // popup index: 0 "(none)", n the n-th registered store
    std::int32_t storeId;        // 0: none
    const MaterialStore *store;  // found by id at render-start; cleared on withdrawal
    // Links of the list of fetchers holding a store reference.
    MaterialFetch *previousHolder, *nextHolder;
};

struct MaterialRegistry {
    MaterialFetch *gets[kRegistrySize];
    MaterialStore *stores[kRegistrySize];
    std::int32_t getCount;
    std::int32_t storeCount;
    std::int32_t highestId;
    MaterialFetch *holders;  // head of the list of fetchers holding a reference
};

// The module's registry: zero-initialised, lives for the whole process.
MaterialRegistry &materialRegistry();

// Appends the store unless it is there or the table is full, gives it the
// next id if it has none (or raises the highest id to its own), and moves
// every registered fetcher that refers to its id to its position.
void registerStore(MaterialRegistry &registry, MaterialStore *store);
void registerFetch(MaterialRegistry &registry, MaterialFetch *fetch);
// Takes the entry out and packs the table; a withdrawn store's references
// are cleared. Fetchers' slots are not renumbered.
void withdrawStore(MaterialRegistry &registry, MaterialStore *store);
void withdrawFetch(MaterialRegistry &registry, MaterialFetch *fetch);

// The store at a table index (0-based), or null.
MaterialStore *storeAt(const MaterialRegistry &registry, int index);
// The first registered store with that id, or null.
MaterialStore *findStore(const MaterialRegistry &registry, std::int32_t id);

// The fetcher's reference to the store registered under its id, renewed (at
// render-start); null when there is none. releaseStore drops it (destroy).
void holdStore(MaterialRegistry &registry, MaterialFetch *fetch);
void releaseStore(MaterialRegistry &registry, MaterialFetch *fetch);

// The "Slot" popup: "(none)" followed by every registered store's name.
int slotCount(MaterialRegistry &registry);
const char *slotName(const MaterialRegistry &registry, int index);

// Copies text into a store name, cut to what the name holds.
void copyMaterialName(char (&name)[kMaterialNameSize], const char *text);

}  // namespace orv
