// Checks a built Windows DLL of the module without running it, which serves
// too where no Wine can load it: the file's machine, its export table (the
// descriptor alone), the DLLs it imports (the system's only), the
// descriptor's words and server table as they lie in the file, and, in a
// 32-bit DLL, that the module's own code leaves the x87 unit alone.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "x87_scan.h"

namespace {

struct Section {
    std::uint32_t address, virtualSize, fileOffset, fileSize, characteristics;
};
constexpr std::uint32_t kExecutable = 0x20000000u;

// The file's bytes with bounds-checked reads that name the offset.
class Image {
  public:
    explicit Image(const std::string &path) : path_(path) {
        std::ifstream in(path, std::ios::binary);
        if (!in) throw std::runtime_error(path + ": cannot open");
        bytes_.assign(std::istreambuf_iterator<char>(in), {});
    }
    const std::string &path() const { return path_; }
    std::uint64_t read(std::uint64_t offset, int size) const {
        if (offset + size > bytes_.size())
            throw std::runtime_error(path_ + ": offset " + std::to_string(offset) +
                                     " is past the end (" + std::to_string(bytes_.size()) +
                                     " bytes)");
        std::uint64_t value = 0;
        for (int i = size - 1; i >= 0; --i)
            value = value << 8 | static_cast<std::uint8_t>(bytes_[offset + i]);
        return value;
    }
    std::uint32_t u16(std::uint64_t offset) const {
        return static_cast<std::uint32_t>(read(offset, 2));
    }
    std::uint32_t u32(std::uint64_t offset) const {
        return static_cast<std::uint32_t>(read(offset, 4));
    }
    std::string text(std::uint64_t offset) const {
        std::string out;
        while (char c = static_cast<char>(read(offset++, 1)))
            out += c;
        return out;
    }

  private:
    std::string path_;
    std::vector<char> bytes_;
};

class Dll {
  public:
    explicit Dll(const std::string &path) : image(path) {
        if (image.u16(0) != 0x5a4d) fail("no MZ header");
        const std::uint32_t pe = image.u32(0x3c);
        if (image.u32(pe) != 0x4550) fail("no PE signature at offset " + std::to_string(pe));
        machine = image.u16(pe + 4);
        const std::uint32_t sectionCount = image.u16(pe + 6);
        symbolTable = image.u32(pe + 12);
        symbolCount = image.u32(pe + 16);
        const std::uint32_t optional = pe + 24;
        const std::uint32_t magic = image.u16(optional);
        if (magic != 0x10b && magic != 0x20b) fail("unknown optional header magic " + hex(magic));
        wide = magic == 0x20b;
        imageBase = wide ? image.read(optional + 24, 8) : image.u32(optional + 28);
        imageSize = image.u32(optional + 56);
        const std::uint32_t directories = optional + (wide ? 112 : 96);
        exportRva = image.u32(directories);
        importRva = image.u32(directories + 8);
        const std::uint32_t sections = optional + image.u16(pe + 20);
        for (std::uint32_t i = 0; i < sectionCount; ++i) {
            const std::uint32_t at = sections + 40 * i;
            sections_.push_back({image.u32(at + 12), image.u32(at + 8), image.u32(at + 20),
                                 image.u32(at + 16), image.u32(at + 36)});
        }
    }

    [[noreturn]] void fail(const std::string &what) const {
        throw std::runtime_error(image.path() + ": " + what);
    }
    static std::string hex(std::uint64_t value) {
        char text[24];
        std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
        return text;
    }
    const Section *sectionOf(std::uint64_t rva) const {
        for (const Section &s : sections_)
            if (rva >= s.address && rva < s.address + std::max(s.virtualSize, s.fileSize))
                return &s;
        return nullptr;
    }
    std::uint64_t offsetOf(std::uint64_t rva) const {
        const Section *s = sectionOf(rva);
        if (!s || rva - s->address >= s->fileSize)
            fail("address " + hex(rva) + " lies in no file data");
        return s->fileOffset + (rva - s->address);
    }
    // A pointer stored in the file, as an address relative to the image.
    std::uint64_t pointerRva(std::uint64_t value, const std::string &what) const {
        if (value < imageBase || value >= imageBase + imageSize)
            fail(what + " " + hex(value) + " points outside the image");
        return value - imageBase;
    }

    std::vector<std::string> exports() const {
        std::vector<std::string> names;
        if (!exportRva) return names;
        const std::uint64_t dir = offsetOf(exportRva);
        const std::uint32_t count = image.u32(dir + 24);
        const std::uint64_t nameTable = offsetOf(image.u32(dir + 32));
        for (std::uint32_t i = 0; i < count; ++i)
            names.push_back(image.text(offsetOf(image.u32(nameTable + 4 * i))));
        if (image.u32(dir + 20) != count)
            names.push_back("(" + std::to_string(image.u32(dir + 20)) + " addresses in all)");
        return names;
    }
    std::uint64_t exportAddress(const std::string &name) const {
        const std::uint64_t dir = offsetOf(exportRva);
        const std::uint32_t count = image.u32(dir + 24);
        const std::uint64_t names = offsetOf(image.u32(dir + 32));
        const std::uint64_t ordinals = offsetOf(image.u32(dir + 36));
        const std::uint64_t functions = offsetOf(image.u32(dir + 28));
        for (std::uint32_t i = 0; i < count; ++i)
            if (image.text(offsetOf(image.u32(names + 4 * i))) == name)
                return image.u32(functions + 4 * image.u16(ordinals + 2 * i));
        fail("exports no " + name);
    }
    // The functions the file's symbol table names, each to the next one or
    // its section's end, in address order.
    struct Function {
        std::string name;
        std::uint64_t rva, size;
    };
    std::vector<Function> functions() const {
        std::vector<Function> found;
        const std::uint64_t strings = symbolTable + 18ull * symbolCount;
        for (std::uint32_t i = 0; i < symbolCount;
             i += 1 + image.read(symbolTable + 18ull * i + 17, 1)) {
            const std::uint64_t at = symbolTable + 18ull * i;
            const auto section = static_cast<std::int16_t>(image.u16(at + 12));
            const bool function = (image.u16(at + 14) & 0x30) == 0x20;
            if (!function || section <= 0 || static_cast<std::size_t>(section) > sections_.size())
                continue;
            std::string name;
            if (image.u32(at) == 0) {
                name = image.text(strings + image.u32(at + 4));
            } else {
                for (int c = 0; c < 8 && image.read(at + c, 1); ++c)
                    name += static_cast<char>(image.read(at + c, 1));
            }
            found.push_back({name, sections_[section - 1].address + image.u32(at + 8), 0});
        }
        std::sort(found.begin(), found.end(),
                  [](const Function &a, const Function &b) { return a.rva < b.rva; });
        for (std::size_t i = 0; i < found.size(); ++i) {
            const Section *s = sectionOf(found[i].rva);
            const std::uint64_t end = s ? s->address + std::min(s->virtualSize, s->fileSize) : 0;
            const std::uint64_t next = i + 1 < found.size() ? found[i + 1].rva : end;
            found[i].size =
                std::min(next, end) > found[i].rva ? std::min(next, end) - found[i].rva : 0;
        }
        return found;
    }
    std::vector<std::uint8_t> bytes(std::uint64_t rva, std::uint64_t size) const {
        std::vector<std::uint8_t> out(size);
        const std::uint64_t offset = offsetOf(rva);
        for (std::uint64_t i = 0; i < size; ++i)
            out[i] = static_cast<std::uint8_t>(image.read(offset + i, 1));
        return out;
    }

    std::vector<std::string> imports() const {
        std::vector<std::string> names;
        if (!importRva) return names;
        for (std::uint64_t at = offsetOf(importRva);; at += 20) {
            const std::uint32_t name = image.u32(at + 12);
            if (!name) return names;
            names.push_back(image.text(offsetOf(name)));
        }
    }

    Image image;
    std::uint32_t machine = 0;
    bool wide = false;
    std::uint64_t imageBase = 0;
    std::uint32_t imageSize = 0, exportRva = 0, importRva = 0;
    std::uint32_t symbolTable = 0, symbolCount = 0;

  private:
    std::vector<Section> sections_;
};

bool systemDll(std::string name) {
    for (char &c : name)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name == "kernel32.dll" || name == "msvcrt.dll" || name == "ucrtbase.dll" ||
           name.rfind("api-ms-win-crt-", 0) == 0;
}

// The module's own functions are C++ names outside the standard library's
// namespaces; the C runtime, libgcc and the math library linked in beside
// them are C, built by others, and not the module's to change.
bool moduleFunction(const std::string &symbol) {
    // 32-bit symbols carry one more leading underscore.
    const std::string name = symbol.rfind("__Z", 0) == 0 ? symbol.substr(1) : symbol;
    if (name.rfind("_Z", 0) != 0) return false;
    for (const char *library :
         {"_ZNSt", "_ZNKSt", "_ZSt", "_ZN9__gnu_cxx", "_ZNK9__gnu_cxx", "_ZN10__cxxabiv1",
          "_ZNK10__cxxabiv1", "_Znw", "_Zna", "_Zdl", "_Zda"})
        if (name.rfind(library, 0) == 0) return false;
    return true;
}

int failures = 0;
void expect(bool ok, const std::string &path, const std::string &what) {
    if (ok) return;
    ++failures;
    std::fprintf(stderr, "%s: %s\n", path.c_str(), what.c_str());
}

// A 32-bit build left to the x87 unit rounds sums and comparisons in 80 bits,
// otherwise than the 64-bit DLL and the Linux module: the module's code must
// do its double arithmetic in SSE2.
void checkArithmetic(const Dll &dll) {
    const std::string &path = dll.image.path();
    if (!dll.symbolCount) {
        expect(false, path,
               "has no symbol table: cannot tell the module's code from the runtime's");
        return;
    }
    int functions = 0, found = 0;
    for (const Dll::Function &function : dll.functions()) {
        if (!moduleFunction(function.name) || !function.size) continue;
        ++functions;
        for (const dllcheck::X87Instruction &instruction : dllcheck::x87Arithmetic(
                 dll.bytes(function.rva, function.size), dll.imageBase + function.rva)) {
            if (++found <= 10)
                std::fprintf(stderr, "%s: x87 arithmetic in %s at %s: %s\n", path.c_str(),
                             function.name.c_str(), Dll::hex(instruction.address).c_str(),
                             instruction.text.c_str());
        }
    }
    expect(functions > 0, path, "names none of the module's functions");
    expect(found == 0, path,
           std::to_string(found) + " x87 arithmetic instructions in the module's " +
               std::to_string(functions) + " functions (build with -msse2 -mfpmath=sse)");
    if (functions > 0 && found == 0)
        std::printf("%s: no x87 arithmetic in the module's %d functions\n", path.c_str(),
                    functions);
}

void check(const std::string &path, const std::string &expectedMachine) {
    const Dll dll(path);
    const std::uint32_t machine = expectedMachine == "i686" ? 0x14c : 0x8664;
    expect(dll.machine == machine, path,
           "machine " + Dll::hex(dll.machine) + " (expected " + Dll::hex(machine) + " for " +
               expectedMachine + ")");
    expect(dll.wide == (machine == 0x8664), path, "pointer width does not match the machine");

    const std::vector<std::string> exports = dll.exports();
    std::string exportList;
    for (const std::string &name : exports)
        exportList += " " + name;
    expect(exports == std::vector<std::string>{"_mod_descrip"}, path,
           "exports" + exportList + " (expected _mod_descrip alone)");
    std::string importList;
    for (const std::string &name : dll.imports()) {
        importList += " " + name;
        expect(systemDll(name), path, "imports " + name + ", which is no system DLL");
    }

    // The descriptor: three words, then start, stop and the server table at
    // pointer width.
    const std::uint64_t at = dll.offsetOf(dll.exportAddress("_mod_descrip"));
    const std::uint32_t sync = dll.image.u32(at), version = dll.image.u32(at + 4),
                        machineCode = dll.image.u32(at + 8);
    expect(sync == 0x04121994u, path,
           "synchronisation word " + Dll::hex(sync) + " (expected 0x04121994)");
    expect(version == 3, path, "descriptor version " + std::to_string(version) + " (expected 3)");
    expect(machineCode == 0x300, path,
           "machine code " + Dll::hex(machineCode) + " (expected 0x300)");
    const int word = dll.wide ? 8 : 4;
    const std::uint64_t pointers = at + (dll.wide ? 16 : 12);
    auto code = [&](std::uint64_t value, const char *what) {
        const Section *s = dll.sectionOf(dll.pointerRva(value, what));
        expect(s && (s->characteristics & kExecutable), path,
               std::string(what) + " " + Dll::hex(value) + " is not in code");
    };
    code(dll.image.read(pointers, word), "start function");
    code(dll.image.read(pointers + word, word), "stop function");
    std::uint64_t record =
        dll.offsetOf(dll.pointerRva(dll.image.read(pointers + 2 * word, word), "server table"));

    // The server table: NodeHandler and NodeInterface records in pairs.
    int records = 0;
    for (;; record += 4 * word, ++records) {
        const std::uint64_t serverClass = dll.image.read(record, word);
        if (!serverClass) break;
        const std::string name = dll.image.text(
            dll.offsetOf(dll.pointerRva(dll.image.read(record + word, word), "server name")));
        const std::string got =
            dll.image.text(dll.offsetOf(dll.pointerRva(serverClass, "server class")));
        const char *expected = records % 2 ? "NodeInterface" : "NodeHandler";
        expect(got == expected, path,
               "server record " + std::to_string(records) + " (" + name + ") has class " + got +
                   " (expected " + expected + ")");
        expect(name.rfind("Orv ", 0) == 0, path,
               "server name " + name + " does not start with \"Orv \"");
        if (records > 200) dll.fail("server table has no end within 200 records");
    }
    expect(records > 0 && records % 2 == 0, path,
           std::to_string(records) + " server records (expected pairs)");

    std::printf(
        "%s: %s, exports%s, imports%s; descriptor 0x%08x, version %u, machine %s; %d server "
        "records\n",
        path.c_str(), dll.wide ? "PE32+ x86-64" : "PE32 i386", exportList.c_str(),
        importList.c_str(), static_cast<unsigned>(sync), version, Dll::hex(machineCode).c_str(),
        records);
    if (!dll.wide) checkArithmetic(dll);
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 3 || (std::strcmp(argv[1], "i686") != 0 && std::strcmp(argv[1], "x86_64") != 0)) {
        std::fprintf(stderr,
                     "usage: dll_check i686|x86_64 DLL\n"
                     "Checks a Windows build of the module without loading it: machine, exports\n"
                     "(_mod_descrip alone), imports (system DLLs only), the descriptor's words\n"
                     "and the server table as the file holds them, and in a 32-bit DLL that\n"
                     "the module's own functions do no x87 arithmetic. Exit status 1 when a\n"
                     "check fails, 2 when the file cannot be read as a DLL.\n");
        return 2;
    }
    try {
        check(argv[2], argv[1]);
    } catch (const std::exception &error) {
        std::fprintf(stderr, "dll_check: %s\n", error.what());
        return 2;
    }
    return failures ? 1 : 0;
}
