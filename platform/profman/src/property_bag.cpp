#include "property_bag.h"

namespace profman {

std::span<const com::DispatchMember<PropertyBag>> PropertyBag::Members() {
  static const com::DispatchMember<PropertyBag> kMembers[] = {
      {3, u"Add", DISPATCH_METHOD, 2, 2, &PropertyBag::Add},
  };
  return kMembers;
}

void PropertyBag::Add(const com::DispatchCall& call) {
  const ULONG tag = static_cast<ULONG>(call.Long(0));
  com::Variant value;
  if (HRESULT hr = VariantCopyInd(&value, &call.Arg(1)); FAILED(hr)) throw com::DispatchFailure{hr};
  VariantCopy(&values_[tag], &value);
}

HRESULT PropertyBag::Value(ULONG tag, VARIANT* value) {
  if (!value) return E_POINTER;
  VariantInit(value);
  const auto found = values_.find(tag);
  if (found == values_.end()) return S_FALSE;
  return VariantCopy(value, &found->second);
}

}  // namespace profman
