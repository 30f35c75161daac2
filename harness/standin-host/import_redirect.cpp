#include "import_redirect.h"

namespace tessaly::standin {
namespace {

template <class T>
T* At(BYTE* base, DWORD rva) {
    return reinterpret_cast<T*>(base + rva);
}

}  // namespace

ULONG_PTR ExportAddress(const wchar_t* library, const char* name) {
    const HMODULE module = GetModuleHandleW(library);
    if (!module) {
        return 0;
    }
    return reinterpret_cast<ULONG_PTR>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

int RedirectImports(HMODULE module, const std::vector<std::pair<ULONG_PTR, ULONG_PTR>>& targets) {
    if (!module) {
        return 0;
    }
    auto* base = reinterpret_cast<BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = At<const IMAGE_NT_HEADERS>(base, static_cast<DWORD>(dos->e_lfanew));
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0) {
        return 0;
    }
    int redirected = 0;
    for (auto* library = At<IMAGE_IMPORT_DESCRIPTOR>(base, imports.VirtualAddress);
         library->Name != 0; ++library) {
        for (auto* slot = At<IMAGE_THUNK_DATA>(base, library->FirstThunk); slot->u1.Function != 0;
             ++slot) {
            for (const auto& [real, replacement] : targets) {
                if (real == 0 || slot->u1.Function != real) {
                    continue;
                }
                DWORD protection = 0;
                if (!VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE,
                                    &protection)) {
                    break;
                }
                slot->u1.Function = replacement;
                VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, protection,
                               &protection);
                ++redirected;
                break;
            }
        }
    }
    return redirected;
}

}  // namespace tessaly::standin
