// pstgen: writes a PST file from a JSON description, or a synthetic one.
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "pstgen/json_description.h"
#include "pstgen/synthetic.h"
#include "pstgen/writer.h"

namespace {

constexpr const char* kHelp = R"(usage: pstgen [--force] DESCRIPTION.json OUT.pst
       pstgen [--force] --synthetic N [--seed S] OUT.pst

An existing OUT.pst is replaced only with --force. N is at most 67108864.

Writes a PST file as Outlook lays it out: the root folder, "Top of
Personal Folders" (the IPM subtree, named by the store's
PR_IPM_SUBTREE_ENTRYID), "Deleted Items" below it, "Search Root", and the
description's folders below the IPM subtree.

The description (JSON):
  { "format":  "unicode" | "ansi",
    "store":   { "display_name": "Personal Folders", "props": { ... } },
    "folders": [ FOLDER, ... ] }
              "format": "ansi" writes the 32-bit form of Outlook 97-2002, whose
              strings are PT_STRING8 in Windows-1252 (PT_UNICODE values are
              converted; text 1252 cannot hold is refused); the default is
              the Unicode form.
  FOLDER:     { "name": "Inbox", "class": "IPF.Note", "props": { ... },
                "messages": [ MESSAGE, ... ], "folders": [ FOLDER, ... ] }
              A top-level folder named "Deleted Items" is the store's own.
              Folders, and embedded messages, nest at most 256 deep.
  Any key not shown here is an error, named by its place.
  MESSAGE:    { "class": "IPM.Note", "id": "cat", "props": { ... }, "named": [ NAMED, ... ],
                "recipients": [ RECIPIENT, ... ], "attachments": [ ATTACHMENT, ... ] }
              "class": null leaves a folder or message without its class; "id"
              names a message for the "contact:ID" values of later ones.
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
                           (a one-off entry ID, as distribution lists hold),
                           "contact:ID" (the contact entry ID of an earlier message)
                           or "rtf:{\\rtf1 ...}" (compressed RTF for PR_RTF_COMPRESSED)
  PT_CLSID                 "{GUID}"
  PT_MV_*                  an array of the single values

Synthetic files: N items of mixed classes (mail, appointments, contacts,
distribution lists, notes, tasks, journal entries) over a realistic folder
tree, with bodies and attachments of realistic sizes; the same N and S give
the same file.
)";

int Usage(const char* problem = nullptr) {
  if (problem) std::fprintf(stderr, "pstgen: %s\n", problem);
  std::fputs(
      "usage: pstgen [--force] DESCRIPTION.json OUT.pst | pstgen [--force] --synthetic N [--seed S] OUT.pst | "
      "pstgen --help\n",
      stderr);
  return 2;
}

// Decimal digits only, up to max.
bool ParseCount(const char* text, std::uint64_t max, std::uint64_t& out) {
  if (!text || !std::isdigit(static_cast<unsigned char>(*text))) return false;
  char* end = nullptr;
  errno = 0;
  out = std::strtoull(text, &end, 10);
  return errno == 0 && *end == '\0' && out <= max;
}

struct Arguments {
  bool help = false;
  bool force = false;
  bool synthetic = false;
  pstgen::SyntheticOptions options;
  std::vector<std::string> files;
};

// Returns 0 when the arguments are sound, else the exit status of a usage error.
int Parse(int argc, char** argv, Arguments& a) {
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    if (arg == "--help" || arg == "-h") {
      a.help = true;
    } else if (arg == "--force") {
      a.force = true;
    } else if (arg == "--synthetic") {
      if (!ParseCount(value, pstgen::kMaxMessages, a.options.items))
        return Usage("--synthetic needs a number of items (0 to 67108864)");
      a.synthetic = true, ++i;
    } else if (arg == "--seed") {
      if (!ParseCount(value, UINT64_MAX, a.options.seed)) return Usage("--seed needs a number");
      ++i;
    } else if (arg.starts_with("-") && arg != "-") {
      return Usage(("unknown option " + std::string(arg)).c_str());
    } else {
      a.files.emplace_back(arg);
    }
  }
  if (a.help) return 0;
  if (a.files.size() != (a.synthetic ? 1u : 2u)) return Usage();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Arguments a;
  if (int bad = Parse(argc, argv, a)) return bad;
  if (a.help) {
    std::fputs(kHelp, stdout);
    return 0;
  }
  // The file appears under its name only when complete.
  std::filesystem::path out = a.files.back();
  std::filesystem::path partial = out.string() + ".partial";
  std::error_code ec;
  if (!a.force && std::filesystem::symlink_status(out, ec).type() != std::filesystem::file_type::not_found) {
    std::fprintf(stderr, "pstgen: %s exists: give --force to replace it\n", out.string().c_str());
    return 1;
  }
  try {
    if (a.synthetic)
      pstgen::WriteSynthetic(a.options, partial);
    else
      pstgen::WritePst(pstgen::LoadDescription(a.files[0]), partial);
    std::filesystem::rename(partial, out);
    return 0;
  } catch (const std::exception& e) {
    std::error_code ignored;
    std::filesystem::remove(partial, ignored);
    std::fprintf(stderr, "pstgen: %s\n", e.what());
    return 1;
  }
}
