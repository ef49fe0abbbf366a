#include "storage_object.h"

#include <algorithm>

#include "com/com.h"

namespace com {
namespace {

// Lets CopyTo recognise one of our own storages behind an IStorage pointer.
constexpr IID kIidOwnStorage = {0x6b1f3a52, 0x8c2d, 0x4e61, {0x9a, 0x7e, 0x31, 0x0c, 0x55, 0xd2, 0x84, 0x19}};

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

  Node& Dir() const { return node_ ? *node_ : *doc_->root; }

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
    if (const Node* target = TreeOf(dest); target && target != &Dir() && Contains(Dir(), target))
      return STG_E_ACCESSDENIED;  // would copy into itself without end
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

}  // namespace

ComPtr<IStorage> MakeStorage(std::shared_ptr<Document> doc, std::shared_ptr<Node> node, bool writable) {
  return Make<Storage>(std::move(doc), std::move(node), writable);
}

const Node* TreeOf(IStorage* stg) {
  void* own = nullptr;
  if (!stg || FAILED(stg->QueryInterface(kIidOwnStorage, &own))) return nullptr;
  auto* s = static_cast<Storage*>(static_cast<IStorage*>(own));
  const Node* tree = &s->Dir();
  s->Release();
  return tree;
}

}  // namespace com
