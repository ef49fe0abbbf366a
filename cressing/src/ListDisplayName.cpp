#include "ListDisplayName.h"

CListDisplayName* FindDisplayName(const DisplayNameList& list, std::int32_t index) {
  for (const auto& entry : list)
    if (entry && entry->m_index == index) return entry.get();
  return nullptr;
}
