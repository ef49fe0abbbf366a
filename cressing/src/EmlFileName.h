// The name of an item's MIME file in the working folder.
#pragma once

#include <cstdint>
#include <string>

// workingFolder + "MSG" + n + ".eml" when no file of that name exists, else
// empty. The working folder ends in its separator.
std::u16string GetFreeEmlFileName(const std::u16string& workingFolder, std::int32_t n);
