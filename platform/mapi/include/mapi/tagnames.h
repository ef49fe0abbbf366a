// Symbolic names of property tags and types, both ways, over proptags.def.
#pragma once

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

#include "mapi/mapitags.h"

namespace mapi {

struct TagName {
  std::string_view name;
  ULONG tag;
};

// The _W form comes first so that a tag maps back to its Unicode name.
inline constexpr TagName kTagNames[] = {
#define PROP(name, id, type) {#name, PROP_TAG(type, id)},
#define PROP_TSTR(name, id) \
  {#name "_W", PROP_TAG(PT_UNICODE, id)}, {#name "_A", PROP_TAG(PT_STRING8, id)}, {#name, PROP_TAG(PT_UNICODE, id)},
#define PROP_MV_TSTR(name, id) \
  {#name "_W", PROP_TAG(PT_MV_UNICODE, id)}, {#name "_A", PROP_TAG(PT_MV_STRING8, id)}, {#name, PROP_TAG(PT_MV_UNICODE, id)},
#include "mapi/proptags.def"
#undef PROP
#undef PROP_TSTR
#undef PROP_MV_TSTR
};

inline std::optional<ULONG> TagFromName(std::string_view name) {
  for (const TagName& t : kTagNames)
    if (t.name == name) return t.tag;
  return std::nullopt;
}

// The first name declared for the tag, or empty.
inline std::string_view NameFromTag(ULONG tag) {
  for (const TagName& t : kTagNames)
    if (t.tag == tag) return t.name;
  return {};
}

struct TypeName {
  std::string_view name;
  ULONG type;
};

inline constexpr TypeName kTypeNames[] = {
    {"PT_UNSPECIFIED", PT_UNSPECIFIED}, {"PT_NULL", PT_NULL},       {"PT_I2", PT_I2},
    {"PT_SHORT", PT_SHORT},             {"PT_LONG", PT_LONG},       {"PT_I4", PT_I4},
    {"PT_R4", PT_R4},                   {"PT_FLOAT", PT_FLOAT},     {"PT_DOUBLE", PT_DOUBLE},
    {"PT_R8", PT_R8},                   {"PT_CURRENCY", PT_CURRENCY}, {"PT_APPTIME", PT_APPTIME},
    {"PT_ERROR", PT_ERROR},             {"PT_BOOLEAN", PT_BOOLEAN}, {"PT_OBJECT", PT_OBJECT},
    {"PT_I8", PT_I8},                   {"PT_LONGLONG", PT_LONGLONG}, {"PT_STRING8", PT_STRING8},
    {"PT_UNICODE", PT_UNICODE},         {"PT_TSTRING", PT_TSTRING}, {"PT_SYSTIME", PT_SYSTIME},
    {"PT_CLSID", PT_CLSID},             {"PT_BINARY", PT_BINARY},   {"PT_MV_I2", PT_MV_I2},
    {"PT_MV_SHORT", PT_MV_SHORT},       {"PT_MV_LONG", PT_MV_LONG}, {"PT_MV_I4", PT_MV_I4},
    {"PT_MV_R4", PT_MV_R4},             {"PT_MV_FLOAT", PT_MV_FLOAT}, {"PT_MV_DOUBLE", PT_MV_DOUBLE},
    {"PT_MV_R8", PT_MV_R8},             {"PT_MV_CURRENCY", PT_MV_CURRENCY},
    {"PT_MV_APPTIME", PT_MV_APPTIME},   {"PT_MV_SYSTIME", PT_MV_SYSTIME},
    {"PT_MV_STRING8", PT_MV_STRING8},   {"PT_MV_UNICODE", PT_MV_UNICODE},
    {"PT_MV_TSTRING", PT_MV_TSTRING},   {"PT_MV_BINARY", PT_MV_BINARY},
    {"PT_MV_CLSID", PT_MV_CLSID},       {"PT_MV_I8", PT_MV_I8},     {"PT_MV_LONGLONG", PT_MV_LONGLONG},
};

inline std::optional<ULONG> TypeFromName(std::string_view name) {
  for (const TypeName& t : kTypeNames)
    if (t.name == name) return t.type;
  return std::nullopt;
}

inline std::string_view NameFromType(ULONG type) {
  for (const TypeName& t : kTypeNames)
    if (t.type == type) return t.name;
  return {};
}

}  // namespace mapi
