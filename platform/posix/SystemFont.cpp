// Linux finds every font it can give as a file, through fontconfig (FontFiles.cpp): nothing
// is handed over in memory here.
#include "platform/SystemFont.h"

namespace platform {

SystemFont SystemFont::named(const std::string&) { return SystemFont(); }

SystemFont SystemFont::interfaceDefault() { return SystemFont(); }

}  // namespace platform
