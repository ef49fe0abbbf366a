// IStorage over OLE compound files (docfiles) and the functions that create,
// open and label them.
#pragma once

#include "com/stream.h"

using SNB = LPOLESTR*;  // null-terminated array of element names

struct IEnumSTATSTG : IUnknown {
  using Base = IUnknown;
  static constexpr IID kIid = {0x0000000d, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
  virtual HRESULT STDMETHODCALLTYPE Next(ULONG celt, STATSTG* rgelt, ULONG* pceltFetched) = 0;
  virtual HRESULT STDMETHODCALLTYPE Skip(ULONG celt) = 0;
  virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
  virtual HRESULT STDMETHODCALLTYPE Clone(IEnumSTATSTG** ppenum) = 0;

 protected:
  ~IEnumSTATSTG() = default;
};
inline constexpr const IID& IID_IEnumSTATSTG = IEnumSTATSTG::kIid;

struct IStorage : IUnknown {
  using Base = IUnknown;
  static constexpr IID kIid = {0x0000000b, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
  virtual HRESULT STDMETHODCALLTYPE CreateStream(LPCOLESTR name, DWORD mode, DWORD reserved1, DWORD reserved2,
                                                 IStream** ppstm) = 0;
  virtual HRESULT STDMETHODCALLTYPE OpenStream(LPCOLESTR name, void* reserved1, DWORD mode, DWORD reserved2,
                                               IStream** ppstm) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateStorage(LPCOLESTR name, DWORD mode, DWORD reserved1, DWORD reserved2,
                                                  IStorage** ppstg) = 0;
  virtual HRESULT STDMETHODCALLTYPE OpenStorage(LPCOLESTR name, IStorage* priority, DWORD mode, SNB exclude,
                                                DWORD reserved, IStorage** ppstg) = 0;
  // Copies every element (and the class id) into dest, except the named
  // elements of exclude and, when IID_IStream or IID_IStorage is among the
  // excluded interfaces, every stream or sub-storage.
  virtual HRESULT STDMETHODCALLTYPE CopyTo(DWORD ciidExclude, const IID* rgiidExclude, SNB exclude,
                                           IStorage* dest) = 0;
  virtual HRESULT STDMETHODCALLTYPE MoveElementTo(LPCOLESTR name, IStorage* dest, LPCOLESTR newName,
                                                  DWORD flags) = 0;
  virtual HRESULT STDMETHODCALLTYPE Commit(DWORD commitFlags) = 0;
  virtual HRESULT STDMETHODCALLTYPE Revert() = 0;
  virtual HRESULT STDMETHODCALLTYPE EnumElements(DWORD reserved1, void* reserved2, DWORD reserved3,
                                                 IEnumSTATSTG** ppenum) = 0;
  virtual HRESULT STDMETHODCALLTYPE DestroyElement(LPCOLESTR name) = 0;
  virtual HRESULT STDMETHODCALLTYPE RenameElement(LPCOLESTR oldName, LPCOLESTR newName) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetElementTimes(LPCOLESTR name, const FILETIME* ctime, const FILETIME* atime,
                                                    const FILETIME* mtime) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetClass(REFCLSID clsid) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetStateBits(DWORD stateBits, DWORD mask) = 0;
  virtual HRESULT STDMETHODCALLTYPE Stat(STATSTG* statstg, DWORD statFlag) = 0;

 protected:
  ~IStorage() = default;
};
using LPSTORAGE = IStorage*;
inline constexpr const IID& IID_IStorage = IStorage::kIid;

// Asks for an OLE object's compound file as one stream of its bytes.
inline constexpr IID IID_IStreamDocfile = {0x0002030A, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// Element names: 1 to 31 characters, none of "\ / : !"; unique within a
// storage regardless of letter case. Longer or repeated names are refused
// (STG_E_INVALIDNAME, STG_E_FILEALREADYEXISTS) rather than written.
constexpr size_t kMaxElementName = 31;

// Creates a docfile. STGM_CREATE replaces an existing file, otherwise an
// existing file gives STG_E_FILEALREADYEXISTS. With STGM_TRANSACTED nothing
// reaches the disk before the root's Commit, and releasing it uncommitted
// leaves any previous file as it was. A null name keeps the docfile in memory.
HRESULT StgCreateDocfile(LPCOLESTR name, DWORD mode, DWORD reserved, IStorage** ppstg);
HRESULT StgOpenStorage(LPCOLESTR name, IStorage* priority, DWORD mode, SNB exclude, DWORD reserved,
                       IStorage** ppstg);
// S_OK for a docfile, S_FALSE for another file, STG_E_FILENOTFOUND.
HRESULT StgIsStorageFile(LPCOLESTR name);
HRESULT WriteClassStg(IStorage* stg, REFCLSID clsid);
HRESULT ReadClassStg(IStorage* stg, CLSID* clsid);

namespace com {
// The compound file holding a copy of stg, as a memory stream at offset 0
// (what IID_IStreamDocfile hands out).
HRESULT CreateDocfileStream(IStorage* stg, IStream** ppstm);
// A storage read from the compound file bytes of a stream; with write access
// its Commit rewrites the stream.
HRESULT OpenStorageOnStream(IStream* stream, DWORD mode, IStorage** ppstg);
}  // namespace com
