#include "nodes/tools/material_registry.h"

namespace orv {
namespace {

// Removes null entries among the used ones, keeping the order of the rest.
template <typename T>
void compact(T *(&table)[kRegistrySize], std::int32_t &count) {
    std::int32_t kept = 0;
    for (std::int32_t i = 0; i < count; ++i)
        if (table[i]) table[kept++] = table[i];
    for (std::int32_t i = kept; i < count; ++i)
        table[i] = nullptr;
    count = kept;
}

template <typename T>
int indexOf(T *const (&table)[kRegistrySize], std::int32_t count, const T *entry) {
    for (std::int32_t i = 0; i < count; ++i)
        if (table[i] == entry) return i;
    return -1;
}

// Takes an entry out and packs the table; a null or absent entry still packs.
template <typename T>
void withdraw(T *(&table)[kRegistrySize], std::int32_t &count, const T *entry) {
    if (entry) {
        const int at = indexOf(table, count, entry);
        if (at >= 0) table[at] = nullptr;
    }
    compact(table, count);
}

bool holding(const MaterialRegistry &registry, const MaterialFetch *fetch) {
    return fetch->previousHolder || registry.holders == fetch;
}

constinit MaterialRegistry theRegistry{};

}  // namespace

MaterialRegistry &materialRegistry() {
    return theRegistry;
}

void registerStore(MaterialRegistry &registry, MaterialStore *store) {
    if (!store) return;
    int at = indexOf(registry.stores, registry.storeCount, store);
    if (at < 0) {
        if (registry.storeCount >= kRegistrySize) return;
        at = registry.storeCount++;
        registry.stores[at] = store;
    }
    if (store->id == -1) {
        store->id = ++registry.highestId;
    } else if (store->id > registry.highestId) {
        registry.highestId = store->id;
    }
    for (std::int32_t i = 0; i < registry.getCount; ++i)
        if (registry.gets[i]->storeId == store->id) registry.gets[i]->slot = at + 1;
}

void registerFetch(MaterialRegistry &registry, MaterialFetch *fetch) {
    if (!fetch || registry.getCount >= kRegistrySize ||
        indexOf(registry.gets, registry.getCount, fetch) >= 0)
        return;
    registry.gets[registry.getCount++] = fetch;
}

void withdrawStore(MaterialRegistry &registry, MaterialStore *store) {
    withdraw(registry.stores, registry.storeCount, store);
    if (!store) return;
    // No fetcher may keep reaching a store that is no longer listed: it may
    // be about to be freed, or be a copy that must not be found.
    for (MaterialFetch *fetch = registry.holders; fetch;) {
        MaterialFetch *next = fetch->nextHolder;
        if (fetch->store == store) releaseStore(registry, fetch);
        fetch = next;
    }
}

void withdrawFetch(MaterialRegistry &registry, MaterialFetch *fetch) {
    withdraw(registry.gets, registry.getCount, fetch);
}

MaterialStore *storeAt(const MaterialRegistry &registry, int index) {
    return index >= 0 && index < registry.storeCount ? registry.stores[index] : nullptr;
}

MaterialStore *findStore(const MaterialRegistry &registry, std::int32_t id) {
    for (std::int32_t i = 0; i < registry.storeCount; ++i)
        if (registry.stores[i] && registry.stores[i]->id == id) return registry.stores[i];
    return nullptr;
}

void holdStore(MaterialRegistry &registry, MaterialFetch *fetch) {
    if (!fetch) return;
    releaseStore(registry, fetch);
    fetch->store = findStore(registry, fetch->storeId);
    if (!fetch->store) return;
    fetch->nextHolder = registry.holders;
    if (registry.holders) registry.holders->previousHolder = fetch;
    registry.holders = fetch;
}

void releaseStore(MaterialRegistry &registry, MaterialFetch *fetch) {
    if (!fetch) return;
    fetch->store = nullptr;
    if (!holding(registry, fetch)) return;
    if (fetch->previousHolder)
        fetch->previousHolder->nextHolder = fetch->nextHolder;
    else
        registry.holders = fetch->nextHolder;
    if (fetch->nextHolder) fetch->nextHolder->previousHolder = fetch->previousHolder;
    fetch->previousHolder = fetch->nextHolder = nullptr;
}

int slotCount(MaterialRegistry &registry) {
    compact(registry.stores, registry.storeCount);
    return registry.storeCount + 1;
}

const char *slotName(const MaterialRegistry &registry, int index) {
    if (index == 0) return "(none)";
    const MaterialStore *store = storeAt(registry, index - 1);
    return store ? store->name : "(error)";
}

void copyMaterialName(char (&name)[kMaterialNameSize], const char *text) {
    std::size_t length = 0;
    if (text)
        while (length + 1 < kMaterialNameSize && text[length])
            name[length] = text[length], ++length;
    name[length] = '\0';
}

}  // namespace orv
