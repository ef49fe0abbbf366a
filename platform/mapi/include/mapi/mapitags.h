// MAPI property tags: the type codes, the tag macros and one PR_* constant
// per line of proptags.def.
#pragma once

#include "win32/types.h"

// Property types.
constexpr ULONG PT_UNSPECIFIED = 0x0000;
constexpr ULONG PT_NULL = 0x0001;
constexpr ULONG PT_I2 = 0x0002;
constexpr ULONG PT_SHORT = PT_I2;
constexpr ULONG PT_LONG = 0x0003;
constexpr ULONG PT_I4 = PT_LONG;
constexpr ULONG PT_R4 = 0x0004;
constexpr ULONG PT_FLOAT = PT_R4;
constexpr ULONG PT_DOUBLE = 0x0005;
constexpr ULONG PT_R8 = PT_DOUBLE;
constexpr ULONG PT_CURRENCY = 0x0006;
constexpr ULONG PT_APPTIME = 0x0007;
constexpr ULONG PT_ERROR = 0x000A;
constexpr ULONG PT_BOOLEAN = 0x000B;
constexpr ULONG PT_OBJECT = 0x000D;
constexpr ULONG PT_I8 = 0x0014;
constexpr ULONG PT_LONGLONG = PT_I8;
constexpr ULONG PT_STRING8 = 0x001E;
constexpr ULONG PT_UNICODE = 0x001F;
constexpr ULONG PT_TSTRING = PT_UNICODE;
constexpr ULONG PT_SYSTIME = 0x0040;
constexpr ULONG PT_CLSID = 0x0048;
constexpr ULONG PT_SVREID = 0x00FB;
constexpr ULONG PT_SRESTRICT = 0x00FD;
constexpr ULONG PT_ACTIONS = 0x00FE;
constexpr ULONG PT_BINARY = 0x0102;

constexpr ULONG MV_FLAG = 0x1000;
constexpr ULONG MV_INSTANCE = 0x2000;
constexpr ULONG MVI_FLAG = MV_FLAG | MV_INSTANCE;

constexpr ULONG PT_MV_I2 = MV_FLAG | PT_I2;
constexpr ULONG PT_MV_SHORT = PT_MV_I2;
constexpr ULONG PT_MV_LONG = MV_FLAG | PT_LONG;
constexpr ULONG PT_MV_I4 = PT_MV_LONG;
constexpr ULONG PT_MV_R4 = MV_FLAG | PT_R4;
constexpr ULONG PT_MV_FLOAT = PT_MV_R4;
constexpr ULONG PT_MV_DOUBLE = MV_FLAG | PT_DOUBLE;
constexpr ULONG PT_MV_R8 = PT_MV_DOUBLE;
constexpr ULONG PT_MV_CURRENCY = MV_FLAG | PT_CURRENCY;
constexpr ULONG PT_MV_APPTIME = MV_FLAG | PT_APPTIME;
constexpr ULONG PT_MV_SYSTIME = MV_FLAG | PT_SYSTIME;
constexpr ULONG PT_MV_STRING8 = MV_FLAG | PT_STRING8;
constexpr ULONG PT_MV_UNICODE = MV_FLAG | PT_UNICODE;
constexpr ULONG PT_MV_TSTRING = PT_MV_UNICODE;
constexpr ULONG PT_MV_BINARY = MV_FLAG | PT_BINARY;
constexpr ULONG PT_MV_CLSID = MV_FLAG | PT_CLSID;
constexpr ULONG PT_MV_I8 = MV_FLAG | PT_I8;
constexpr ULONG PT_MV_LONGLONG = PT_MV_I8;

constexpr ULONG PROP_TYPE_MASK = 0x0000FFFF;
constexpr ULONG PROP_ID_NULL = 0;
constexpr ULONG PROP_ID_INVALID = 0xFFFF;

constexpr ULONG PROP_TAG(ULONG type, ULONG id) { return (id << 16) | type; }
constexpr ULONG PROP_TYPE(ULONG tag) { return tag & PROP_TYPE_MASK; }
constexpr ULONG PROP_ID(ULONG tag) { return tag >> 16; }
constexpr ULONG CHANGE_PROP_TYPE(ULONG tag, ULONG type) { return (tag & 0xFFFF0000u) | type; }

#define PROP(name, id, type) constexpr ULONG name = PROP_TAG(type, id);
#define PROP_TSTR(name, id)                                   \
  constexpr ULONG name##_W = PROP_TAG(PT_UNICODE, id);        \
  constexpr ULONG name##_A = PROP_TAG(PT_STRING8, id);        \
  constexpr ULONG name = name##_W;
#define PROP_MV_TSTR(name, id)                                \
  constexpr ULONG name##_W = PROP_TAG(PT_MV_UNICODE, id);     \
  constexpr ULONG name##_A = PROP_TAG(PT_MV_STRING8, id);     \
  constexpr ULONG name = name##_W;
#include "mapi/proptags.def"
#undef PROP
#undef PROP_TSTR
#undef PROP_MV_TSTR
