// quorvella-make-images: draws the editor's built-in images into a folder.
//   quorvella-make-images <folder>
// writes buttons.png, buttons_n.png, bgtile.png and bgtile_n.png there. The output depends on
// nothing but this code, so running it again reproduces the committed files.
#include <cstdio>
#include <string>

#include "tools/images/BackgroundTile.h"
#include "tools/images/KnobAtlas.h"
#include "tools/images/PNGWriter.h"

int main(int argc, char** argv) {
  if (argc != 2 || argv[1][0] == '\0' || argv[1][0] == '-') {
    std::fprintf(stderr, "usage: quorvella-make-images <folder>\n");
    return 2;
  }
  std::string folder = argv[1];
  struct Output {
    const char* name;
    images::Raster image;
  } outputs[] = {
      {"buttons.png", images::KnobAtlas::colour()},
      {"buttons_n.png", images::KnobAtlas::normals()},
      {"bgtile.png", images::BackgroundTile::colour()},
      {"bgtile_n.png", images::BackgroundTile::normals()},
  };
  for (const Output& output : outputs) {
    std::string error;
    if (!images::PNGWriter::write(output.image, folder + "/" + output.name, error)) {
      std::fprintf(stderr, "quorvella-make-images: %s\n", error.c_str());
      return 1;
    }
  }
  return 0;
}
