#include "notes/templates.h"

#include "notes/lnerror.h"
#include "store.h"
#include "win32/machine.h"

namespace fs = std::filesystem;
using notes_internal::DesignEntry;
using notes_internal::DesignKind;

namespace notes {

namespace {

const std::vector<DesignEntry>& MailDesign() {
  static const std::vector<DesignEntry> design = {
      {"($Inbox)", DesignKind::kFolder},     {"($Sent)", DesignKind::kFolder},
      {"($Drafts)", DesignKind::kFolder},    {"($Trash)", DesignKind::kFolder},
      {"($JunkMail)", DesignKind::kFolder},  {"($All)", DesignKind::kView},
      {"($Calendar)", DesignKind::kView},    {"($ToDo)", DesignKind::kView},
      {"($Contacts)", DesignKind::kView},    {"($Journal)", DesignKind::kView},
  };
  return design;
}

struct Template {
  const char* file;
  const char* title;
};
const Template kTemplates[] = {
    {kMailTemplateFile, "Mail Template"},
    {kMailReleaseTemplateFile, kMailReleaseTemplateTitle},
};

}  // namespace

LNSTATUS CreateMailTemplate(const fs::path& file, const std::string& title) {
  return notes_internal::CreateStore(file, {title, "template", ""}, MailDesign());
}

bool InstallMailTemplates(std::string* error) {
  const fs::path folder = win32::NotesFolder();
  std::error_code ec;
  fs::create_directories(folder, ec);
  for (const Template& t : kTemplates) {
    const fs::path file = folder / t.file;
    if (fs::exists(file, ec)) continue;
    if (const LNSTATUS s = CreateMailTemplate(file, t.title); s != LNNOERROR && s != LNERR_FILE_EXISTS) {
      char text[512];
      LNGetErrorMessageText(s, text, sizeof text);
      *error = file.string() + ": " + text;
      return false;
    }
  }
  return true;
}

}  // namespace notes
