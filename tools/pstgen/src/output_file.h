// The file being written: space allocation around the fixed map pages, the
// allocation bitmap, and positioned writes. Blocks go to disk when made.
#pragma once

#include <cstdint>
#include <filesystem>

#include "bytes.h"
#include "layout.h"

namespace pstgen {

class OutputFile {
 public:
  explicit OutputFile(const std::filesystem::path& path, FileFormat format = FileFormat::kUnicode);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Space for a block (size a multiple of 64) or a 512-byte page.
  std::uint64_t AllocateBlock(std::uint64_t size);
  std::uint64_t AllocatePage();
  void Write(std::uint64_t ib, const void* data, std::size_t size);
  const FormatLayout& layout() const { return layout_; }
  void Write(std::uint64_t ib, const Bytes& data) { Write(ib, data.data(), data.size()); }

  struct MapSummary {
    std::uint64_t fileEof;
    std::uint64_t lastAMap;
    std::uint64_t amapFree;
    std::uint8_t initialFMap[128];  // free-map bytes of the first 128 allocation maps
  };
  // Writes every allocation, page, free and free-page map up to the end of
  // the last interval, and extends the file there.
  MapSummary WriteMaps();

 private:
  std::uint64_t Allocate(std::uint64_t size, std::uint64_t align);
  void MarkAllocated(std::uint64_t ib, std::uint64_t size);
  const FormatLayout& layout_;
  int fd_ = -1;
  std::uint64_t cursor_ = kFirstData();
  Bytes amapBits_;  // MSB-first bit per 64 bytes from kAMapBase, 496 bytes per interval
  static std::uint64_t kFirstData();
};

}  // namespace pstgen
