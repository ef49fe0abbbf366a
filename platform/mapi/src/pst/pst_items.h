// Parts of a message item: recipient rows, attachments (of every method)
// and their data, embedded messages. Callers hold the file's lock.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "pst/pff_handles.h"
#include "pst/pst_record.h"

namespace pst {

constexpr uint16_t kPidAttachDataBin = 0x3701;  // also PR_ATTACH_DATA_OBJ
constexpr uint16_t kPidAttachMethod = 0x3705;
constexpr uint32_t kAttachEmbeddedMsg = 5;
constexpr uint16_t kTypeBinary = 0x0102;

// One record set per recipient, in the file's order; the sets read from
// the item held beside them.
struct Recipients {
  ItemHandle item;
  std::vector<RecordSet> rows;
};
Recipients RecipientRows(libpff_item_t* message);

int AttachmentCount(libpff_item_t* message);
ItemHandle AttachmentAt(libpff_item_t* message, int index);
// PR_ATTACH_METHOD from the attachment's own properties (libpff's type
// query refuses several methods).
std::optional<uint32_t> AttachMethod(const RecordSet& attachment);
// The message inside an embedded-message attachment; null otherwise.
ItemHandle EmbeddedMessage(libpff_item_t* attachment);

// Reads an attachment's data (PR_ATTACH_DATA_BIN, or the bytes of an OLE
// object's PR_ATTACH_DATA_OBJ) in pieces, without holding it whole. The
// attachment item must outlive the reader.
class DataReader {
 public:
  DataReader() = default;
  static DataReader Of(libpff_item_t* attachment);
  bool Valid() const { return valid_; }
  uint64_t Size() const { return size_; }
  // Reads up to `size` bytes at `offset`; the count read, or -1 on error.
  long long ReadAt(uint64_t offset, uint8_t* buffer, size_t size);

 private:
  libpff_item_t* attachment_ = nullptr;
  RecordSet props_;
  RecordEntryHandle entry_;  // binary data; else the attachment's object data
  uint64_t size_ = 0;
  bool valid_ = false;
};

}  // namespace pst
