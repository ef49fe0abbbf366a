// The pieces of the folder-list lines and folder entry names.
#pragma once

#include <string>
#include <string_view>

inline constexpr std::u16string_view kTagName = u"<TagName>";
inline constexpr std::u16string_view kFolderTypeTag = u"<//FolderType//> ";

// The folder type number of a container class (compared whole, case-sensitively).
int GetFolderType(std::u16string_view containerClass);

// "<name> (<count>)".
std::u16string NameWithCount(std::u16string_view displayName, long count);

// The text with its type part appended: "<text><//FolderType//> <type>".
std::u16string WithTypePart(std::u16string_view text, int folderType);
