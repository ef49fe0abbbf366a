// IStream, its flags and result codes, memory and file streams.
#pragma once

#include <string>

#include "com/unknown.h"
#include "win32/guid.h"  // OLECHAR

// Storage and stream modes.
constexpr DWORD STGM_READ = 0x0;
constexpr DWORD STGM_WRITE = 0x1;
constexpr DWORD STGM_READWRITE = 0x2;
constexpr DWORD STGM_SHARE_DENY_NONE = 0x40;
constexpr DWORD STGM_SHARE_DENY_READ = 0x30;
constexpr DWORD STGM_SHARE_DENY_WRITE = 0x20;
constexpr DWORD STGM_SHARE_EXCLUSIVE = 0x10;
constexpr DWORD STGM_PRIORITY = 0x40000;
constexpr DWORD STGM_CREATE = 0x1000;
constexpr DWORD STGM_CONVERT = 0x20000;
constexpr DWORD STGM_FAILIFTHERE = 0x0;
constexpr DWORD STGM_DIRECT = 0x0;
constexpr DWORD STGM_TRANSACTED = 0x10000;
constexpr DWORD STGM_NOSCRATCH = 0x100000;
constexpr DWORD STGM_NOSNAPSHOT = 0x200000;
constexpr DWORD STGM_SIMPLE = 0x8000000;
constexpr DWORD STGM_DELETEONRELEASE = 0x4000000;

constexpr DWORD STGC_DEFAULT = 0;
constexpr DWORD STGC_OVERWRITE = 1;
constexpr DWORD STGC_ONLYIFCURRENT = 2;

constexpr DWORD STATFLAG_DEFAULT = 0;
constexpr DWORD STATFLAG_NONAME = 1;

constexpr DWORD STGTY_STORAGE = 1;
constexpr DWORD STGTY_STREAM = 2;
constexpr DWORD STGTY_LOCKBYTES = 3;

constexpr DWORD STREAM_SEEK_SET = 0;
constexpr DWORD STREAM_SEEK_CUR = 1;
constexpr DWORD STREAM_SEEK_END = 2;

constexpr HRESULT STG_E_INVALIDFUNCTION = static_cast<HRESULT>(0x80030001u);
constexpr HRESULT STG_E_FILENOTFOUND = static_cast<HRESULT>(0x80030002u);
constexpr HRESULT STG_E_PATHNOTFOUND = static_cast<HRESULT>(0x80030003u);
constexpr HRESULT STG_E_TOOMANYOPENFILES = static_cast<HRESULT>(0x80030004u);
constexpr HRESULT STG_E_ACCESSDENIED = static_cast<HRESULT>(0x80030005u);
constexpr HRESULT STG_E_INVALIDHANDLE = static_cast<HRESULT>(0x80030006u);
constexpr HRESULT STG_E_INSUFFICIENTMEMORY = static_cast<HRESULT>(0x80030008u);
constexpr HRESULT STG_E_INVALIDPOINTER = static_cast<HRESULT>(0x80030009u);
constexpr HRESULT STG_E_NOMOREFILES = static_cast<HRESULT>(0x80030012u);
constexpr HRESULT STG_E_WRITEFAULT = static_cast<HRESULT>(0x8003001Du);
constexpr HRESULT STG_E_READFAULT = static_cast<HRESULT>(0x8003001Eu);
constexpr HRESULT STG_E_SHAREVIOLATION = static_cast<HRESULT>(0x80030020u);
constexpr HRESULT STG_E_FILEALREADYEXISTS = static_cast<HRESULT>(0x80030050u);
constexpr HRESULT STG_E_INVALIDPARAMETER = static_cast<HRESULT>(0x80030057u);
constexpr HRESULT STG_E_MEDIUMFULL = static_cast<HRESULT>(0x80030070u);
constexpr HRESULT STG_E_INVALIDHEADER = static_cast<HRESULT>(0x800300FBu);
constexpr HRESULT STG_E_INVALIDNAME = static_cast<HRESULT>(0x800300FCu);
constexpr HRESULT STG_E_UNKNOWN = static_cast<HRESULT>(0x800300FDu);
constexpr HRESULT STG_E_UNIMPLEMENTEDFUNCTION = static_cast<HRESULT>(0x800300FEu);
constexpr HRESULT STG_E_INVALIDFLAG = static_cast<HRESULT>(0x800300FFu);
constexpr HRESULT STG_E_REVERTED = static_cast<HRESULT>(0x80030102u);
constexpr HRESULT STG_E_CANTSAVE = static_cast<HRESULT>(0x80030103u);
constexpr HRESULT STG_E_DOCFILECORRUPT = static_cast<HRESULT>(0x80030109u);

struct STATSTG {
  LPOLESTR pwcsName;  // CoTaskMemAlloc'ed unless STATFLAG_NONAME
  DWORD type;
  ULARGE_INTEGER cbSize;
  FILETIME mtime;
  FILETIME ctime;
  FILETIME atime;
  DWORD grfMode;
  DWORD grfLocksSupported;
  CLSID clsid;
  DWORD grfStateBits;
  DWORD reserved;
};

struct ISequentialStream : IUnknown {
  using Base = IUnknown;
  static constexpr IID kIid = {0x0c733a30, 0x2a1c, 0x11ce, {0xad, 0xe5, 0x00, 0xaa, 0x00, 0x44, 0x77, 0x3d}};
  virtual HRESULT STDMETHODCALLTYPE Read(void* pv, ULONG cb, ULONG* pcbRead) = 0;
  virtual HRESULT STDMETHODCALLTYPE Write(const void* pv, ULONG cb, ULONG* pcbWritten) = 0;

 protected:
  ~ISequentialStream() = default;
};

struct IStream : ISequentialStream {
  using Base = ISequentialStream;
  static constexpr IID kIid = {0x0000000c, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
  virtual HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER newSize) = 0;
  virtual HRESULT STDMETHODCALLTYPE CopyTo(IStream* target, ULARGE_INTEGER cb, ULARGE_INTEGER* pcbRead,
                                           ULARGE_INTEGER* pcbWritten) = 0;
  virtual HRESULT STDMETHODCALLTYPE Commit(DWORD commitFlags) = 0;
  virtual HRESULT STDMETHODCALLTYPE Revert() = 0;
  virtual HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER cb, DWORD lockType) = 0;
  virtual HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER cb, DWORD lockType) = 0;
  virtual HRESULT STDMETHODCALLTYPE Stat(STATSTG* statstg, DWORD statFlag) = 0;
  virtual HRESULT STDMETHODCALLTYPE Clone(IStream** ppstm) = 0;

 protected:
  ~IStream() = default;
};
using LPSTREAM = IStream*;
inline constexpr const IID& IID_ISequentialStream = ISequentialStream::kIid;
inline constexpr const IID& IID_IStream = IStream::kIid;

// A stream in memory. Only a null hGlobal is supported: the stream allocates
// its own growable buffer, freed with the last reference (the buffer is
// never shared, so deleteOnRelease changes nothing observable).
HRESULT CreateStreamOnHGlobal(HGLOBAL hGlobal, BOOL deleteOnRelease, LPSTREAM* ppstm);

// A stream on a file. STGM_CREATE creates or truncates; otherwise the file
// must exist (STG_E_FILENOTFOUND). STGM_READ streams refuse writes.
HRESULT SHCreateStreamOnFileW(LPCWSTR path, DWORD grfMode, IStream** ppstm);

namespace com {
// Copies up to cb bytes from the current position of src to dst, through a
// bounded buffer; for CopyTo implementations.
HRESULT CopyStream(IStream* src, IStream* dst, ULONGLONG cb, ULONGLONG* read, ULONGLONG* written);
// A name for STATSTG, allocated with CoTaskMemAlloc.
LPOLESTR TaskMemString(const std::u16string& s);
}  // namespace com
