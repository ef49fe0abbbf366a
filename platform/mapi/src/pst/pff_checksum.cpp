// libpff checks the CRC of every block it reads with a byte-at-a-time
// table loop, the largest single cost of reading a PST. libpff calls that
// function through its PLT, so defining it here, in a library loaded
// ahead of libpff, puts zlib's crc32 in its place: the same CRC (polynomial
// 0xEDB88320, no pre- or post-inversion), several times faster.
#include "pst/pff_checksum.h"

#include <zlib.h>

#include <climits>

namespace pst {

uint32_t WeakCrc32(uint32_t initial, const uint8_t* data, size_t size) {
  // zlib inverts before and after; undo both.
  uLong crc = ~initial & 0xFFFFFFFFu;
  while (size > 0) {
    const uInt chunk = size > UINT_MAX ? UINT_MAX : static_cast<uInt>(size);
    crc = crc32(crc, data, chunk);
    data += chunk;
    size -= chunk;
  }
  return ~static_cast<uint32_t>(crc);
}

}  // namespace pst

// libpff's signature; the error argument is left alone, as libpff's own
// function leaves it on success.
extern "C" __attribute__((visibility("default"))) int libfmapi_checksum_calculate_weak_crc32(
    uint32_t* checksum, const uint8_t* buffer, size_t size, uint32_t initial_value, void** /*error*/) {
  if (!checksum || !buffer || size > static_cast<size_t>(SSIZE_MAX)) return -1;
  *checksum = pst::WeakCrc32(initial_value, buffer, size);
  return 1;
}
