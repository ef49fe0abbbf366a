// LNNote: items and attachments held until Save writes them.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>

#include "codec.h"
#include "error_mode.h"
#include "impl.h"
#include "names.h"
#include "notes/lnnote.h"
#include "win32/path.h"
#include "win32/text.h"

using namespace notes_internal;

namespace {

constexpr std::size_t kMaxItemName = 255;

// The status for a note that must be open for changes.
LNSTATUS NeedOpenNote(const std::shared_ptr<NoteImpl>& note) {
  if (!note) return LNERR_OBJECT_NOT_BOUND;
  if (note->gone) return LNERR_NOTE_DELETED;
  return note->open ? LNNOERROR : LNERR_OBJECT_NOT_OPEN;
}

LNSTATUS AddItem(const std::shared_ptr<NoteImpl>& note, const LNString& name, notes::ItemKind kind, LNITEMTYPE type,
                 LNITEMFLAGS flags, LNITEMOPTION options, std::string value) {
  if (LNSTATUS s = NeedOpenNote(note)) return s;
  if (name.IsNull() || name.str().size() > kMaxItemName) return LNERR_BAD_ITEM_NAME;
  if (options & ~LNITEMOPTION_APPEND) return LNERR_BAD_ARGUMENT;
  StoredItem item{name.str(), NameKey(name.str()), kind, type, flags, std::move(value)};
  note->itemsChanged = true;
  auto& items = note->items;
  const std::string key = item.key;
  auto same = [&key](const StoredItem& i) { return i.key == key; };
  auto first = std::find_if(items.begin(), items.end(), same);
  if ((options & LNITEMOPTION_APPEND) || first == items.end()) {
    items.push_back(std::move(item));
    return LNNOERROR;
  }
  *first = std::move(item);
  items.erase(std::remove_if(first + 1, items.end(), same), items.end());
  return LNNOERROR;
}

// Read in blocks of the size the file has, not a character at a time. What
// is not a regular file is not read (a pipe would not even open at once).
bool ReadWholeFile(const std::filesystem::path& file, std::string* content) {
  struct Descriptor {
    int fd;
    ~Descriptor() {
      if (fd >= 0) ::close(fd);
    }
  } const descriptor{::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)};
  const int fd = descriptor.fd;
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
  content->resize(static_cast<std::size_t>(st.st_size));
  std::size_t got = 0;
  for (;;) {
    if (got == content->size()) content->resize(got + 64 * 1024);  // the file grew
    const ssize_t n = ::read(fd, content->data() + got, content->size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  content->resize(got);
  return true;
}

}  // namespace

LNNote::LNNote() = default;
LNNote::~LNNote() = default;
LNNote::LNNote(const LNNote&) = default;
LNNote& LNNote::operator=(const LNNote&) = default;

LNSTATUS LNNote::Open(LNINT options) {
  if (!impl_) return Report(LNERR_OBJECT_NOT_BOUND);
  if (options != 0) return Report(LNERR_BAD_ARGUMENT);
  if (impl_->gone) return Report(LNERR_NOTE_DELETED);
  if (impl_->open) return LNNOERROR;
  if (impl_->id != 0) {
    if (LNSTATUS s = NeedOpen(impl_->database)) return Report(s);
    std::vector<StoredItem> items;
    if (LNSTATUS s = ReadNoteItems(*impl_->database->store, impl_->id, &items)) return Report(s);
    impl_->items = std::move(items);
  }
  impl_->open = true;
  return LNNOERROR;
}

LNSTATUS LNNote::Close() {
  if (LNSTATUS s = NeedOpenNote(impl_)) return Report(s);
  impl_->open = false;
  impl_->items.clear();
  impl_->itemsChanged = false;
  impl_->pending.clear();
  if (impl_->id == 0) impl_->gone = true;
  return LNNOERROR;
}

LNBOOL LNNote::IsOpen() const { return impl_ && impl_->open; }
LNNOTEID LNNote::GetNoteID() const { return impl_ ? impl_->id : 0; }

LNSTATUS LNNote::CreateItem(const LNString& name, const LNText& value, LNITEMFLAGS flags, LNITEMOPTION options) {
  std::vector<std::string> entries;
  for (LNINT i = 0; i < value.GetCount(); ++i) entries.push_back(value[i].str());
  return Report(AddItem(impl_, name, notes::ItemKind::kText, 0, flags, options, EncodeList(entries)));
}

LNSTATUS LNNote::CreateItem(const LNString& name, const LNDatetimes& value, LNITEMFLAGS flags, LNITEMOPTION options) {
  if (LNSTATUS s = NeedOpenNote(impl_)) return Report(s);
  std::vector<std::string> entries;
  for (LNINT i = 0; i < value.GetDatetimeCount(); ++i) {
    if (!value[i].IsDateSet()) return Report(LNERR_BAD_DATETIME);
    entries.push_back(StoredDatetime(value[i]));
  }
  return Report(AddItem(impl_, name, notes::ItemKind::kTime, 0, flags, options, EncodeList(entries)));
}

LNSTATUS LNNote::CreateItem(const LNString& name, LNITEMTYPE type, const void* data, LNINT length,
                            LNITEMFLAGS flags, LNITEMOPTION options) {
  if (length < 0) return Report(LNERR_BAD_ARGUMENT);
  if (!data && length > 0) return Report(LNERR_NULL_ARGUMENT);
  std::string bytes(static_cast<const char*>(data), static_cast<std::size_t>(length));
  return Report(AddItem(impl_, name, notes::ItemKind::kRaw, type, flags, options, std::move(bytes)));
}

LNSTATUS LNNote::CreateAttachment(const LNString& path, const LNString& attachmentName, LNBOOL compress,
                                  LNAttachment* attachment) {
  if (LNSTATUS s = NeedOpenNote(impl_)) return Report(s);
  if (attachmentName.IsNull()) return Report(LNERR_BAD_ATTACHMENT_NAME);
  std::string content;
  if (path.IsNull() || !ReadWholeFile(win32::MapPath(win32::Utf8ToUtf16(path.str())), &content))
    return Report(LNERR_ATTACH_FILE_UNREADABLE);
  PendingAttachment a;
  a.name = attachmentName.str();
  a.size = static_cast<std::int64_t>(content.size());
  std::optional<std::string> deflated;
  if (compress) deflated = Deflate(content);
  a.method = static_cast<int>(deflated ? Method::kZlib : Method::kStored);
  a.data = deflated ? std::move(*deflated) : std::move(content);
  if (attachment) {
    attachment->name_ = attachmentName;
    attachment->size_ = a.size;
  }
  impl_->pending.push_back(std::move(a));
  return LNNOERROR;
}

LNSTATUS LNNote::Save(LNINT options) {
  if (LNSTATUS s = NeedOpenNote(impl_)) return Report(s);
  if (options != 0) return Report(LNERR_BAD_ARGUMENT);
  if (LNSTATUS s = NeedOpen(impl_->database)) return Report(s);
  return Report(WriteNote(*impl_->database->store, *impl_));
}
