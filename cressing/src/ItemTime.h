// Date texts of the item text files: the local date and time of a header or
// contact date in the user's format, and the fixed form of named dates
// ("14:05 PM 03/15/2024").
#pragma once

#include <string>

#include "mapi/mapidefs.h"

// How a stored time is read: as UTC (converted with the zone rules in force
// at that time), or as a local time already (task start and due dates hold
// local midnight and are taken as they stand).
enum class TimeBase { Utc, Local };

// The local date and time text (short date, a blank, time without seconds)
// of the PT_SYSTIME value props[index]; empty for another type, for the
// "no date" value and for times past it.
std::u16string FileTimePropToText(const SPropValue* props, ULONG index);

// hour ":" minute " AM "|" PM " month "/" day "/" year, the hour on a
// 24-hour clock; empty for the "no date" value and for times past it.
std::u16string NamedTimeToText(const FILETIME& time, TimeBase base = TimeBase::Utc);
