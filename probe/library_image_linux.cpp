#include <dirent.h>
#include <elf.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/driver_manager.h"
#include "probe/image_bytes.h"
#include "probe/library_image.h"

namespace rireve {
namespace {

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// A search path's folders, $ORIGIN and ${ORIGIN} as the library's folder.
std::vector<std::string> splitFolders(std::string_view list, const std::string& origin) {
    std::vector<std::string> folders;
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find(':', start);
        if (end == std::string_view::npos) end = list.size();
        std::string folder(list.substr(start, end - start));
        for (const char* token : {"${ORIGIN}", "$ORIGIN"}) {
            for (std::size_t at; (at = folder.find(token)) != std::string::npos;) folder.replace(at, std::strlen(token), origin);
        }
        folders.push_back(folder.empty() ? "." : folder);
        start = end + 1;
    }
    return folders;
}

template <typename Header, typename Section, typename Dynamic, typename Symbol>
void readTables(const ImageBytes& bytes, const Header& header, LibraryImage& image) {
    std::vector<Section> sections(header.e_shnum);
    for (std::size_t i = 0; i < sections.size(); ++i) {
        if (header.e_shentsize != sizeof(Section) ||
            !bytes.read(header.e_shoff + i * sizeof(Section), sections[i]))
            return;
    }
    std::string runpath, rpath;
    for (const Section& section : sections) {
        if (section.sh_link >= sections.size()) continue;
        const Section& strings = sections[section.sh_link];
        if (section.sh_type == SHT_DYNAMIC) {
            for (std::uint64_t at = 0; at + sizeof(Dynamic) <= section.sh_size; at += sizeof(Dynamic)) {
                Dynamic entry{};
                if (!bytes.read(section.sh_offset + at, entry) || entry.d_tag == DT_NULL) break;
                if (entry.d_tag != DT_NEEDED && entry.d_tag != DT_RUNPATH && entry.d_tag != DT_RPATH) continue;
                auto text = bytes.text(strings.sh_offset, strings.sh_size, entry.d_un.d_val);
                if (!text) continue;
                if (entry.d_tag == DT_NEEDED) image.needed.push_back(*text);
                else (entry.d_tag == DT_RUNPATH ? runpath : rpath) = *text;
            }
        } else if (section.sh_type == SHT_DYNSYM) {
            for (std::uint64_t at = sizeof(Symbol); at + sizeof(Symbol) <= section.sh_size; at += sizeof(Symbol)) {
                Symbol symbol{};
                if (!bytes.read(section.sh_offset + at, symbol)) break;
                if (symbol.st_shndx == SHN_UNDEF) continue;
                if (auto name = bytes.text(strings.sh_offset, strings.sh_size, symbol.st_name)) image.exported.push_back(*name);
            }
        }
    }
    // DT_RUNPATH, where given, makes the loader ignore DT_RPATH.
    const std::string origin = folderOf(image.path);
    image.rpathOnly = runpath.empty() && !rpath.empty();
    if (!runpath.empty()) image.searchFolders = splitFolders(runpath, origin);
    else if (!rpath.empty()) image.searchFolders = splitFolders(rpath, origin);
    std::sort(image.exported.begin(), image.exported.end());
    image.tablesRead = !sections.empty();
}

template <typename Header, typename Section, typename Dynamic, typename Symbol>
Status readElf(const ImageBytes& bytes, LibraryImage& image) {
    Header header{};
    if (!bytes.read(0, header)) return Status::failure(image.path + " is cut short: its ELF header is incomplete");
    image.machine = header.e_machine;
    readTables<Header, Section, Dynamic, Symbol>(bytes, header, image);
    return {};
}

// The cache ldconfig writes: glibc's format since 2.32 ("glibc-ld.so.cache1.1").
struct CacheHeader {
    char magic[17];
    char version[3];
    std::uint32_t count;
    std::uint32_t stringsLength;
    std::uint8_t flags;
    std::uint8_t padding[3];
    std::uint32_t extensionOffset;
    std::uint32_t unused[3];
};
struct CacheEntry {
    std::int32_t flags;
    std::uint32_t key;
    std::uint32_t value;
    std::uint32_t osVersion;
    std::uint64_t hardwareCapabilities;
};

std::vector<std::string> cachedPaths(std::string_view name) {
    std::string cache;
    std::vector<std::string> paths;
    if (!readImageFile("/etc/ld.so.cache", cache).ok()) return paths;
    const ImageBytes bytes(cache);
    CacheHeader header{};
    if (!bytes.read(0, header) || std::memcmp(header.magic, "glibc-ld.so.cache", 17) != 0) return paths;
    for (std::uint32_t i = 0; i < header.count && i < 1000000; ++i) {
        CacheEntry entry{};
        if (!bytes.read(sizeof header + std::uint64_t{i} * sizeof entry, entry)) break;
        auto key = bytes.text(0, cache.size(), entry.key);
        auto value = bytes.text(0, cache.size(), entry.value);
        if (key && value && *key == name) paths.push_back(*value);
    }
    return paths;
}

std::vector<std::string> defaultFolders(const LibraryImage& target) {
    if (target.wordSize == 64 && target.machine == EM_X86_64)
        return {"/lib/x86_64-linux-gnu", "/usr/lib/x86_64-linux-gnu", "/lib64", "/usr/lib64", "/lib", "/usr/lib"};
    if (target.wordSize == 64 && target.machine == EM_AARCH64)
        return {"/lib/aarch64-linux-gnu", "/usr/lib/aarch64-linux-gnu", "/lib64", "/usr/lib64", "/lib", "/usr/lib"};
    if (target.wordSize == 32 && target.machine == EM_386)
        return {"/lib/i386-linux-gnu", "/usr/lib/i386-linux-gnu", "/lib32", "/usr/lib32", "/lib", "/usr/lib"};
    return {"/lib64", "/usr/lib64", "/lib", "/usr/lib"};
}

std::vector<std::string> environmentFolders(const char* variable, const std::string& origin) {
    const char* value = variable != nullptr ? std::getenv(variable) : nullptr;
    return value && *value ? splitFolders(value, origin) : std::vector<std::string>{};
}

}  // namespace

Status parseLibraryImage(const std::string& path, std::string_view contents, LibraryImage& image) {
    image = LibraryImage{};
    image.path = path;
    const ImageBytes bytes(contents);
    unsigned char ident[EI_NIDENT] = {};
    if (!bytes.read(0, ident) || std::memcmp(ident, ELFMAG, SELFMAG) != 0)
        return Status::failure(path + " is not an ELF file (" + std::to_string(contents.size()) + " bytes)");
    if (ident[EI_DATA] != ELFDATA2LSB) return Status::failure(path + " is a big-endian ELF file");
    if (ident[EI_CLASS] == ELFCLASS64) {
        image.wordSize = 64;
        return readElf<Elf64_Ehdr, Elf64_Shdr, Elf64_Dyn, Elf64_Sym>(bytes, image);
    }
    if (ident[EI_CLASS] == ELFCLASS32) {
        image.wordSize = 32;
        return readElf<Elf32_Ehdr, Elf32_Shdr, Elf32_Dyn, Elf32_Sym>(bytes, image);
    }
    return Status::failure(path + " has an unknown ELF class " + std::to_string(ident[EI_CLASS]));
}

Status readProgramImage(LibraryImage& image) { return readLibraryImage("/proc/self/exe", image); }

std::string describeTarget(const LibraryImage& image) {
    std::string machine;
    switch (image.machine) {
    case EM_X86_64: machine = "x86-64"; break;
    case EM_386: machine = "x86"; break;
    case EM_AARCH64: machine = "AArch64"; break;
    case EM_ARM: machine = "ARM"; break;
    case EM_PPC64: machine = "PowerPC64"; break;
    case EM_S390: machine = "S/390"; break;
    case EM_RISCV: machine = "RISC-V"; break;
    default: machine = "machine " + std::to_string(image.machine);
    }
    return "ELF " + std::to_string(image.wordSize) + "-bit " + machine;
}

// The order of the dynamic loader (ld.so(8)): a name with a slash as it is;
// else the requester's DT_RPATH, LD_LIBRARY_PATH (for a driver, the driver
// manager's own loader's path before it: unixODBC's libltdl reads
// LTDL_LIBRARY_PATH), its DT_RUNPATH, the cache, the default folders; a file
// built for another target is passed over, as the loader does. For a driver,
// the driver manager then tries its module folder.
std::optional<std::string> locateLibrary(std::string_view name, const LibraryImage* requester,
                                         const LibraryImage& target) {
    if (name.find('/') != std::string_view::npos) return std::string(name);
    const std::string origin = requester ? folderOf(requester->path) : ".";
    std::vector<std::string> folders;
    auto add = [&](const std::vector<std::string>& more) { folders.insert(folders.end(), more.begin(), more.end()); };
    if (requester && requester->rpathOnly) add(requester->searchFolders);
    const LibrarySearchRules& manager = driverManager().librarySearch;
    if (!requester) add(environmentFolders(manager.pathVariable, origin));
    add(environmentFolders("LD_LIBRARY_PATH", origin));
    if (requester && !requester->rpathOnly) add(requester->searchFolders);
    for (const std::string& folder : folders) {
        const std::string path = folder + "/" + std::string(name);
        if (fitsTarget(path, target)) return path;
    }
    for (const std::string& path : cachedPaths(name)) {
        if (fitsTarget(path, target)) return path;
    }
    std::vector<std::string> last = defaultFolders(target);
    // Its module folder is under the system's library folder (unixODBC's:
    // /usr/lib/<triplet>/odbc).
    if (!requester && !manager.moduleFolder.empty()) last.push_back(last[1] + "/" + std::string(manager.moduleFolder));
    for (const std::string& folder : last) {
        const std::string path = folder + "/" + std::string(name);
        if (fitsTarget(path, target)) return path;
    }
    return std::nullopt;
}

std::string resolvePath(const std::string& path) {
    std::unique_ptr<char, void (*)(void*)> resolved(realpath(path.c_str(), nullptr), std::free);
    return resolved ? std::string(resolved.get()) : path;
}

std::vector<std::string> driverModuleLibraries(const LibraryImage& target) {
    const std::string_view module = driverManager().librarySearch.moduleFolder;
    if (module.empty()) return {};
    const std::string folder = defaultFolders(target)[1] + "/" + std::string(module);
    std::vector<std::string> libraries;
    std::unique_ptr<DIR, int (*)(DIR*)> listing(opendir(folder.c_str()), closedir);
    if (!listing) return libraries;
    for (dirent* entry; (entry = readdir(listing.get())) != nullptr;) {
        const std::string_view name(entry->d_name);
        if (name.size() > 3 && name.substr(name.size() - 3) == ".so") libraries.push_back(folder + "/" + std::string(name));
    }
    std::sort(libraries.begin(), libraries.end());
    return libraries;
}

std::vector<std::string_view> libraryKeys(std::string_view key) { return driverManager().librarySearch.libraryKeys(key); }

}  // namespace rireve
