// The records the host reads straight out of the module's memory, laid out
// word by word as the host expects them on every target the module builds
// for: a 32-bit build must give six 32-bit descriptor words and four-word
// server records, a 64-bit build the same fields at pointer width.
#include <cstddef>

#include "hostapi/module.h"

namespace {

constexpr std::size_t kWord = sizeof(void *);
constexpr std::size_t alignedToWord(std::size_t offset) {
    return (offset + kWord - 1) / kWord * kWord;
}

static_assert(kWord == 4 || kWord == 8);
static_assert(offsetof(HostModuleDescriptor, sync) == 0);
static_assert(offsetof(HostModuleDescriptor, version) == 4);
static_assert(offsetof(HostModuleDescriptor, machine) == 8);
static_assert(offsetof(HostModuleDescriptor, start) == alignedToWord(12));
static_assert(offsetof(HostModuleDescriptor, stop) == alignedToWord(12) + kWord);
static_assert(offsetof(HostModuleDescriptor, servers) == alignedToWord(12) + 2 * kWord);
static_assert(sizeof(HostModuleDescriptor) == alignedToWord(12) + 3 * kWord);
static_assert(kWord != 4 || sizeof(HostModuleDescriptor) == 6 * 4);

static_assert(offsetof(HostServerRecord, serverClass) == 0);
static_assert(offsetof(HostServerRecord, name) == kWord);
static_assert(offsetof(HostServerRecord, activate) == 2 * kWord);
static_assert(offsetof(HostServerRecord, tags) == 3 * kWord);
static_assert(sizeof(HostServerRecord) == 4 * kWord);

static_assert(offsetof(HostServerTag, text) == 0);
static_assert(offsetof(HostServerTag, tag) == kWord);
static_assert(sizeof(HostServerTag) == 2 * kWord);

}  // namespace
