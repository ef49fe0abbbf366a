// How the library compares names of folders, views and items.
#pragma once

#include <string>
#include <string_view>

namespace notes_internal {

// The name folded to lower case (full Unicode, by the C.UTF-8 locale), as
// UTF-8: two names are the same when their keys are equal.
std::string NameKey(std::string_view utf8Name);

// True when the "\"-separated name has a level with no character other
// than blanks (an empty name included).
bool HasEmptyLevel(std::string_view utf8Name);

}  // namespace notes_internal
