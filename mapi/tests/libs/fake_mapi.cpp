// A small MAPI library for the binding tests. Each build exports only the
// entry points its FAKE_* switches name; every entry point answers with the
// library's FAKE_ID plus a per-function number, so a test can tell which
// library and which export served a call. FakeMapi_* exports let the test
// steer FGetComponentPath and read what the calls received.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {
struct State {
  std::vector<std::string> componentCalls;                 // qualifiers asked, "(null)" for none
  std::vector<std::pair<std::string, std::string>> paths;  // qualifier -> path
  unsigned logonFlags = 0;
  bool logonPasswordNull = false;
  std::string logonProfile;
  std::string streamPath;
  unsigned streamFlags = 0;
  bool streamAllocatorsSet = false;
  int buffersFreed = 0;
  std::vector<void*> sessions;  // handed out by MAPILogonEx, first first
  int initResult = 0;
  int inits = 0;
  int uninits = 0;
  void* queryAllRows = nullptr;
  void* freeProws = nullptr;
};
State& S() {
  static State s;
  return s;
}
}  // namespace

extern "C" {

int FakeMapi_Id() { return FAKE_ID; }
void FakeMapi_SetComponentPath(const char* qualifier, const char* path) {
  S().paths.emplace_back(qualifier ? qualifier : "(null)", path);
}
// Qualifiers asked so far, joined by "|".
const char* FakeMapi_ComponentCalls() {
  static std::string joined;
  joined.clear();
  for (const auto& c : S().componentCalls) joined += (joined.empty() ? "" : "|") + c;
  return joined.c_str();
}
unsigned FakeMapi_LogonFlags() { return S().logonFlags; }
int FakeMapi_LogonPasswordNull() { return S().logonPasswordNull; }
const char* FakeMapi_LogonProfile() { return S().logonProfile.c_str(); }
const char* FakeMapi_StreamPath() { return S().streamPath.c_str(); }
unsigned FakeMapi_StreamFlags() { return S().streamFlags; }
int FakeMapi_StreamAllocatorsSet() { return S().streamAllocatorsSet; }
int FakeMapi_BuffersFreed() { return S().buffersFreed; }

void FakeMapi_QueueSession(void* session) { S().sessions.push_back(session); }
void FakeMapi_SetInitResult(int result) { S().initResult = result; }
int FakeMapi_Inits() { return S().inits; }
int FakeMapi_Uninits() { return S().uninits; }
// HrQueryAllRows and FreeProws forward to the test's own functions.
void FakeMapi_SetRowFunctions(void* queryAllRows, void* freeProws) {
  S().queryAllRows = queryAllRows;
  S().freeProws = freeProws;
}

#ifdef FAKE_INIT
int MAPIInitialize(void*) {
  ++S().inits;
  return S().initResult;
}
void MAPIUninitialize() { ++S().uninits; }
#endif

#ifdef FAKE_ROWS
using QueryAllRowsFn = int (*)(void*, void*, void*, void*, int, void**);
using FreeProwsFn = void (*)(void*);
int HrQueryAllRows(void* table, void* cols, void* res, void* sort, int max, void** rows) {
  return reinterpret_cast<QueryAllRowsFn>(S().queryAllRows)(table, cols, res, sort, max, rows);
}
void FreeProws(void* rows) { reinterpret_cast<FreeProwsFn>(S().freeProws)(rows); }
#endif

#ifdef FAKE_FGETCOMPONENTPATH
// Fills the path given for the qualifier; an unknown qualifier fails with
// last error 2 (as the installer does for a missing component).
int FGetComponentPath(const char*, char* qualifier, char* path, unsigned cb, int) {
  const std::string q = qualifier ? qualifier : "(null)";
  S().componentCalls.push_back(q);
  for (const auto& [k, v] : S().paths)
    if (k == q) {
      std::strncpy(path, v.c_str(), cb - 1);
      return 1;
    }
  return 0;
}
#endif

#ifdef FAKE_LOGON
int MAPILogonEx(std::uintptr_t, char* profile, char* password, unsigned flags, void** session) {
  S().logonFlags = flags;
  S().logonPasswordNull = password == nullptr;
  S().logonProfile = profile ? profile : "(null)";
  *session = nullptr;
  if (S().sessions.empty()) return FAKE_ID + 1;
  *session = S().sessions.front();
  S().sessions.erase(S().sessions.begin());
  return 0;
}
#endif

#ifdef FAKE_BUFFERS
int MAPIAllocateBuffer(unsigned cb, void** out) {
  *out = std::malloc(cb ? cb : 1);
  return *out ? 0 : static_cast<int>(0x8007000Eu);
}
unsigned MAPIFreeBuffer(void* p) {
  if (p) ++S().buffersFreed;
  std::free(p);
  return 0;
}
#endif

#ifdef FAKE_GETONEPROP
int HrGetOneProp(void*, unsigned, void**) { return FAKE_ID + 2; }
#endif
#ifdef FAKE_GETONEPROP_DECORATED
// Renamed to "HrGetOneProp@12" after linking (same GNU hash, see CMakeLists).
int HrGetOneProoa12(void*, unsigned, void**) { return FAKE_ID + 3; }
#endif

#ifdef FAKE_STREAM_A
int OpenStreamOnFile(void* alloc, void* freer, unsigned flags, const char* path, const char* prefix, void** stream) {
  S().streamAllocatorsSet = alloc && freer && !prefix;
  S().streamFlags = flags;
  S().streamPath = path ? path : "(null)";
  *stream = nullptr;
  return FAKE_ID + 4;
}
#endif
#ifdef FAKE_STREAM_W
int OpenStreamOnFileW(void* alloc, void* freer, unsigned flags, const char16_t* path, const char16_t* prefix,
                      void** stream) {
  S().streamAllocatorsSet = alloc && freer && !prefix;
  S().streamFlags = flags;
  S().streamPath.clear();
  // Non-ASCII units as <hex>, to show the text arrived as UTF-16.
  for (; path && *path; ++path) {
    if (*path < 0x80) {
      S().streamPath += static_cast<char>(*path);
    } else {
      char unit[8];
      std::snprintf(unit, sizeof unit, "<%04X>", static_cast<unsigned>(*path));
      S().streamPath += unit;
    }
  }
  *stream = nullptr;
  return FAKE_ID + 5;
}
#endif

}  // extern "C"
