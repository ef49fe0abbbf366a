// Parts of a message item: recipient rows, attachments (of every method)
// and their data, embedded messages. Callers hold the file's lock; damage
// throws ndb::Damage.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "pst/pst_file.h"
#include "pst/pst_record.h"

namespace pst {

constexpr uint16_t kPidAttachDataBin = 0x3701;  // also PR_ATTACH_DATA_OBJ
constexpr uint16_t kPidAttachMethod = 0x3705;
constexpr uint32_t kAttachEmbeddedMsg = 5;
constexpr uint16_t kTypeBinary = 0x0102;

// One record set per recipient, in the file's order.
struct Recipients {
  std::vector<RecordSet> rows;
};
Recipients RecipientRows(Item* message);

int AttachmentCount(Item* message);
// Reads the attachment's node, not its properties; null past the end.
ItemHandle AttachmentAt(Item* message, int index);
std::optional<uint32_t> AttachMethod(const RecordSet& attachment);
// The message inside an embedded-message attachment; null otherwise.
ItemHandle EmbeddedMessage(Item* attachment);

// Reads an attachment's data (PR_ATTACH_DATA_BIN, or the bytes of an OLE
// object's PR_ATTACH_DATA_OBJ) in pieces, without holding it whole. The
// attachment item must outlive the reader.
class DataReader {
 public:
  DataReader() = default;
  static DataReader Of(Item* attachment);
  bool Valid() const { return stream_.has_value(); }
  uint64_t Size() const { return stream_ ? stream_->Size() : 0; }
  // Reads up to `size` bytes at `offset`; the count read, or -1 when the
  // data is damaged.
  long long ReadAt(uint64_t offset, uint8_t* buffer, size_t size);

 private:
  std::optional<ltp::ValueStream> stream_;
};

}  // namespace pst
