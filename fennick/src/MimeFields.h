// The values of an item's MIME file that the document builders use, read
// through CDO's Message object from an ADO Stream loaded with the file.
#pragma once

#include "cdo/cdo.h"
#include "com/unknown.h"
#include "mfc/strings.h"
#include "win32/types.h"

// What a builder takes from the MIME file. A value the file does not
// deliver keeps its starting value ("" and 0).
struct MimeValues {
  DATE received = 0;  // local time, an OLE date
  CString bcc;
  CString cc;
  CString from;
  CString to;
  CString subject;
  CString htmlBody;
  CString textBody;
};

// Fills `values` from the MIME file; never fails outwardly. Each value is
// read on its own: one that cannot be read leaves the others.
void ReadMimeFields(const CString& emlPath, MimeValues& values);
// The file parsed as a message; none when the file cannot be loaded or
// parsed, or CDO or ADO is not there. Needs COM initialised.
ComPtr<CDO::IMessage> LoadMimeMessage(const CString& emlPath);
