// The mail templates of the Notes data folder, which `brackenford machine
// init` installs: "mail8.ntf" and "mailr8.ntf" (the one whose title holds
// "Mail (R"), each with the mail design that databases made from them copy.
#pragma once

#include <filesystem>
#include <string>

#include "notes/lntypes.h"

namespace notes {

inline constexpr const char* kMailTemplateFile = "mail8.ntf";
inline constexpr const char* kMailReleaseTemplateFile = "mailr8.ntf";
inline constexpr const char* kMailReleaseTemplateTitle = "Mail (Release 8)";

// Writes a template with the mail design (folders "($Inbox)", "($Sent)",
// "($Drafts)", "($Trash)", "($JunkMail)" and the views "($All)",
// "($Calendar)", "($ToDo)", "($Contacts)", "($Journal)") under `title`.
// The file must not exist.
LNSTATUS CreateMailTemplate(const std::filesystem::path& file, const std::string& title);

// Installs the mail templates into the machine root's notes/ folder,
// keeping templates already there. False with a message on failure.
bool InstallMailTemplates(std::string* error);

}  // namespace notes
