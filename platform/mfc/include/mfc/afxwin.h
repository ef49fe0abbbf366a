// The application framework subset in one include.
#pragma once

#include "mfc/app.h"
#include "mfc/dialog.h"
#include "mfc/msgmap.h"
#include "mfc/strings.h"
#include "mfc/wnd.h"
