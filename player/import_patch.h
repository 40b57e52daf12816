#pragma once
// Redirects one imported function of a loaded module to a replacement by
// rewriting that module's import address table. Only calls the module makes
// through its imports are affected; the rest of the process is untouched.

#include <windows.h>

// Replaces `module`'s import of `functionName` from `dllName` (DLL names compare
// case-insensitively) with `replacement`. On success stores the function the
// module imported before in `*original` and returns true; returns false when
// the module does not import that function or the table cannot be written.
bool patchImport(HMODULE module, const char* dllName, const char* functionName,
                 void* replacement, void** original);
