// The module that holds our code: the plug-in's DLL, or a test program that links the same
// static libraries. Resources, window classes and dialogs belong to it, never to the host's
// executable, so two copies of the plug-in loaded side by side keep theirs apart.
//
// Threading: any thread.
#pragma once

#include <windows.h>

namespace platform {

HMODULE ourModule();

}  // namespace platform
