#include <algorithm>

#include "probe/image_bytes.h"
#include "probe/library_image.h"

namespace rireve {
namespace {

struct SectionMap {
    std::vector<IMAGE_SECTION_HEADER> sections;

    // The file offset of a relative virtual address, if a section holds it.
    std::optional<std::uint64_t> offsetOf(std::uint32_t rva) const {
        for (const IMAGE_SECTION_HEADER& section : sections) {
            const std::uint32_t size = std::max(section.Misc.VirtualSize, section.SizeOfRawData);
            if (rva >= section.VirtualAddress && rva - section.VirtualAddress < size)
                return std::uint64_t{section.PointerToRawData} + (rva - section.VirtualAddress);
        }
        return std::nullopt;
    }

    std::optional<std::string> textAt(const ImageBytes& bytes, std::uint32_t rva) const {
        const auto offset = offsetOf(rva);
        if (!offset) return std::nullopt;
        return bytes.text(*offset, std::min<std::uint64_t>(bytes.size() - std::min<std::uint64_t>(*offset, bytes.size()), 4096), 0);
    }
};

void readImports(const ImageBytes& bytes, const SectionMap& map, const IMAGE_DATA_DIRECTORY& directory,
                 LibraryImage& image) {
    const auto offset = map.offsetOf(directory.VirtualAddress);
    if (directory.VirtualAddress == 0 || !offset) return;
    for (std::uint64_t at = *offset;; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        IMAGE_IMPORT_DESCRIPTOR entry{};
        if (!bytes.read(at, entry) || entry.Name == 0 || image.needed.size() > 1000) return;
        if (auto name = map.textAt(bytes, entry.Name)) image.needed.push_back(*name);
    }
}

void readExports(const ImageBytes& bytes, const SectionMap& map, const IMAGE_DATA_DIRECTORY& directory,
                 LibraryImage& image) {
    const auto offset = map.offsetOf(directory.VirtualAddress);
    IMAGE_EXPORT_DIRECTORY exports{};
    if (directory.VirtualAddress == 0 || !offset || !bytes.read(*offset, exports)) return;
    const auto names = map.offsetOf(exports.AddressOfNames);
    if (!names) return;
    for (DWORD i = 0; i < exports.NumberOfNames && i < 100000; ++i) {
        DWORD rva = 0;
        if (!bytes.read(*names + std::uint64_t{i} * sizeof rva, rva)) break;
        if (auto name = map.textAt(bytes, rva)) image.exported.push_back(*name);
    }
}

template <typename Headers>
Status readPe(const ImageBytes& bytes, std::uint64_t at, LibraryImage& image) {
    Headers headers{};
    if (!bytes.read(at, headers)) return Status::failure(image.path + " is cut short: its PE headers are incomplete");
    SectionMap map;
    const std::uint64_t sections = at + offsetof(Headers, OptionalHeader) + headers.FileHeader.SizeOfOptionalHeader;
    for (WORD i = 0; i < headers.FileHeader.NumberOfSections; ++i) {
        IMAGE_SECTION_HEADER section{};
        if (!bytes.read(sections + std::uint64_t{i} * sizeof section, section)) break;
        map.sections.push_back(section);
    }
    const auto& directories = headers.OptionalHeader.DataDirectory;
    if (headers.OptionalHeader.NumberOfRvaAndSizes > IMAGE_DIRECTORY_ENTRY_IMPORT) {
        readImports(bytes, map, directories[IMAGE_DIRECTORY_ENTRY_IMPORT], image);
        readExports(bytes, map, directories[IMAGE_DIRECTORY_ENTRY_EXPORT], image);
    }
    std::sort(image.exported.begin(), image.exported.end());
    image.tablesRead = true;
    return {};
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

}  // namespace

Status parseLibraryImage(const std::string& path, std::string_view contents, LibraryImage& image) {
    image = LibraryImage{};
    image.path = path;
    const ImageBytes bytes(contents);
    IMAGE_DOS_HEADER dos{};
    DWORD signature = 0;
    IMAGE_FILE_HEADER file{};
    WORD magic = 0;
    if (!bytes.read(0, dos) || dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew < 0 ||
        !bytes.read(static_cast<std::uint64_t>(dos.e_lfanew), signature) || signature != IMAGE_NT_SIGNATURE ||
        !bytes.read(static_cast<std::uint64_t>(dos.e_lfanew) + sizeof signature, file) ||
        !bytes.read(static_cast<std::uint64_t>(dos.e_lfanew) + sizeof signature + sizeof file, magic))
        return Status::failure(path + " is not a PE file (" + std::to_string(contents.size()) + " bytes)");
    image.machine = file.Machine;
    const auto at = static_cast<std::uint64_t>(dos.e_lfanew);
    if (magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC) {
        image.wordSize = 64;
        return readPe<IMAGE_NT_HEADERS64>(bytes, at, image);
    }
    if (magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC) {
        image.wordSize = 32;
        return readPe<IMAGE_NT_HEADERS32>(bytes, at, image);
    }
    return Status::failure(path + " has an unknown PE optional header " + std::to_string(magic));
}

Status readProgramImage(LibraryImage& image) {
    char path[MAX_PATH * 4] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path) return Status::failure("cannot find this program's own file");
    return readLibraryImage(path, image);
}

std::string describeTarget(const LibraryImage& image) {
    std::string machine;
    switch (image.machine) {
    case IMAGE_FILE_MACHINE_AMD64: machine = "x86-64"; break;
    case IMAGE_FILE_MACHINE_I386: machine = "x86"; break;
    case 0xAA64: machine = "ARM64"; break;
    default: machine = "machine " + std::to_string(image.machine);
    }
    return "PE " + std::to_string(image.wordSize) + "-bit " + machine;
}

// A path as it is; an API set (api-ms-*, ext-ms-*) is the system's own;
// else the requester's folder, then the standard search order of
// SearchPath, which follows the loader's (and a 32-bit process's
// redirection of the system folder).
std::optional<std::string> locateLibrary(std::string_view name, const LibraryImage* requester,
                                         const LibraryImage& target) {
    const std::string wanted(name);
    if (wanted.find_first_of("\\/:") != std::string::npos) return wanted;
    std::string lower = wanted;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower.rfind("api-ms-", 0) == 0 || lower.rfind("ext-ms-", 0) == 0) return wanted;
    if (requester) {
        const std::string beside = folderOf(requester->path) + "\\" + wanted;
        if (fitsTarget(beside, target)) return beside;
    }
    char found[MAX_PATH * 4] = {};
    const DWORD length = SearchPathA(nullptr, wanted.c_str(), nullptr, sizeof found, found, nullptr);
    if (length == 0 || length >= sizeof found) return std::nullopt;
    if (!fitsTarget(found, target)) return std::nullopt;
    return std::string(found);
}

std::vector<std::string_view> libraryKeys(std::string_view key) { return {key}; }

// Windows keeps no folder of drivers apart: each driver is installed by its full path.
std::vector<std::string> driverModuleLibraries(const LibraryImage&) { return {}; }

// Windows paths name their file as they are (links are rare and not followed by the loader's search).
std::string resolvePath(const std::string& path) { return path; }

}  // namespace rireve
