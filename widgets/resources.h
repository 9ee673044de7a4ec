#pragma once
// The program's icons (":/res/...") live in a resource file compiled into the
// program's static library; a static library's resources must be registered
// once before the first form that names an icon is built. Every window whose
// form names an icon calls this first; calling it again does nothing.
void InitAppResources();
