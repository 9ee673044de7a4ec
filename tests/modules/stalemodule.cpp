// A module as an older build of the program left it: the entry point the
// program asks for, with the identity of another build (MODULE_ID), or with
// none at all, as modules had before they carried one.
#include <QtGlobal>

extern "C" {
Q_DECL_EXPORT const void* diradi_vision_api()
{
    return nullptr;
}

#ifdef MODULE_ID
Q_DECL_EXPORT const char* diradi_module_build_id()
{
    return MODULE_ID;
}
#endif
}
