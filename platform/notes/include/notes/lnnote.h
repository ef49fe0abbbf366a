// Notes and documents of the Notes object library stand-in.
//
// An LNNote is a handle: copies share one note. A document made by
// LNDatabase::CreateDocument exists only in memory until its first Save;
// closed before that, it is gone. Every Save writes the whole note and
// commits at once.
#pragma once

#include <memory>

#include "notes/lntypes.h"
#include "notes/lnvalues.h"

namespace notes_internal {
struct NoteImpl;
}

// What CreateAttachment attached.
class LNAttachment {
 public:
  const LNString& GetAttachmentName() const { return name_; }
  // Size of the file's content in bytes (before compression).
  std::int64_t GetSize() const { return size_; }

 private:
  friend class LNNote;
  LNString name_;
  std::int64_t size_ = 0;
};

class LNNote {
 public:
  LNNote();
  ~LNNote();
  LNNote(const LNNote&);
  LNNote& operator=(const LNNote&);

  // Options: 0. Opening a saved note that was closed reads it again.
  LNSTATUS Open(LNINT options = 0);
  // Drops what was not saved; a note never saved is gone afterwards.
  LNSTATUS Close();
  LNBOOL IsOpen() const;
  // 0 until the note is first saved.
  LNNOTEID GetNoteID() const;

  // Items are kept in the order they are created. Names: 1 to 255 bytes.
  LNSTATUS CreateItem(const LNString& name, const LNText& value, LNITEMFLAGS flags = 0,
                      LNITEMOPTION options = LNITEMOPTION_DEFAULT);
  LNSTATUS CreateItem(const LNString& name, const LNDatetimes& value, LNITEMFLAGS flags = 0,
                      LNITEMOPTION options = LNITEMOPTION_DEFAULT);
  // A raw item: `length` bytes at `data`, kept byte for byte under `type`.
  LNSTATUS CreateItem(const LNString& name, LNITEMTYPE type, const void* data, LNINT length, LNITEMFLAGS flags = 0,
                      LNITEMOPTION options = LNITEMOPTION_DEFAULT);
  // Attaches the content of the file at `path` (a Windows or POSIX path)
  // under `attachmentName`, compressed when `compress` is non-zero. The file
  // is read now; several attachments may share a name.
  LNSTATUS CreateAttachment(const LNString& path, const LNString& attachmentName, LNBOOL compress = 1,
                            LNAttachment* attachment = nullptr);
  // Options: 0.
  LNSTATUS Save(LNINT options = 0);

 protected:
  friend class LNDatabase;
  friend class LNViewFolder;
  std::shared_ptr<notes_internal::NoteImpl> impl_;
};

class LNDocument : public LNNote {};
