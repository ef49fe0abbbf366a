// What the appointment, task and journal builders share: the MIME values
// with the item text's in place of empty ones, the posted date, and date
// items written only for dates that read.
#pragma once

#include "ItemTextRecord.h"
#include "MimeFields.h"
#include "notes/lnnote.h"

// The MIME file's values; an empty subject, sender, HTML body or text body
// takes the record's subject, sender and body (each on its own).
MimeValues ReadMimeWithFallbacks(const CString& emlPath, const ItemTextRecord& record);
// The record's creation date when it read as a date, else the received time.
COleDateTime PostedDateOf(const ItemTextRecord& record, const MimeValues& mime);
// A date item of the date when it read as one; a Notes status raises.
void WriteValidDate(const CString& name, const COleDateTime& date, LNDocument& document);
