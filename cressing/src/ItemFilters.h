// The date ranges of an export request: "FROM$TO", each end written month
// first ("MM/DD/YYYY"), both ends included. The type switches and the date
// filters themselves are the dialog's (IsItemTypeEnabled, PassesDateFilter).
#pragma once

#include <string>

#include "mfc/oledatetime.h"

// Month, day and year of a range end: 9 characters or more holding two "/";
// the month before the first "/", the day from the two characters after it,
// the year from the last four. 1 when the three pieces are there, else 0.
int ParseDateParts(const std::u16string& text, int& day, int& month, int& year);

// 1 when the text is FROM "$" TO with two valid dates (at 00:00), else 0.
int ParseDateRange(const std::u16string& text, COleDateTime& from, COleDateTime& to);
