#include "ListDisplayName.h"

CListDisplayName* FindDisplayName(const DisplayNameList& list, std::int32_t index) {
  for (const auto& entry : list)
    if (entry && entry->m_index == index) return entry.get();
  return nullptr;
}

HeldEntry::HeldEntry(const CListDisplayName& entry) : m_store(entry.m_lpMDB) {
  if (const SBinary* id = entry.m_lpEntryID) {
    if (id->lpb) m_entryBytes.assign(id->lpb, id->lpb + id->cb);
    m_entryID.cb = static_cast<ULONG>(m_entryBytes.size());
    m_entryID.lpb = m_entryBytes.data();
    m_hasEntryID = true;
  }
}
