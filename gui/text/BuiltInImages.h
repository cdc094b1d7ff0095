// The built-in images decoded once for the whole process. A built-in image is part of the
// library and never changes, so every editor of every instance uploads the same decoded
// pixels instead of decoding the PNG again at each opening.
//
// Bounded and deliberately kept for the process's life: one entry per built-in image that
// was asked for (the library holds four, about 150 KiB decoded); a damaged one is
// remembered as undecodable.
//
// Threading: any thread. One lock guards the table; an image is immutable once published,
// so render threads read its pixels without locking.
#pragma once

#include <cstdint>
#include <memory>

namespace HC {

class PNGImage;

class BuiltInImages {
public:
  // The decoded built-in image `resourceId`; null when it does not decode (see PNGImage)
  // or, with exists false, when the library has no such image.
  static std::shared_ptr<const PNGImage> decoded(uint16_t resourceId, bool& exists);
};

}  // namespace HC
