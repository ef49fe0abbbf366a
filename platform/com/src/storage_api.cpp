#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "com/com.h"
#include "storage_object.h"
#include "win32/path.h"

namespace com {
namespace {

namespace fs = std::filesystem;

HRESULT ReadFileBytes(const fs::path& p, Bytes* out) {
  std::error_code ec;
  if (!fs::exists(p, ec)) return fs::is_directory(p.parent_path(), ec) ? STG_E_FILENOTFOUND : STG_E_PATHNOTFOUND;
  if (fs::is_directory(p, ec)) return STG_E_ACCESSDENIED;
  std::ifstream in(p, std::ios::binary);
  if (!in) return STG_E_ACCESSDENIED;
  out->assign(std::istreambuf_iterator<char>(in), {});
  return in.bad() ? STG_E_READFAULT : S_OK;
}

HRESULT ReadStreamBytes(IStream* s, Bytes* out) {
  LARGE_INTEGER zero{};
  HRESULT hr = s->Seek(zero, STREAM_SEEK_SET, nullptr);
  BYTE buf[64 * 1024];
  ULONG got = 0;
  while (SUCCEEDED(hr) && SUCCEEDED(hr = s->Read(buf, sizeof buf, &got)) && got) out->insert(out->end(), buf, buf + got);
  return FAILED(hr) ? hr : S_OK;
}

HRESULT Hand(std::shared_ptr<Document> doc, IStorage** ppstg) {
  const bool writable = doc->writable;
  *ppstg = MakeStorage(std::move(doc), nullptr, writable).Detach();
  return S_OK;
}

}  // namespace

HRESULT CreateDocfileStream(IStorage* stg, IStream** ppstm) {
  if (!stg || !ppstm) return E_INVALIDARG;
  *ppstm = nullptr;
  ComPtr<IStorage> copy;
  HRESULT hr = StgCreateDocfile(nullptr, STGM_CREATE | STGM_READWRITE, 0, copy.ReleaseAndGetAddressOf());
  if (SUCCEEDED(hr)) hr = stg->CopyTo(0, nullptr, nullptr, copy.Get());
  if (FAILED(hr)) return hr;
  auto bytes = std::make_shared<Bytes>();
  hr = SerializeTree(*TreeOf(copy.Get()), bytes.get());
  if (FAILED(hr)) return hr;
  *ppstm = MakeMemoryStream(std::move(bytes), true, {}).Detach();
  return S_OK;
}

HRESULT OpenStorageOnStream(IStream* stream, DWORD mode, IStorage** ppstg) {
  if (!stream || !ppstg) return E_INVALIDARG;
  *ppstg = nullptr;
  auto doc = std::make_shared<Document>();
  doc->backing = Document::Backing::Stream;
  doc->stream = stream;
  doc->writable = false;  // until the tree is read: a failed open writes nothing
  HRESULT hr = ReadStreamBytes(stream, &doc->committed);
  if (SUCCEEDED(hr)) hr = ParseTree(doc->committed, &doc->root);
  if (FAILED(hr)) return hr;
  doc->writable = (mode & 3) != STGM_READ;
  doc->transacted = (mode & STGM_TRANSACTED) != 0;
  return Hand(std::move(doc), ppstg);
}

}  // namespace com

HRESULT StgCreateDocfile(LPCOLESTR name, DWORD mode, DWORD, IStorage** ppstg) {
  if (!ppstg) return STG_E_INVALIDPOINTER;
  *ppstg = nullptr;
  if ((mode & 3) == STGM_READ) return STG_E_INVALIDFLAG;
  auto doc = std::make_shared<com::Document>();
  doc->transacted = (mode & STGM_TRANSACTED) != 0;
  if (name) {
    namespace fs = std::filesystem;
    doc->backing = com::Document::Backing::File;
    doc->file = win32::MapPath(name);
    doc->displayName = name;
    std::error_code ec;
    if (!fs::is_directory(doc->file.parent_path().empty() ? "." : doc->file.parent_path(), ec))
      return STG_E_PATHNOTFOUND;
    if (fs::exists(doc->file, ec) && !(mode & STGM_CREATE)) return STG_E_FILEALREADYEXISTS;
    if (fs::is_directory(doc->file, ec)) return STG_E_ACCESSDENIED;
    if (!doc->transacted) {
      if (HRESULT hr = doc->Save(); FAILED(hr)) {
        doc->writable = false;
        return hr;
      }
    }
  }
  return com::Hand(std::move(doc), ppstg);
}

HRESULT StgOpenStorage(LPCOLESTR name, IStorage*, DWORD mode, SNB, DWORD, IStorage** ppstg) {
  if (!ppstg) return STG_E_INVALIDPOINTER;
  *ppstg = nullptr;
  if (!name) return STG_E_INVALIDNAME;
  auto doc = std::make_shared<com::Document>();
  doc->backing = com::Document::Backing::File;
  doc->file = win32::MapPath(name);
  doc->displayName = name;
  doc->writable = false;
  HRESULT hr = com::ReadFileBytes(doc->file, &doc->committed);
  if (SUCCEEDED(hr)) hr = com::ParseTree(doc->committed, &doc->root);
  if (FAILED(hr)) return hr;
  doc->writable = (mode & 3) != STGM_READ;
  doc->transacted = (mode & STGM_TRANSACTED) != 0;
  return com::Hand(std::move(doc), ppstg);
}

HRESULT StgIsStorageFile(LPCOLESTR name) {
  static constexpr BYTE kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  if (!name) return STG_E_INVALIDNAME;
  std::ifstream in(win32::MapPath(name), std::ios::binary);
  if (!in) return STG_E_FILENOTFOUND;
  char head[8] = {};
  in.read(head, 8);
  return in.gcount() == 8 && std::memcmp(head, kSignature, 8) == 0 ? S_OK : S_FALSE;
}

HRESULT WriteClassStg(IStorage* stg, REFCLSID clsid) {
  if (!stg) return E_INVALIDARG;
  return stg->SetClass(clsid);
}

HRESULT ReadClassStg(IStorage* stg, CLSID* clsid) {
  if (!stg || !clsid) return E_INVALIDARG;
  STATSTG st;
  HRESULT hr = stg->Stat(&st, STATFLAG_NONAME);
  *clsid = SUCCEEDED(hr) ? st.clsid : GUID_NULL;
  return hr;
}
