// The property bag: an object's properties by id, its named-property map,
// and the IMAPIProp calls over them (GetProps with a tag list or for all,
// SetProps, DeleteProps, GetPropList, GetNamesFromIDs, GetIDsFromNames,
// OpenProperty of string and binary values as streams). Providers derive
// their objects from mapi::PropObject<Interface> and fill the bag, at once
// or on first use through Load().
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "com/unknown.h"
#include "mapi/interfaces.h"
#include "mapi/props.h"

namespace mapi {

// A property name: a set GUID and a numeric id (MNID_ID) or a name
// (MNID_STRING).
struct PropName {
  GUID guid{};
  ULONG kind = MNID_ID;
  LONG id = 0;
  std::u16string name;
  friend bool operator<(const PropName& a, const PropName& b);
  friend bool operator==(const PropName& a, const PropName& b);
};

// Named properties of one store: ids from 0x8000 up, each with its name.
// Shared by the store's objects; ids are given out in order of first use.
class NameMap {
 public:
  // The id of name, or 0 when it has none and create is false.
  ULONG IdOf(const PropName& name, bool create);
  // Binds a name to a fixed id (a file's own name-to-id map).
  void Bind(ULONG id, const PropName& name);
  const PropName* NameOf(ULONG id) const;
  // f(id, name) for every name, in id order.
  template <class F>
  void ForEach(F&& f) const {
    for (const auto& [id, name] : names_) f(id, name);
  }

 private:
  std::map<PropName, ULONG> ids_;
  std::map<ULONG, PropName> names_;
  ULONG next_ = 0x8000;
};

// Properties by id (one type per id), in id order.
class PropMap {
 public:
  PropMap() = default;
  PropMap(const PropMap& o) { o.ForEach([this](const SPropValue& v) { Set(v); }); }
  PropMap& operator=(const PropMap& o) {
    if (this != &o) {
      props_.clear();
      o.ForEach([this](const SPropValue& v) { Set(v); });
    }
    return *this;
  }
  PropMap(PropMap&&) noexcept = default;
  PropMap& operator=(PropMap&&) noexcept = default;
  void Set(const SPropValue& v);
  void Set(Prop v);
  const SPropValue* Find(ULONG tag) const;  // by the tag's id
  bool Erase(ULONG tag);
  size_t size() const { return props_.size(); }
  template <class F>
  void ForEach(F&& f) const {
    for (const auto& [id, v] : props_) f(*v);
  }

 private:
  std::map<ULONG, Prop> props_;
};

// Answers a GetProps call from a map: the values in request order (all
// properties when tags is null) in one MAPI buffer.
HRESULT GetPropsFrom(const PropMap& props, const SPropTagArray* tags, ULONG flags, UINT codepage, ULONG* count,
                     LPSPropValue* values);

// Implements IMAPIProp (and the base of every MAPI object here) over a
// PropMap. I is the object's main interface, Extra... further interfaces.
template <class I, class... Extra>
class PropObject : public com::ComObject<I, Extra...> {
 public:
  HRESULT STDMETHODCALLTYPE GetLastError(HRESULT, ULONG, LPMAPIERROR* err) override {
    if (err) *err = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SaveChanges(ULONG) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetProps(LPSPropTagArray tags, ULONG flags, ULONG* count,
                                     LPSPropValue* values) override {
    if (!count || !values) return MAPI_E_INVALID_PARAMETER;
    *count = 0;
    *values = nullptr;
    if (HRESULT hr = Ready(); FAILED(hr)) return hr;
    return GetPropsFrom(props_, tags, flags, codepage_, count, values);
  }
  HRESULT STDMETHODCALLTYPE GetPropList(ULONG flags, LPSPropTagArray* tags) override;
  HRESULT STDMETHODCALLTYPE OpenProperty(ULONG tag, LPCIID iid, ULONG options, ULONG flags,
                                         LPUNKNOWN* unk) override;
  HRESULT STDMETHODCALLTYPE SetProps(ULONG count, LPSPropValue values, LPSPropProblemArray* problems) override;
  HRESULT STDMETHODCALLTYPE DeleteProps(LPSPropTagArray tags, LPSPropProblemArray* problems) override;
  HRESULT STDMETHODCALLTYPE CopyTo(ULONG ciidExclude, LPCIID rgiidExclude, LPSPropTagArray exclude, ULONG_PTR,
                                   LPMAPIPROGRESS, LPCIID iid, LPVOID dest, ULONG flags,
                                   LPSPropProblemArray* problems) override;
  HRESULT STDMETHODCALLTYPE CopyProps(LPSPropTagArray include, ULONG_PTR, LPMAPIPROGRESS, LPCIID iid,
                                      LPVOID dest, ULONG flags, LPSPropProblemArray* problems) override;
  HRESULT STDMETHODCALLTYPE GetNamesFromIDs(LPSPropTagArray* tags, LPGUID guid, ULONG flags, ULONG* count,
                                            LPMAPINAMEID** names) override;
  HRESULT STDMETHODCALLTYPE GetIDsFromNames(ULONG count, LPMAPINAMEID* names, ULONG flags,
                                            LPSPropTagArray* tags) override;

  PropMap& props() { return props_; }
  const PropMap& props() const { return props_; }
  void SetNameMap(std::shared_ptr<NameMap> names) { names_ = std::move(names); }
  void SetCodePage(UINT cp) { codepage_ = cp; }
  UINT codepage() const { return codepage_; }

 protected:
  PropObject() = default;
  // Fills props() on first use (a provider reading lazily); a failure is
  // the answer of every call that needs the properties.
  virtual HRESULT Load() { return S_OK; }
  // Opens a PT_OBJECT property (tables, embedded messages); the default
  // serves string and binary values as read-only streams.
  virtual HRESULT OpenObject(ULONG tag, REFIID iid, ULONG flags, LPUNKNOWN* unk);
  // What CopyTo copies beyond properties (recipients, attachments, an
  // attachment's object) into dest, which is an `iid`; the default copies
  // nothing more. exclude is CopyTo's list (PR_MESSAGE_RECIPIENTS and the
  // like leave a part out).
  virtual HRESULT CopyContentsTo(LPVOID, REFIID, const SPropTagArray*) { return S_OK; }
  HRESULT Ready() {
    if (!loaded_) {
      loaded_status_ = Load();
      loaded_ = true;
    }
    return loaded_status_;
  }
  NameMap* names() { return names_.get(); }

 private:
  PropMap props_;
  std::shared_ptr<NameMap> names_;
  UINT codepage_ = CP_ACP;
  bool loaded_ = false;
  HRESULT loaded_status_ = S_OK;
};

// The non-template halves of PropObject's calls.
namespace prop_calls {
HRESULT GetPropList(const PropMap& props, ULONG flags, LPSPropTagArray* tags);
HRESULT OpenValueStream(const PropMap& props, ULONG tag, UINT codepage, REFIID iid, ULONG flags, LPUNKNOWN* unk);
HRESULT SetProps(PropMap& props, ULONG count, const SPropValue* values, LPSPropProblemArray* problems);
HRESULT DeleteProps(PropMap& props, const SPropTagArray* tags, LPSPropProblemArray* problems);
// Copies every property but the excluded ones (and PT_OBJECT values) into
// dest through its SetProps. Named properties (ids from 0x8000) go by name:
// dest gives (or makes) its own id for each; one without a name is left out.
HRESULT CopyPropsTo(const PropMap& props, NameMap* names, const SPropTagArray* exclude,
                    const SPropTagArray* include, IMAPIProp* dest, LPSPropProblemArray* problems);
HRESULT GetNamesFromIDs(const PropMap& props, NameMap* names, LPSPropTagArray* tags, const GUID* guid,
                        ULONG flags, ULONG* count, LPMAPINAMEID** out);
HRESULT GetIDsFromNames(NameMap* names, ULONG count, LPMAPINAMEID* in, ULONG flags, LPSPropTagArray* tags);
}  // namespace prop_calls

template <class I, class... X>
HRESULT PropObject<I, X...>::GetPropList(ULONG flags, LPSPropTagArray* tags) {
  if (HRESULT hr = Ready(); FAILED(hr)) return hr;
  return prop_calls::GetPropList(props_, flags, tags);
}
template <class I, class... X>
HRESULT PropObject<I, X...>::OpenProperty(ULONG tag, LPCIID iid, ULONG, ULONG flags, LPUNKNOWN* unk) {
  if (!unk || !iid) return MAPI_E_INVALID_PARAMETER;
  *unk = nullptr;
  if (HRESULT hr = Ready(); FAILED(hr)) return hr;
  return OpenObject(tag, *iid, flags, unk);
}
template <class I, class... X>
HRESULT PropObject<I, X...>::OpenObject(ULONG tag, REFIID iid, ULONG flags, LPUNKNOWN* unk) {
  return prop_calls::OpenValueStream(props_, tag, codepage_, iid, flags, unk);
}
template <class I, class... X>
HRESULT PropObject<I, X...>::SetProps(ULONG count, LPSPropValue values, LPSPropProblemArray* problems) {
  if (HRESULT hr = Ready(); FAILED(hr)) return hr;
  return prop_calls::SetProps(props_, count, values, problems);
}
template <class I, class... X>
HRESULT PropObject<I, X...>::DeleteProps(LPSPropTagArray tags, LPSPropProblemArray* problems) {
  if (HRESULT hr = Ready(); FAILED(hr)) return hr;
  return prop_calls::DeleteProps(props_, tags, problems);
}
template <class I, class... X>
HRESULT PropObject<I, X...>::CopyTo(ULONG, LPCIID, LPSPropTagArray exclude, ULONG_PTR, LPMAPIPROGRESS,
                                    LPCIID iid, LPVOID dest, ULONG, LPSPropProblemArray* problems) {
  if (!dest) return MAPI_E_INVALID_PARAMETER;
  if (HRESULT hr = Ready(); FAILED(hr)) return hr;
  const IID& want = iid ? *iid : IID_IMAPIProp;
  ComPtr<IMAPIProp> target;
  if (FAILED(static_cast<IUnknown*>(dest)->QueryInterface(IID_IMAPIProp, target.ReleaseAndGetAddressOfVoid())))
    return MAPI_E_INTERFACE_NOT_SUPPORTED;
  HRESULT hr = prop_calls::CopyPropsTo(props_, names_.get(), exclude, nullptr, target.Get(), problems);
  if (FAILED(hr)) return hr;
  return CopyContentsTo(dest, want, exclude);
}
template <class I, class... X>
HRESULT PropObject<I, X...>::CopyProps(LPSPropTagArray include, ULONG_PTR, LPMAPIPROGRESS, LPCIID, LPVOID dest,
                                       ULONG, LPSPropProblemArray* problems) {
  if (!dest || !include) return MAPI_E_INVALID_PARAMETER;
  if (HRESULT hr = Ready(); FAILED(hr)) return hr;
  ComPtr<IMAPIProp> target;
  if (FAILED(static_cast<IUnknown*>(dest)->QueryInterface(IID_IMAPIProp, target.ReleaseAndGetAddressOfVoid())))
    return MAPI_E_INTERFACE_NOT_SUPPORTED;
  return prop_calls::CopyPropsTo(props_, names_.get(), nullptr, include, target.Get(), problems);
}
template <class I, class... X>
HRESULT PropObject<I, X...>::GetNamesFromIDs(LPSPropTagArray* tags, LPGUID guid, ULONG flags, ULONG* count,
                                             LPMAPINAMEID** names) {
  if (HRESULT hr = Ready(); FAILED(hr)) return hr;
  return prop_calls::GetNamesFromIDs(props_, names_.get(), tags, guid, flags, count, names);
}
template <class I, class... X>
HRESULT PropObject<I, X...>::GetIDsFromNames(ULONG count, LPMAPINAMEID* names, ULONG flags,
                                             LPSPropTagArray* tags) {
  return prop_calls::GetIDsFromNames(names_.get(), count, names, flags, tags);
}

}  // namespace mapi
