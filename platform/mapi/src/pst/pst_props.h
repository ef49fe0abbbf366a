// Stored properties to MAPI values: each record-set entry becomes an
// SPropValue of its stored type (multi-valued ones included), so that a
// property the object lacks stays absent and reaches the caller as
// PT_ERROR / MAPI_E_NOT_FOUND.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "mapi/prop_bag.h"
#include "mapi/props.h"
#include "pst/pst_record.h"

namespace pst {

// The value of a stored property; PT_ERROR / MAPI_E_CORRUPT_DATA when its
// bytes do not fit its type.
mapi::Prop ToProp(const RawProp& raw);

struct FillOptions {
  // Values larger than this become PT_ERROR / MAPI_E_NOT_ENOUGH_MEMORY (they
  // are read through OpenProperty instead).
  size_t maxValueBytes = SIZE_MAX;
  // Table rows: a variable-size cell without bytes is left out, as a cell
  // the row does not have.
  bool emptyCellsMissing = false;
  // Properties left out altogether.
  std::function<bool(uint16_t id)> skip;
};

// Adds every property of the record set to props.
void FillProps(const RecordSet& rs, mapi::PropMap& props, const FillOptions& options = {});

}  // namespace pst
