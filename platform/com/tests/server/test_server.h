// The in-process test server: identifiers shared by the server library and
// the tests that activate it.
#pragma once

#include "com/unknown.h"

// Served by the library.
inline constexpr CLSID kTestServerClsid = {0x5d1c7a20, 0x4b1e, 0x4f7a, {0x9e, 0x21, 0x6a, 0x0b, 0x3c, 0x55, 0x71, 0x02}};
inline constexpr char16_t kTestServerProgId[] = u"Brackenford.TestServer";
// Registered in tests against the same library, which does not serve it.
inline constexpr CLSID kNotServedClsid = {0x5d1c7a21, 0x4b1e, 0x4f7a, {0x9e, 0x21, 0x6a, 0x0b, 0x3c, 0x55, 0x71, 0x02}};

// Members of the test server's dispatch interface.
enum TestServerDispid {
  kDispCount = 1,    // get: I4, the number of Add calls so far
  kDispAdd = 2,      // method (BSTR name, BOOL flag, I4 number): BSTR "name/flag/number"
  kDispFail = 3,     // method: raises an automation exception with kFailText
  kDispChild = 4,    // get: IDispatch, a new test server object
  kDispValue = 5,    // get/put: VARIANT
  kDispFailCode = 6  // method: fails with E_ACCESSDENIED, no exception
};
inline constexpr char16_t kFailText[] = u"Open failed\r\nError: The file is in use\r\nComponent: Test";

// Exported: how many of the server's objects are alive.
using TestServerLiveFn = long (*)();
