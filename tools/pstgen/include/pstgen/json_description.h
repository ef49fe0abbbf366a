// The JSON description of a PST file (see README.md) read into a Store.
#pragma once

#include <filesystem>

#include <nlohmann/json.hpp>

#include "pstgen/description.h"

namespace pstgen {

// Throws DescriptionError (pstgen/values.h) naming the offending place,
// e.g. "folders[0].messages[2].props.PR_SUBJECT_W: expected a string".
Store ParseDescription(const nlohmann::json& description);
Store LoadDescription(const std::filesystem::path& path);

}  // namespace pstgen
