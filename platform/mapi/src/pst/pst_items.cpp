#include "pst/pst_items.h"

#include <cstdio>

namespace pst {

Recipients RecipientRows(libpff_item_t* message) {
  Recipients out;
  PffError e;
  int n = 0;
  int r = libpff_message_get_recipients(message, Out(out.item), &e);
  if (r != 1 || !out.item || libpff_item_get_number_of_record_sets(out.item.get(), &n, &e) != 1) return out;
  for (int i = 0; i < n; ++i) out.rows.push_back(RecordSet::Of(out.item.get(), i));
  return out;
}

int AttachmentCount(libpff_item_t* message) {
  PffError e;
  int n = 0;
  if (libpff_message_get_number_of_attachments(message, &n, &e) != 1) return 0;
  return n;
}

ItemHandle AttachmentAt(libpff_item_t* message, int index) {
  ItemHandle a;
  PffError e;
  if (libpff_message_get_attachment(message, index, Out(a), &e) != 1) return nullptr;
  return a;
}

std::optional<uint32_t> AttachMethod(const RecordSet& attachment) {
  auto p = attachment.Find(kPidAttachMethod);
  if (!p || p->bytes.size() < 4) return std::nullopt;
  return Le32(p->bytes);
}

ItemHandle EmbeddedMessage(libpff_item_t* attachment) {
  if (AttachMethod(RecordSet::Of(attachment)) != kAttachEmbeddedMsg) return nullptr;
  ItemHandle m;
  PffError e;
  if (libpff_attachment_get_item(attachment, Out(m), &e) != 1) return nullptr;
  return m;
}

DataReader DataReader::Of(libpff_item_t* attachment) {
  DataReader r;
  r.attachment_ = attachment;
  r.props_ = RecordSet::Of(attachment);
  auto tag = r.props_.TagOf(kPidAttachDataBin);
  if (!tag) return r;
  PffError e;
  if (TagType(*tag) == kTypeBinary) {
    r.entry_ = r.props_.Entry(kPidAttachDataBin);
    size_t size = 0;
    r.valid_ = r.entry_ && libpff_record_entry_get_data_size(r.entry_.get(), &size, &e) == 1;
    r.size_ = size;
  } else if (AttachMethod(r.props_) != kAttachEmbeddedMsg) {
    size64_t size = 0;
    r.valid_ = libpff_attachment_get_data_size(attachment, &size, &e) == 1;
    r.size_ = size;
  }
  return r;
}

long long DataReader::ReadAt(uint64_t offset, uint8_t* buffer, size_t size) {
  if (!valid_) return -1;
  if (offset >= size_ || size == 0) return 0;
  PffError e;
  auto at = static_cast<off64_t>(offset);
  if (entry_) {
    if (libpff_record_entry_seek_offset(entry_.get(), at, SEEK_SET, &e) < 0) return -1;
    return libpff_record_entry_read_buffer(entry_.get(), buffer, size, &e);
  }
  if (libpff_attachment_data_seek_offset(attachment_, at, SEEK_SET, &e) < 0) return -1;
  return libpff_attachment_data_read_buffer(attachment_, buffer, size, &e);
}

}  // namespace pst
