// Built into each module (not into the program): the identity of the build
// the module comes from.
#include "core/ModuleBuildId.h"

#include "diradi_buildid.h"

const char* diradi_module_build_id()
{
    return DIRADI_BUILD_ID;
}
