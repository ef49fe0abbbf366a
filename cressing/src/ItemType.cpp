#include "ItemType.h"

#include <utility>

namespace {

const std::pair<const char16_t*, std::int32_t> kItemTypes[] = {
    {u"IPM.Appointment", 1}, {u"IPM.Contact", 2}, {u"IPM.DistList", 12},
    {u"IPM.StickyNote", 3},  {u"IPM.Task", 4},    {u"IPM.Activity", 5},
};

}  // namespace

std::int32_t GetItemType(const std::u16string& messageClass) {
  for (const auto& [cls, type] : kItemTypes)
    if (messageClass == cls) return type;
  return 0;
}
