// The item type of a message, by its message class.
#pragma once

#include <cstdint>
#include <string>

// 1 appointment, 2 contact, 12 distribution list, 3 sticky note, 4 task,
// 5 journal entry; any other class (a suffix, another letter case, none)
// is 0, mail. The whole class is compared.
std::int32_t GetItemType(const std::u16string& messageClass);
