#include "render/EditorPicture.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "tools/images/PNGWriter.h"
#include "tools/images/Raster.h"

namespace render {

EditorPicture::Result EditorPicture::save(vsthost::EditorHost& editor, const std::string& path,
                                          std::string& error) {
  std::vector<uint8_t> rgb;
  if (!editor.capture(rgb, error)) return Result::failed;
  if (std::all_of(rgb.begin(), rgb.end(), [](uint8_t v) { return v == 0; }))
    return Result::notDrawnYet;

  images::Raster picture(editor.width(), editor.height(), 3);
  for (int y = 0; y < editor.height(); ++y)
    for (int x = 0; x < editor.width(); ++x)
      for (int c = 0; c < 3; ++c)
        picture.set(x, y, c,
                    rgb[(static_cast<size_t>(y) * editor.width() + x) * 3 + c] / 255.0);
  if (!images::PNGWriter::write(picture, path, error)) return Result::failed;
  return Result::saved;
}

}  // namespace render
