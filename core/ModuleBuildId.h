#pragma once
// The build identity every module of the program exports beside its table:
// the hash of the sources and flags it was built from (DIRADI_BUILD_ID). The
// program loads a module only when the module's identity is its own.
#include <QtGlobal>

extern "C" {
Q_DECL_EXPORT const char* diradi_module_build_id();
}

// The entry point's name, for the loader.
inline constexpr char MODULE_BUILD_ID_ENTRY[] = "diradi_module_build_id";
