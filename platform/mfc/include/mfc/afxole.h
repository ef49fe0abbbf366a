// The framework's OLE half in one include: dates, variants, the dispatch
// driver and its exceptions.
#pragma once

#include "mfc/oledatetime.h"
#include "mfc/oledispatch.h"
#include "mfc/oleexception.h"
#include "mfc/olevariant.h"
