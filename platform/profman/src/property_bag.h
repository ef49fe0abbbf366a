// ProfMan.PropertyBag: property tags and their values, handed to a
// service's Configure. Configure reads them back through IBagValues, an
// interface that only this server knows.
#pragma once

#include <map>
#include <span>

#include "com/dispatch.h"

namespace profman {

struct IBagValues : IUnknown {
  using Base = IUnknown;
  static constexpr IID kIid = win32::GuidLiteral("0917598D-7FE4-4846-B68A-C03F7543DCE6");
  // A copy of the tag's value; S_FALSE and VT_EMPTY when the bag has none.
  virtual HRESULT STDMETHODCALLTYPE Value(ULONG tag, VARIANT* value) = 0;

 protected:
  ~IBagValues() = default;
};

class PropertyBag final : public com::DispatchObject<PropertyBag, IDispatch, IBagValues> {
 public:
  static std::span<const com::DispatchMember<PropertyBag>> Members();
  HRESULT STDMETHODCALLTYPE Value(ULONG tag, VARIANT* value) override;

 private:
  // Add(I4 tag, VARIANT value): a tag added again takes the new value.
  void Add(const com::DispatchCall& call);

  std::map<ULONG, com::Variant> values_;
};

}  // namespace profman
