#include "variant_date.h"

namespace com {

// Waiting for the Windows layer's VarDateFromStr and date formatting.
HRESULT DateFromText(std::u16string_view, LCID, DATE*) { return DISP_E_TYPEMISMATCH; }
HRESULT TextFromDate(DATE, LCID, std::u16string*) { return DISP_E_TYPEMISMATCH; }

}  // namespace com
