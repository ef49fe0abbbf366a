// IUnknown, the ComPtr<T> holder and the base for objects that implement
// several interfaces.
#pragma once

#include <atomic>
#include <utility>

#include "win32/errors.h"
#include "win32/types.h"

// Interfaces are abstract classes; each names its own identifier as kIid so
// that ComPtr and ComObject can ask for it without a lookup table.
struct IUnknown {
  static constexpr IID kIid = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
  virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) = 0;
  virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
  virtual ULONG STDMETHODCALLTYPE Release() = 0;

 protected:
  ~IUnknown() = default;
};
using LPUNKNOWN = IUnknown*;
inline constexpr const IID& IID_IUnknown = IUnknown::kIid;

// The identifier of interface T.
template <class T>
constexpr const IID& IidOf() {
  return T::kIid;
}

// Owns one reference of a COM object. Every reference outside the objects'
// own implementation goes through one of these.
template <class T>
class ComPtr {
 public:
  ComPtr() noexcept = default;
  ComPtr(std::nullptr_t) noexcept {}
  // Takes a new reference on p.
  ComPtr(T* p) noexcept : p_(p) {
    if (p_) p_->AddRef();
  }
  ComPtr(const ComPtr& o) noexcept : ComPtr(o.p_) {}
  ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  template <class U>
  ComPtr(const ComPtr<U>& o) noexcept : ComPtr(static_cast<T*>(o.Get())) {}
  ~ComPtr() { Reset(); }

  ComPtr& operator=(ComPtr o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }

  // Adopts a reference that the caller already owns (as an out parameter
  // delivers it).
  static ComPtr Attach(T* p) noexcept {
    ComPtr c;
    c.p_ = p;
    return c;
  }
  // Gives up the reference without releasing it.
  T* Detach() noexcept { return std::exchange(p_, nullptr); }
  void Reset() noexcept {
    if (T* p = std::exchange(p_, nullptr)) p->Release();
  }

  T* Get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  T& operator*() const noexcept { return *p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }

  // For out parameters: releases what is held and returns the slot.
  T** ReleaseAndGetAddressOf() noexcept {
    Reset();
    return &p_;
  }
  void** ReleaseAndGetAddressOfVoid() noexcept { return reinterpret_cast<void**>(ReleaseAndGetAddressOf()); }

  // Hands a new reference to an out parameter.
  HRESULT CopyTo(T** out) const noexcept {
    if (!out) return E_POINTER;
    *out = p_;
    if (p_) p_->AddRef();
    return S_OK;
  }

  template <class U>
  HRESULT As(ComPtr<U>* out) const noexcept {
    if (!p_) return E_POINTER;
    return p_->QueryInterface(IidOf<U>(), out->ReleaseAndGetAddressOfVoid());
  }
  template <class U>
  ComPtr<U> As() const noexcept {
    ComPtr<U> out;
    As(&out);
    return out;
  }

  friend bool operator==(const ComPtr& a, const ComPtr& b) noexcept { return a.p_ == b.p_; }
  friend bool operator==(const ComPtr& a, std::nullptr_t) noexcept { return a.p_ == nullptr; }

 private:
  T* p_ = nullptr;
};

namespace com {

template <class I, class... Rest>
struct FirstOf {
  using type = I;
};

// True when interface I or one of its bases has identifier iid. The chain of
// bases is given by each interface's `Base` alias (IUnknown has none).
template <class I>
bool InChain(REFIID iid) {
  if (iid == I::kIid) return true;
  if constexpr (requires { typename I::Base; })
    return InChain<typename I::Base>(iid);
  else
    return false;
}

// Implements IUnknown for a class deriving from the interfaces Is...:
// QueryInterface answers every interface of each chain, the count is atomic,
// and the last Release deletes the object.
//
//   class Stream final : public com::ComObject<IStream> { ... };
//   ComPtr<IStream> s = com::Make<Stream>(args...);
template <class... Is>
class ComObject : public Is... {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IUnknown) {
      *ppv = static_cast<IUnknown*>(static_cast<typename FirstOf<Is...>::type*>(this));
    } else {
      (void)(... || Probe<Is>(riid, ppv));
      if (!*ppv) *ppv = QueryExtra(riid);
    }
    if (!*ppv) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  ComObject() = default;
  virtual ~ComObject() = default;
  // For identifiers beyond the chains (an alias id); no reference taken.
  virtual void* QueryExtra(REFIID) { return nullptr; }

 private:
  template <class I>
  bool Probe(REFIID riid, void** ppv) {
    if (!InChain<I>(riid)) return false;
    *ppv = static_cast<I*>(this);
    return true;
  }
  std::atomic<ULONG> refs_{1};
};

// Creates a ComObject-derived object holding its first reference.
template <class T, class... Args>
ComPtr<T> Make(Args&&... args) {
  return ComPtr<T>::Attach(new T(std::forward<Args>(args)...));
}

}  // namespace com
