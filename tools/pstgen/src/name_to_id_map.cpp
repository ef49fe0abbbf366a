#include "name_to_id_map.h"

#include <map>
#include <stdexcept>

#include "bytes.h"
#include "crc.h"
#include "mapi/mapitags.h"
#include "pstgen/guid.h"

namespace pstgen {
namespace {

constexpr std::uint32_t kBucketCount = 251;
constexpr std::uint16_t kGuidIndexMapi = 1;
constexpr std::uint16_t kGuidIndexPublicStrings = 2;
constexpr std::uint16_t kFirstStreamGuid = 3;

Bytes Utf16Bytes(const std::u16string& s) {
  Bytes b;
  for (char16_t c : s) Append<std::uint16_t>(b, std::uint16_t(c));
  return b;
}

}  // namespace

NameToIdMap::NameToIdMap() {
  // Outlook's stores always know a few common properties; readers expect the
  // GUID and entry streams never to be empty.
  for (std::uint32_t lid : {0x8502u, 0x8503u, 0x8516u, 0x8517u}) {
    NamedProperty n;
    n.set = kPsetidCommon;
    n.lid = lid;
    PropId(n);
  }
}

std::uint16_t NameToIdMap::GuidIndex(const Guid& g) {
  if (g == kPsMapi) return kGuidIndexMapi;
  if (g == kPsPublicStrings) return kGuidIndexPublicStrings;
  for (std::size_t i = 0; i < guids_.size(); ++i)
    if (guids_[i] == g) return std::uint16_t(kFirstStreamGuid + i);
  guids_.push_back(g);
  return std::uint16_t(kFirstStreamGuid + guids_.size() - 1);
}

std::uint16_t NameToIdMap::PropId(const NamedProperty& n) {
  // A LID in PS_MAPI is an ordinary property ID, not a name.
  if (!n.isString && n.set == kPsMapi) return std::uint16_t(n.lid);
  std::uint16_t guidField = std::uint16_t(GuidIndex(n.set) << 1 | (n.isString ? 1 : 0));
  Bytes name = Utf16Bytes(n.name);
  std::uint32_t hash = n.isString ? ComputeCrc(name.data(), name.size()) : n.lid;
  for (const Entry& e : entries_) {
    if (e.guidField != guidField || e.hash != hash) continue;
    if (!n.isString) return std::uint16_t(0x8000 + e.propIndex);
    std::uint32_t len = GetAt<std::uint32_t>(strings_, e.propertyId);
    if (Bytes(strings_.begin() + e.propertyId + 4, strings_.begin() + e.propertyId + 4 + len) == name)
      return std::uint16_t(0x8000 + e.propIndex);
  }
  if (entries_.size() >= 0x7FFF) throw std::runtime_error("too many named properties");
  std::uint32_t propertyId = n.lid;
  if (n.isString) {
    // String stream entry: byte length, UTF-16LE name, padded to 4 bytes.
    propertyId = std::uint32_t(strings_.size());
    Append<std::uint32_t>(strings_, std::uint32_t(name.size()));
    AppendBytes(strings_, name);
    PadTo(strings_, AlignUp(strings_.size(), 4));
  }
  entries_.push_back({propertyId, hash, guidField, std::uint16_t(entries_.size())});
  return std::uint16_t(0x8000 + entries_.back().propIndex);
}

std::vector<Property> NameToIdMap::Properties() const {
  Bytes guidStream, entryStream;
  for (const Guid& g : guids_) AppendBytes(guidStream, g.bytes, 16);
  std::map<std::uint32_t, Bytes> buckets;
  for (const Entry& e : entries_) {
    // NAMEID: dwPropertyID, wGuid with N in bit 0, wPropIdx.
    Append<std::uint32_t>(entryStream, e.propertyId);
    Append<std::uint16_t>(entryStream, e.guidField);
    Append<std::uint16_t>(entryStream, e.propIndex);
    Bytes& bucket = buckets[(e.hash ^ e.guidField) % kBucketCount];
    Append<std::uint32_t>(bucket, e.hash);
    Append<std::uint16_t>(bucket, e.guidField);
    Append<std::uint16_t>(bucket, e.propIndex);
  }
  Bytes count;
  Append<std::uint32_t>(count, kBucketCount);
  std::vector<Property> props{{PR_NAMEID_BUCKET_COUNT, count},
                              {PR_NAMEID_STREAM_GUID, guidStream},
                              {PR_NAMEID_STREAM_ENTRY, entryStream},
                              {PR_NAMEID_STREAM_STRING, strings_}};
  for (auto& [index, bytes] : buckets) props.push_back({PROP_TAG(PT_BINARY, 0x1000 + index), bytes});
  return props;
}

}  // namespace pstgen
