// The classes this server makes, each holding its first reference.
#pragma once

#include "com/com.h"

namespace cdo {

ComPtr<IUnknown> NewStream();
ComPtr<IUnknown> NewMessage();

}  // namespace cdo
