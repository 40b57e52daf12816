#include "import_patch.h"

#include <cstdint>
#include <cstring>

namespace {

template <typename T>
T* atRva(HMODULE module, DWORD rva)
{
    return reinterpret_cast<T*>(reinterpret_cast<std::uintptr_t>(module) + rva);
}

const IMAGE_IMPORT_DESCRIPTOR* findImportDescriptor(HMODULE module, const char* dllName)
{
    const auto* dosHeader = reinterpret_cast<const IMAGE_DOS_HEADER*>(module);
    if (dosHeader->e_magic != IMAGE_DOS_SIGNATURE) {
        return nullptr;
    }
    // IMAGE_NT_HEADERS and IMAGE_THUNK_DATA follow the build: PE32 in the i686
    // player, PE32+ in the x86_64 one. A module of the other kind cannot be loaded
    // into this process, but the magic is checked before trusting the layout.
    const auto* ntHeaders =
        atRva<const IMAGE_NT_HEADERS>(module, static_cast<DWORD>(dosHeader->e_lfanew));
    if (ntHeaders->Signature != IMAGE_NT_SIGNATURE ||
        ntHeaders->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR_MAGIC) {
        return nullptr;
    }
    const IMAGE_DATA_DIRECTORY& directory =
        ntHeaders->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (directory.VirtualAddress == 0 || directory.Size == 0) {
        return nullptr;
    }
    for (const auto* descriptor = atRva<const IMAGE_IMPORT_DESCRIPTOR>(module, directory.VirtualAddress);
         descriptor->Name != 0; ++descriptor) {
        if (lstrcmpiA(atRva<const char>(module, descriptor->Name), dllName) == 0) {
            return descriptor;
        }
    }
    return nullptr;
}

// Finds the address table slot of `functionName`. The name table is the reliable
// way; a module linked without one is matched by the address the loader wrote.
ULONG_PTR* findImportSlot(HMODULE module, const IMAGE_IMPORT_DESCRIPTOR* descriptor,
                          const char* dllName, const char* functionName)
{
    auto* slots = atRva<IMAGE_THUNK_DATA>(module, descriptor->FirstThunk);
    if (descriptor->OriginalFirstThunk != 0) {
        const auto* names = atRva<const IMAGE_THUNK_DATA>(module, descriptor->OriginalFirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) {
                continue;
            }
            const auto* byName = atRva<const IMAGE_IMPORT_BY_NAME>(
                module, static_cast<DWORD>(names->u1.AddressOfData));
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), functionName) == 0) {
                return &slots->u1.Function;
            }
        }
        return nullptr;
    }
    HMODULE exporter = GetModuleHandleA(dllName);
    if (exporter == nullptr) {
        return nullptr;
    }
    FARPROC target = GetProcAddress(exporter, functionName);
    if (target == nullptr) {
        return nullptr;
    }
    for (; slots->u1.Function != 0; ++slots) {
        if (slots->u1.Function == reinterpret_cast<ULONG_PTR>(target)) {
            return &slots->u1.Function;
        }
    }
    return nullptr;
}

} // namespace

std::vector<std::string> importedFunctionNames(HMODULE module, const char* dllName)
{
    std::vector<std::string> names;
    if (module == nullptr) {
        return names;
    }
    const IMAGE_IMPORT_DESCRIPTOR* descriptor = findImportDescriptor(module, dllName);
    if (descriptor == nullptr || descriptor->OriginalFirstThunk == 0) {
        return names;
    }
    for (const auto* entry = atRva<const IMAGE_THUNK_DATA>(module, descriptor->OriginalFirstThunk);
         entry->u1.AddressOfData != 0; ++entry) {
        if (IMAGE_SNAP_BY_ORDINAL(entry->u1.Ordinal)) {
            names.push_back("#" + std::to_string(IMAGE_ORDINAL(entry->u1.Ordinal)));
            continue;
        }
        const auto* byName = atRva<const IMAGE_IMPORT_BY_NAME>(
            module, static_cast<DWORD>(entry->u1.AddressOfData));
        names.emplace_back(reinterpret_cast<const char*>(byName->Name));
    }
    return names;
}

bool patchImport(HMODULE module, const char* dllName, const char* functionName,
                 void* replacement, void** original)
{
    if (module == nullptr) {
        return false;
    }
    const IMAGE_IMPORT_DESCRIPTOR* descriptor = findImportDescriptor(module, dllName);
    if (descriptor == nullptr) {
        return false;
    }
    ULONG_PTR* slot = findImportSlot(module, descriptor, dllName, functionName);
    if (slot == nullptr) {
        return false;
    }
    // NOTE: the address table often lies in a read-only section once the loader
    // has filled it, so it is opened for writing just for this one store.
    DWORD oldProtection = 0;
    if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &oldProtection)) {
        return false;
    }
    *original = reinterpret_cast<void*>(*slot);
    *slot = reinterpret_cast<ULONG_PTR>(replacement);
    // A failure to put the old protection back leaves the page writable, which
    // harms nothing; the replacement is in place either way.
    DWORD unused = 0;
    VirtualProtect(slot, sizeof *slot, oldProtection, &unused);
    return true;
}
