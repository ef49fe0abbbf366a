// pstgen: writes a PST file from a JSON description, or a synthetic one.
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <string_view>

#include "pstgen/json_description.h"
#include "pstgen/synthetic.h"
#include "pstgen/writer.h"

namespace {

constexpr const char* kHelp = R"(usage: pstgen DESCRIPTION.json OUT.pst
       pstgen --synthetic N [--seed S] OUT.pst

Writes a Unicode PST file as Outlook lays it out: the root folder, "Top of
Personal Folders" (the IPM subtree), "Deleted Items", "Search Root", and the
description's folders below the IPM subtree.

The description (JSON):
  { "store":   { "display_name": "Personal Folders", "props": { ... } },
    "folders": [ FOLDER, ... ] }
  FOLDER:     { "name": "Inbox", "class": "IPF.Note", "props": { ... },
                "messages": [ MESSAGE, ... ], "folders": [ FOLDER, ... ] }
              A top-level folder named "Deleted Items" is the store's own.
  MESSAGE:    { "class": "IPM.Note", "props": { ... }, "named": [ NAMED, ... ],
                "recipients": [ RECIPIENT, ... ], "attachments": [ ATTACHMENT, ... ] }
  RECIPIENT:  { "type": "to" | "cc" | "bcc", "name": "Ann", "email": "ann@example.com",
                "address_type": "SMTP", "props": { ... } }
  ATTACHMENT: { "method": 0-7, "filename": ..., "long_filename": ..., "display_name": ...,
                "extension": ..., "mime_tag": ..., "content_id": ..., "pathname": ...,
                "long_pathname": ..., "data": "base64:..." | "hex:...",
                "message": MESSAGE (method 5), "props": { ... } }
              With method 6 "data" is the OLE object's compound file.
  NAMED:      { "set": "{GUID}" | "PS_PUBLIC_STRINGS" | "PSETID_Appointment" | ...,
                "lid": 33293 | "name": "Keywords", "type": "PT_SYSTIME", "value": ... }

Properties ("props") are keyed by symbolic name (PR_SUBJECT_W, PR_BODY_W,
PR_CLIENT_SUBMIT_TIME, ...) or by tag ("0x0E070003"); where the tag does not
tell the type, write { "type": "PT_LONG", "value": 1 }. Values by type:
  PT_I2, PT_LONG, PT_I8    integer (or "0x..." string)
  PT_BOOLEAN               true / false
  PT_DOUBLE, PT_FLOAT      number
  PT_SYSTIME               "2024-03-15T13:05:00Z" (UTC, fraction optional)
  PT_UNICODE               string
  PT_STRING8               string, written in the message's code page
                           (PR_INTERNET_CPID or PR_MESSAGE_CODEPAGE, else 1252)
  PT_BINARY                "hex:0a1b...", "base64:..." or "oneoff:Name|SMTP|address"
                           (a one-off entry ID, as distribution lists hold)
  PT_CLSID                 "{GUID}"
  PT_MV_*                  an array of the single values

Synthetic files: N items of mixed classes (mail, appointments, contacts,
distribution lists, notes, tasks, journal entries) over a realistic folder
tree, with bodies and attachments of realistic sizes; the same N and S give
the same file.
)";

int Usage() {
  std::fputs(kHelp, stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
      std::fputs(kHelp, stdout);
      return 0;
    }
    if (argc >= 3 && std::strcmp(argv[1], "--synthetic") == 0) {
      pstgen::SyntheticOptions opt;
      opt.items = std::stoul(argv[2]);
      int i = 3;
      if (argc >= 5 && std::strcmp(argv[3], "--seed") == 0) opt.seed = std::stoull(argv[4]), i = 5;
      if (argc != i + 1) return Usage();
      pstgen::WriteSynthetic(opt, argv[i]);
      return 0;
    }
    if (argc != 3) return Usage();
    pstgen::WritePst(pstgen::LoadDescription(argv[1]), argv[2]);
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "pstgen: %s\n", e.what());
    return 1;
  }
}
