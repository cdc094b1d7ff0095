#include "gui/text/FileBytes.h"

#include <fstream>

namespace HC {

bool FileBytes::read(const std::string& path, std::vector<unsigned char>& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  in.seekg(0, std::ios::end);
  std::streamoff length = in.tellg();
  if (length <= 0 || length > static_cast<std::streamoff>(kMaxBytes)) return false;
  in.seekg(0, std::ios::beg);
  out.resize(size_t(length));
  in.read(reinterpret_cast<char*>(out.data()), length);
  return in.gcount() == length;
}

}  // namespace HC
