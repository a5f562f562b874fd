#pragma once
// Loading a shared library at run time (dlopen, LoadLibraryExW), never from
// the current working directory: a bare name is looked for on the system's
// search path, an absolute path is taken as it stands, and a relative path
// with a directory part is refused.

#include <string>

// The library's handle, or nullptr; strWhy then holds the system's reason.
void* OpenSharedLibrary(const std::string& strPath, std::string& strWhy);
void CloseSharedLibrary(void* hLibrary);
// An exported function or object of the library, or nullptr.
void* SharedLibrarySymbol(void* hLibrary, const char* szName);
