#pragma once
// Redirects one imported function of a loaded module to a replacement by
// rewriting that module's import address table. Only calls the module makes
// through its imports are affected; the rest of the process is untouched.

#include <windows.h>

#include <string>
#include <vector>

// Replaces `module`'s import of `functionName` from `dllName` (DLL names compare
// case-insensitively) with `replacement`. On success stores the function the
// module imported before in `*original` and returns true; returns false when
// the module does not import that function or the table cannot be written.
bool patchImport(HMODULE module, const char* dllName, const char* functionName,
                 void* replacement, void** original);

// Every function `module` imports from `dllName` by its name table, in table
// order; one imported by ordinal appears as "#N". Empty when it imports nothing
// from that DLL, or was linked without a name table.
std::vector<std::string> importedFunctionNames(HMODULE module, const char* dllName);
