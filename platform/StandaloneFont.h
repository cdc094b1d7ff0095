// One font of a collection (.ttc) as a font file of its own. Windows hands out a font's bytes
// table by table (GDI's GetFontData); for a font that lives in a collection no file of that
// font alone exists, and FreeType, given memory, reads it as a whole file. The font's
// tables are put together behind a table directory of their own.
//
// Threading: stateless; any thread (the reader is called on the caller's thread).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace platform {

class StandaloneFont {
public:
  // Reads `size` bytes from `offset` of the table `tag` into `out`; tag 0 stands for the
  // font's own first bytes, its header and table directory. Tags are numbers whose most
  // significant byte is the first character ('glyf' is 0x676C7966). False when the bytes
  // cannot be read.
  using TableReader =
      std::function<bool(uint32_t tag, uint32_t offset, unsigned char* out, uint32_t size)>;

  // No font a layout means comes near this (the largest common ones, with every CJK glyph,
  // are about 20 MiB).
  static constexpr size_t kMaxBytes = size_t{64} << 20;
  // Fonts have a few dozen tables; the directory format allows 65535.
  static constexpr unsigned kMaxTables = 512;

  // The font whose tables `read` gives, as one file: its header, a directory with every
  // table's new offset, and the tables, each at a 4-byte boundary. False (out cleared) for a
  // header that is no TrueType or OpenType font (version 0x00010000, 'true' or 'OTTO'), no
  // tables or more than kMaxTables, a file that would exceed kMaxBytes, or a table that
  // cannot be read.
  static bool assemble(const TableReader& read, std::vector<unsigned char>& out);
};

}  // namespace platform
