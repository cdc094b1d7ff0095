// quorvella-lv2-describe FOLDER: writes the LV2 bundle's description files into FOLDER
// (the build runs it for build/quorvella.lv2). Fails, naming every fault, when the
// parameter table or the factory programs cannot be described faithfully.
#include <cstdio>
#include <string>

#include "faces/lv2/LV2BundleWriter.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s BUNDLE_FOLDER\n", argv[0]);
    return 2;
  }
  lv2face::LV2BundleWriter writer(kQuorvellaParameters,
                                  lv2face::LV2BundleWriter::factoryPrograms());
  std::string error;
  if (!writer.writeBundle(argv[1], error)) {
    std::fprintf(stderr, "quorvella-lv2-describe: %s", error.c_str());
    return 1;
  }
  return 0;
}
