// Points a loaded module's import slots at other functions: how the host watches what the
// add-in asks of Windows (its timers, its process starts) without changing the add-in.
#pragma once

#include <windows.h>

#include <utility>
#include <vector>

namespace tessaly::standin {

// Each pair is (the real function's address, its replacement). Returns how many import
// slots were redirected. The slots hold resolved addresses once the module is loaded,
// whatever DLL name (a system DLL or an API set) the import was made under.
int RedirectImports(HMODULE module, const std::vector<std::pair<ULONG_PTR, ULONG_PTR>>& targets);

// The address of an export of a loaded system DLL, as an import slot would hold it.
ULONG_PTR ExportAddress(const wchar_t* library, const char* name);

}  // namespace tessaly::standin
