// Copying PST objects' properties into other objects (an .msg file's
// message), named ones mapped by name.
#include <vector>

#include "mapi/mapicode.h"
#include "mapi/mapitags.h"
#include "mapi/mapix.h"
#include "mapi/message_copy.h"
#include "pst/pst_objects.h"

namespace pst {
namespace {

// Dest's ids for the names of source's named tags (0 where a name has none).
std::vector<ULONG> MapNamedTags(IMAPIProp* source, IMAPIProp* dest, const std::vector<ULONG>& named) {
  std::vector<ULONG> mapped(named.size(), 0);
  if (named.empty()) return mapped;
  auto tags = mapi::NewTagArray(named);
  LPSPropTagArray asked = tags.get();
  ULONG count = 0;
  LPMAPINAMEID* names = nullptr;
  if (FAILED(source->GetNamesFromIDs(&asked, nullptr, 0, &count, &names))) return mapped;
  mapi::Buffer<LPMAPINAMEID> namesHeld(names);
  std::vector<LPMAPINAMEID> present;
  std::vector<size_t> at;
  for (ULONG i = 0; i < count && i < named.size(); ++i)
    if (names[i]) present.push_back(names[i]), at.push_back(i);
  if (present.empty()) return mapped;
  LPSPropTagArray ids = nullptr;
  HRESULT hr = dest->GetIDsFromNames(static_cast<ULONG>(present.size()), present.data(), MAPI_CREATE, &ids);
  mapi::Buffer<SPropTagArray> idsHeld(ids);
  if (FAILED(hr) || !ids) return mapped;
  for (ULONG i = 0; i < ids->cValues && i < present.size(); ++i)
    if (PROP_TYPE(ids->aulPropTag[i]) != PT_ERROR && PROP_ID(ids->aulPropTag[i]) != 0)
      mapped[at[i]] = PROP_TAG(PROP_TYPE(named[at[i]]), PROP_ID(ids->aulPropTag[i]));
  return mapped;
}

}  // namespace

HRESULT CopyPropsByName(IMAPIProp* source, IMAPIProp* dest, const SPropTagArray* exclude,
                        LPSPropProblemArray* problems) {
  if (problems) *problems = nullptr;
  ULONG count = 0;
  LPSPropValue all = nullptr;
  HRESULT hr = source->GetProps(nullptr, MAPI_UNICODE, &count, &all);
  mapi::Buffer<SPropValue> held(all);
  if (FAILED(hr)) return hr;
  std::vector<SPropValue> values;
  std::vector<ULONG> named;
  std::vector<size_t> namedAt;
  for (ULONG i = 0; i < count; ++i) {
    ULONG type = PROP_TYPE(all[i].ulPropTag);
    if (type == PT_OBJECT || type == PT_ERROR || mapi::InTags(exclude, all[i].ulPropTag)) continue;
    if (PROP_ID(all[i].ulPropTag) >= 0x8000) {
      named.push_back(all[i].ulPropTag);
      namedAt.push_back(values.size());
    }
    values.push_back(all[i]);
  }
  std::vector<ULONG> mapped = MapNamedTags(source, dest, named);
  for (size_t i = namedAt.size(); i-- > 0;) {
    if (mapped[i])
      values[namedAt[i]].ulPropTag = mapped[i];
    else
      values.erase(values.begin() + static_cast<std::ptrdiff_t>(namedAt[i]));  // no name: no place in dest
  }
  if (values.empty()) return S_OK;
  return dest->SetProps(static_cast<ULONG>(values.size()), values.data(), problems);
}

}  // namespace pst
