#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "com/com.h"
#include "compound_tree.h"
#include "win32/path.h"
#include "win32/text.h"

namespace com {
namespace {

namespace fs = std::filesystem;

// Lets CopyTo recognise one of our own storages behind an IStorage pointer.
constexpr IID kIidOwnStorage = {0x6b1f3a52, 0x8c2d, 0x4e61, {0x9a, 0x7e, 0x31, 0x0c, 0x55, 0xd2, 0x84, 0x19}};

HRESULT FromErrno(int err) {
  switch (err) {
    case ENOENT: return STG_E_FILENOTFOUND;
    case ENOTDIR: return STG_E_PATHNOTFOUND;
    case EACCES:
    case EPERM:
    case EROFS: return STG_E_ACCESSDENIED;
    case ENOSPC: return STG_E_MEDIUMFULL;
    default: return STG_E_WRITEFAULT;
  }
}

std::shared_ptr<Node> EmptyRoot() {
  auto n = std::make_shared<Node>();
  n->storage = true;
  return n;
}

// The file, stream or nothing that one docfile lives in.
struct Document {
  enum class Backing { Memory, File, Stream };
  Backing backing = Backing::Memory;
  fs::path file;
  ComPtr<IStream> stream;
  std::u16string displayName;
  bool writable = true;
  bool transacted = false;
  std::shared_ptr<Node> root = EmptyRoot();
  Bytes committed;  // the bytes of the last commit or open, for Revert

  ~Document() {
    if (writable && !transacted) Save();
  }

  HRESULT Save() {
    Bytes bytes;
    HRESULT hr = SerializeTree(*root, &bytes);
    if (FAILED(hr)) return hr;
    switch (backing) {
      case Backing::Memory: break;
      case Backing::File: hr = WriteFile(bytes); break;
      case Backing::Stream: hr = WriteStream(bytes); break;
    }
    if (SUCCEEDED(hr) && transacted) committed = std::move(bytes);
    return hr;
  }

  HRESULT Revert() {
    if (committed.empty()) {
      root = EmptyRoot();
      return S_OK;
    }
    return ParseTree(committed, &root);
  }

  // A temporary file beside the target, renamed over it: a reader never
  // sees half a docfile and a failed write leaves the old file.
  HRESULT WriteFile(const Bytes& bytes) const {
    std::string tmp = file.string() + ".~XXXXXX";
    int fd = ::mkstemp(tmp.data());
    if (fd < 0) return FromErrno(errno);
    size_t done = 0;
    while (done < bytes.size()) {
      ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) break;
      done += static_cast<size_t>(n);
    }
    const int err = done == bytes.size() ? 0 : errno;
    if (::fchmod(fd, 0644) != 0 || ::close(fd) != 0 || err != 0 || ::rename(tmp.c_str(), file.c_str()) != 0) {
      HRESULT hr = FromErrno(err ? err : errno);
      ::unlink(tmp.c_str());
      return hr;
    }
    return S_OK;
  }

  HRESULT WriteStream(const Bytes& bytes) const {
    LARGE_INTEGER zero{};
    ULARGE_INTEGER size{};
    size.QuadPart = 0;
    HRESULT hr = stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    if (SUCCEEDED(hr)) hr = stream->SetSize(size);
    for (size_t done = 0; SUCCEEDED(hr) && done < bytes.size();) {
      ULONG n = static_cast<ULONG>(std::min<size_t>(bytes.size() - done, 1u << 30));
      hr = stream->Write(bytes.data() + done, n, nullptr);
      done += n;
    }
    return SUCCEEDED(hr) ? stream->Commit(STGC_DEFAULT) : hr;
  }
};

class Enumerator final : public ComObject<IEnumSTATSTG> {
 public:
  explicit Enumerator(std::vector<std::shared_ptr<Node>> items) : items_(std::move(items)) {}

  HRESULT STDMETHODCALLTYPE Next(ULONG celt, STATSTG* rgelt, ULONG* fetched) override {
    if (!rgelt) return STG_E_INVALIDPOINTER;
    ULONG n = 0;
    for (; n < celt && at_ < items_.size(); ++n, ++at_) {
      const Node& node = *items_[at_];
      STATSTG& st = rgelt[n];
      st = STATSTG{};
      st.pwcsName = TaskMemString(node.name);
      st.type = node.storage ? STGTY_STORAGE : STGTY_STREAM;
      st.cbSize.QuadPart = node.storage ? 0 : node.data->size();
      st.clsid = node.clsid;
      st.grfStateBits = node.stateBits;
    }
    if (fetched) *fetched = n;
    return n == celt ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG celt) override {
    size_t left = items_.size() - at_;
    at_ += std::min<size_t>(celt, left);
    return celt <= left ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    at_ = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IEnumSTATSTG** ppenum) override {
    if (!ppenum) return STG_E_INVALIDPOINTER;
    auto copy = Make<Enumerator>(items_);
    copy->at_ = at_;
    *ppenum = copy.Detach();
    return S_OK;
  }

 private:
  std::vector<std::shared_ptr<Node>> items_;
  size_t at_ = 0;
};

bool Excluded(SNB exclude, std::u16string_view name) {
  for (SNB p = exclude; p && *p; ++p)
    if (SameElementName(*p, name)) return true;
  return false;
}

bool Contains(const Node& tree, const Node* target) {
  if (&tree == target) return true;
  for (const auto& c : tree.children)
    if (c->storage && Contains(*c, target)) return true;
  return false;
}

HRESULT WriteWhole(IStream* s, const Bytes& data) {
  for (size_t done = 0; done < data.size();) {
    ULONG n = static_cast<ULONG>(std::min<size_t>(data.size() - done, 1u << 30));
    HRESULT hr = s->Write(data.data() + done, n, nullptr);
    if (FAILED(hr)) return hr;
    done += n;
  }
  return S_OK;
}

constexpr DWORD kChildMode = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;

// Copies the tree element by element through dest's own interface, so any
// IStorage can receive it.
HRESULT CopyTree(const Node& src, IStorage* dest, bool streams, bool storages, SNB exclude) {
  HRESULT hr = dest->SetClass(src.clsid);
  if (FAILED(hr)) return hr;
  const auto children = src.children;  // dest may be src itself
  for (const auto& child : children) {
    if (Excluded(exclude, child->name)) continue;
    if (!child->storage && streams) {
      ComPtr<IStream> s;
      hr = dest->CreateStream(child->name.c_str(), kChildMode | STGM_CREATE, 0, 0, s.ReleaseAndGetAddressOf());
      if (SUCCEEDED(hr)) hr = WriteWhole(s.Get(), *child->data);
    } else if (child->storage && storages) {
      ComPtr<IStorage> sub;
      hr = dest->OpenStorage(child->name.c_str(), nullptr, kChildMode, nullptr, 0, sub.ReleaseAndGetAddressOf());
      if (FAILED(hr))
        hr = dest->CreateStorage(child->name.c_str(), kChildMode | STGM_CREATE, 0, 0, sub.ReleaseAndGetAddressOf());
      if (SUCCEEDED(hr)) hr = CopyTree(*child, sub.Get(), true, true, nullptr);
      if (SUCCEEDED(hr)) hr = sub->Commit(STGC_DEFAULT);
    }
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

class Storage final : public ComObject<IStorage> {
 public:
  Storage(std::shared_ptr<Document> doc, std::shared_ptr<Node> node, bool writable)
      : doc_(std::move(doc)), node_(std::move(node)), writable_(writable) {}

  HRESULT STDMETHODCALLTYPE CreateStream(LPCOLESTR name, DWORD mode, DWORD, DWORD, IStream** ppstm) override {
    if (!ppstm) return STG_E_INVALIDPOINTER;
    *ppstm = nullptr;
    std::shared_ptr<Node> n;
    HRESULT hr = AddElement(name, mode, false, &n);
    if (SUCCEEDED(hr)) *ppstm = MakeMemoryStream(n->data, true, n->name).Detach();
    return hr;
  }

  HRESULT STDMETHODCALLTYPE OpenStream(LPCOLESTR name, void*, DWORD mode, DWORD, IStream** ppstm) override {
    if (!ppstm) return STG_E_INVALIDPOINTER;
    *ppstm = nullptr;
    if (!name) return STG_E_INVALIDPOINTER;
    auto n = Dir().Find(name);
    if (!n || n->storage) return STG_E_FILENOTFOUND;
    if ((mode & 3) != STGM_READ && !writable_) return STG_E_ACCESSDENIED;
    *ppstm = MakeMemoryStream(n->data, (mode & 3) != STGM_READ, n->name).Detach();
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE CreateStorage(LPCOLESTR name, DWORD mode, DWORD, DWORD, IStorage** ppstg) override {
    if (!ppstg) return STG_E_INVALIDPOINTER;
    *ppstg = nullptr;
    std::shared_ptr<Node> n;
    HRESULT hr = AddElement(name, mode, true, &n);
    if (SUCCEEDED(hr)) *ppstg = Make<Storage>(doc_, n, true).Detach();
    return hr;
  }

  HRESULT STDMETHODCALLTYPE OpenStorage(LPCOLESTR name, IStorage*, DWORD mode, SNB, DWORD,
                                        IStorage** ppstg) override {
    if (!ppstg) return STG_E_INVALIDPOINTER;
    *ppstg = nullptr;
    if (!name) return STG_E_INVALIDPOINTER;
    auto n = Dir().Find(name);
    if (!n || !n->storage) return STG_E_FILENOTFOUND;
    if ((mode & 3) != STGM_READ && !writable_) return STG_E_ACCESSDENIED;
    *ppstg = Make<Storage>(doc_, n, (mode & 3) != STGM_READ).Detach();
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE CopyTo(DWORD ciidExclude, const IID* rgiidExclude, SNB exclude,
                                   IStorage* dest) override {
    if (!dest) return STG_E_INVALIDPOINTER;
    bool streams = true, storages = true;
    for (DWORD i = 0; rgiidExclude && i < ciidExclude; ++i) {
      if (rgiidExclude[i] == IID_IStream) streams = false;
      if (rgiidExclude[i] == IID_IStorage) storages = false;
    }
    void* own = nullptr;
    if (SUCCEEDED(dest->QueryInterface(kIidOwnStorage, &own))) {
      auto* target = static_cast<Storage*>(own);
      bool inside = &target->Dir() != &Dir() && Contains(Dir(), &target->Dir());
      target->Release();
      if (inside) return STG_E_ACCESSDENIED;  // would copy into itself without end
    }
    return CopyTree(Dir(), dest, streams, storages, exclude);
  }

  HRESULT STDMETHODCALLTYPE MoveElementTo(LPCOLESTR, IStorage*, LPCOLESTR, DWORD) override {
    return STG_E_UNIMPLEMENTEDFUNCTION;
  }

  HRESULT STDMETHODCALLTYPE Commit(DWORD) override {
    // Sub-storages share the document's tree; only the root writes it out.
    if (node_ || !doc_->writable) return S_OK;
    return doc_->Save();
  }

  HRESULT STDMETHODCALLTYPE Revert() override {
    if (node_ || !doc_->transacted) return S_OK;
    return doc_->Revert();
  }

  HRESULT STDMETHODCALLTYPE EnumElements(DWORD, void*, DWORD, IEnumSTATSTG** ppenum) override {
    if (!ppenum) return STG_E_INVALIDPOINTER;
    *ppenum = Make<Enumerator>(Dir().children).Detach();
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE DestroyElement(LPCOLESTR name) override {
    if (!name) return STG_E_INVALIDPOINTER;
    if (!writable_) return STG_E_ACCESSDENIED;
    auto n = Dir().Find(name);
    if (!n) return STG_E_FILENOTFOUND;
    Dir().Remove(n.get());
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE RenameElement(LPCOLESTR oldName, LPCOLESTR newName) override {
    if (!oldName) return STG_E_INVALIDPOINTER;
    if (!writable_) return STG_E_ACCESSDENIED;
    if (HRESULT hr = CheckElementName(newName); FAILED(hr)) return hr;
    auto n = Dir().Find(oldName);
    if (!n) return STG_E_FILENOTFOUND;
    if (auto other = Dir().Find(newName); other && other != n) return STG_E_FILEALREADYEXISTS;
    n->name = newName;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE SetElementTimes(LPCOLESTR, const FILETIME*, const FILETIME*,
                                            const FILETIME*) override {
    return S_OK;  // the file records no times
  }

  HRESULT STDMETHODCALLTYPE SetClass(REFCLSID clsid) override {
    if (!writable_) return STG_E_ACCESSDENIED;
    Dir().clsid = clsid;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE SetStateBits(DWORD bits, DWORD mask) override {
    if (!writable_) return STG_E_ACCESSDENIED;
    Dir().stateBits = (Dir().stateBits & ~mask) | (bits & mask);
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE Stat(STATSTG* st, DWORD flag) override {
    if (!st) return STG_E_INVALIDPOINTER;
    *st = STATSTG{};
    st->type = STGTY_STORAGE;
    st->clsid = Dir().clsid;
    st->grfStateBits = Dir().stateBits;
    st->grfMode = (writable_ ? STGM_READWRITE : STGM_READ) | (doc_->transacted ? STGM_TRANSACTED : 0);
    const std::u16string& name = node_ ? node_->name : doc_->displayName;
    if (!(flag & STATFLAG_NONAME) && !name.empty()) {
      st->pwcsName = TaskMemString(name);
      if (!st->pwcsName) return STG_E_INSUFFICIENTMEMORY;
    }
    return S_OK;
  }

  Node& Dir() const { return node_ ? *node_ : *doc_->root; }

 protected:
  void* QueryExtra(REFIID riid) override {
    return riid == kIidOwnStorage ? static_cast<IStorage*>(this) : nullptr;
  }

 private:
  HRESULT AddElement(LPCOLESTR name, DWORD mode, bool storage, std::shared_ptr<Node>* out) {
    if (!writable_) return STG_E_ACCESSDENIED;
    if (HRESULT hr = CheckElementName(name); FAILED(hr)) return hr;
    if (auto existing = Dir().Find(name)) {
      if (!(mode & STGM_CREATE)) return STG_E_FILEALREADYEXISTS;
      Dir().Remove(existing.get());
    }
    auto n = std::make_shared<Node>();
    n->storage = storage;
    n->name = name;
    Dir().children.push_back(n);
    *out = std::move(n);
    return S_OK;
  }

  std::shared_ptr<Document> doc_;
  std::shared_ptr<Node> node_;  // null: the document's root (which Revert may replace)
  bool writable_;
};

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
  *ppstg = Make<Storage>(std::move(doc), nullptr, writable).Detach();
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
  hr = SerializeTree(static_cast<Storage*>(copy.Get())->Dir(), bytes.get());
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
