// The material registry on its own: ids, table packing, slots kept in step,
// the popup texts, and references that never outlive their store.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "nodes/tools/material_registry.h"

namespace orv {
namespace {

MaterialStore newStore(const char *name) {
    MaterialStore store{};
    store.id = -1;
    copyMaterialName(store.name, name);
    return store;
}

TEST(MaterialRegistry, HandsOutIdsFromOneAndNeverReusesThem) {
    MaterialRegistry registry{};
    MaterialStore a = newStore("A"), b = newStore("B");
    registerStore(registry, &a);
    registerStore(registry, &b);
    EXPECT_EQ(a.id, 1);
    EXPECT_EQ(b.id, 2);

    MaterialStore loaded = newStore("Loaded");
    loaded.id = 7;
    registerStore(registry, &loaded);
    withdrawStore(registry, &loaded);
    MaterialStore next = newStore("Next");
    registerStore(registry, &next);
    EXPECT_EQ(next.id, 8);

    // Registering again changes neither the table nor the id.
    registerStore(registry, &next);
    EXPECT_EQ(registry.storeCount, 3);
    EXPECT_EQ(next.id, 8);
}

TEST(MaterialRegistry, WithdrawingPacksTheTableInOrder) {
    MaterialRegistry registry{};
    MaterialStore a = newStore("A"), b = newStore("B"), c = newStore("C");
    for (MaterialStore *store : {&a, &b, &c})
        registerStore(registry, store);
    withdrawStore(registry, &b);
    ASSERT_EQ(registry.storeCount, 2);
    EXPECT_EQ(storeAt(registry, 0), &a);
    EXPECT_EQ(storeAt(registry, 1), &c);
    EXPECT_EQ(storeAt(registry, 2), nullptr);

    registerStore(registry, &b);
    withdrawStore(registry, &b);  // the last one
    EXPECT_EQ(registry.storeCount, 2);
    EXPECT_EQ(storeAt(registry, 1), &c);
    withdrawStore(registry, nullptr);
    EXPECT_EQ(registry.storeCount, 2);
}

TEST(MaterialRegistry, FullTablesLeaveTheSixtyFifthOut) {
    MaterialRegistry registry{};
    std::array<MaterialStore, kRegistrySize + 1> stores{};
    std::array<MaterialFetch, kRegistrySize + 1> fetches{};
    for (auto &store : stores) {
        store.id = -1;
        registerStore(registry, &store);
    }
    EXPECT_EQ(registry.storeCount, kRegistrySize);
    EXPECT_EQ(stores.back().id, -1);
    EXPECT_EQ(findStore(registry, -1), nullptr);
    EXPECT_EQ(slotCount(registry), kRegistrySize + 1);

    for (auto &fetch : fetches)
        registerFetch(registry, &fetch);
    EXPECT_EQ(registry.getCount, kRegistrySize);
    fetches.back().storeId = stores[3].id;
    fetches[0].storeId = stores[3].id;
    registerStore(registry, &stores[3]);
    EXPECT_EQ(fetches[0].slot, 4);
    EXPECT_EQ(fetches.back().slot, 0);  // not registered, not renumbered
}

TEST(MaterialRegistry, SlotFollowsItsStoreWhenTheStoreRegisters) {
    MaterialRegistry registry{};
    MaterialStore a = newStore("A"), b = newStore("B"), loaded = newStore("Five");
    registerStore(registry, &a);
    registerStore(registry, &b);
    MaterialFetch fetch{};
    fetch.storeId = 5;
    registerFetch(registry, &fetch);
    registerFetch(registry, &fetch);
    EXPECT_EQ(registry.getCount, 1);

    loaded.id = 5;
    registerStore(registry, &loaded);
    EXPECT_EQ(fetch.slot, 3);
    // A withdrawal elsewhere does not renumber it.
    withdrawStore(registry, &a);
    EXPECT_EQ(fetch.slot, 3);
    withdrawFetch(registry, &fetch);
    EXPECT_EQ(registry.getCount, 0);
}

TEST(MaterialRegistry, PopupListsNoneThenEveryStoreByItsCurrentName) {
    MaterialRegistry registry{};
    EXPECT_EQ(slotCount(registry), 1);
    EXPECT_STREQ(slotName(registry, 0), "(none)");
    EXPECT_STREQ(slotName(registry, 1), "(error)");
    EXPECT_STREQ(slotName(registry, -1), "(error)");

    MaterialStore a = newStore("Bricks");
    registerStore(registry, &a);
    EXPECT_EQ(slotCount(registry), 2);
    EXPECT_STREQ(slotName(registry, 1), "Bricks");
    copyMaterialName(a.name, "Tiles");
    EXPECT_STREQ(slotName(registry, 1), "Tiles");
    EXPECT_STREQ(slotName(registry, 2), "(error)");
}

TEST(MaterialRegistry, NamesAreCutToWhatTheyHold) {
    MaterialStore store{};
    const std::string longName(400, 'x');
    copyMaterialName(store.name, longName.c_str());
    EXPECT_EQ(std::string(store.name), std::string(kMaterialNameSize - 1, 'x'));
    copyMaterialName(store.name, nullptr);
    EXPECT_STREQ(store.name, "");
}

TEST(MaterialRegistry, ReferencesAreClearedWhenTheirStoreIsWithdrawn) {
    MaterialRegistry registry{};
    MaterialStore a = newStore("A"), b = newStore("B");
    registerStore(registry, &a);
    registerStore(registry, &b);
    MaterialFetch first{}, second{}, none{};
    first.storeId = second.storeId = a.id;
    none.storeId = 0;
    for (MaterialFetch *fetch : {&first, &second, &none})
        holdStore(registry, fetch);
    EXPECT_EQ(first.store, &a);
    EXPECT_EQ(second.store, &a);
    EXPECT_EQ(none.store, nullptr);

    // Renewing twice keeps one link; withdrawing another store keeps it.
    holdStore(registry, &first);
    withdrawStore(registry, &b);
    EXPECT_EQ(first.store, &a);

    withdrawStore(registry, &a);
    EXPECT_EQ(first.store, nullptr);
    EXPECT_EQ(second.store, nullptr);
    EXPECT_EQ(registry.holders, nullptr);

    // A fetcher destroyed while holding leaves the list sound.
    registerStore(registry, &a);
    holdStore(registry, &first);
    holdStore(registry, &second);
    releaseStore(registry, &first);
    withdrawStore(registry, &a);
    EXPECT_EQ(second.store, nullptr);
    EXPECT_EQ(registry.holders, nullptr);
}

}  // namespace
}  // namespace orv
