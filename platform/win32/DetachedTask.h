// Runs a function on a thread of its own that nobody waits for: for system calls that may
// block for a long time (a name lookup, the shell opening an address) while the caller must
// not wait for them. The thread holds a reference to our module until it ends, so a host
// that unloads the plug-in meanwhile does not take the code away from under it.
//
// Threading: any thread.
#pragma once

namespace platform {

// Starts function(context). False when no thread could be started; the caller then still
// owns whatever context points to.
bool runDetached(void (*function)(void* context), void* context);

}  // namespace platform
