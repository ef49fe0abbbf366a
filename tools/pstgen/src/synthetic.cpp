#include "pstgen/synthetic.h"

#include <array>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "bytes.h"
#include "mapi/mapitags.h"
#include "pstgen/guid.h"
#include "pstgen/values.h"
#include "pstgen/writer.h"
#include "property_helpers.h"
#include "win32/text.h"

namespace pstgen {
namespace {

using FolderId = PstWriter::FolderId;

constexpr std::uint64_t kBigAttachment = 9 * 1024 * 1024;  // needs a two-level data tree
constexpr std::uint64_t kBigAttachmentItem = 7;

const char* const kWords[] = {"budget",  "meeting", "project", "review", "quarter", "report",  "draft",
                              "please",  "attached", "update", "team",   "schedule", "client", "invoice",
                              "summary", "thanks",  "regards", "next",   "week",    "plan",    "launch",
                              "design",  "feedback", "status", "issue",  "release", "contract", "travel"};
const char* const kFirst[] = {"Ann", "Bob", "Cara", "Dev", "Eli", "Fay", "Gus", "Hana", "Ivo", "Jo", "Kai", "Lena"};
const char* const kLast[] = {"Archer", "Brook", "Cole", "Dunn", "Ellis", "Frost", "Grant", "Hale", "Irwin", "Jones"};

struct Rng {
  std::mt19937_64 gen;
  std::uint64_t Below(std::uint64_t n) { return gen() % n; }
  bool Chance(double p) { return std::uniform_real_distribution<double>(0, 1)(gen) < p; }
  // Sizes spread evenly over orders of magnitude, as real attachments are.
  std::uint64_t LogUniform(double lo, double hi) {
    return std::uint64_t(std::exp(std::uniform_real_distribution<double>(std::log(lo), std::log(hi))(gen)));
  }
  template <std::size_t N>
  const char* Pick(const char* const (&list)[N]) { return list[Below(N)]; }
};

std::string Sentence(Rng& r, std::size_t words) {
  std::string s;
  for (std::size_t i = 0; i < words; ++i) {
    if (i) s += ' ';
    s += r.Pick(kWords);
  }
  if (!s.empty()) s[0] = char(std::toupper(static_cast<unsigned char>(s[0])));
  return s;
}

std::string Body(Rng& r, std::size_t bytes) {
  std::string s;
  while (s.size() < bytes) s += Sentence(r, 6 + r.Below(10)) + ".\r\n";
  return s;
}

Bytes Payload(Rng& r, std::uint64_t size) {
  Bytes b(size);
  std::uint64_t x = r.gen() | 1;
  for (std::size_t i = 0; i < size; i += 8) {
    x ^= x << 13, x ^= x >> 7, x ^= x << 17;
    for (std::size_t k = 0; k < 8 && i + k < size; ++k) b[i + k] = std::uint8_t(x >> (8 * k));
  }
  return b;
}

Bytes Text(const std::string& s) { return Utf16Value(win32::Utf8ToUtf16(s)); }
Bytes Time(std::uint64_t filetime) {
  Bytes b;
  Append<std::uint64_t>(b, filetime);
  return b;
}

NamedProperty Named(const char* set, std::uint32_t lid, ULONG type, Bytes value) {
  NamedProperty n;
  n.set = *PropertySet(set);
  n.lid = lid;
  n.type = type;
  n.value = std::move(value);
  return n;
}

struct Person {
  std::string name, email;
};

Person SomePerson(Rng& r) {
  std::string first = r.Pick(kFirst), last = r.Pick(kLast);
  std::string email = first + "." + last + "@example.com";
  for (char& c : email) c = char(std::tolower(static_cast<unsigned char>(c)));
  return {first + " " + last, email};
}

Recipient MakeRecipient(const Person& p, std::int32_t type) {
  return {{{PR_RECIPIENT_TYPE, LongValue(type)},
           {PR_DISPLAY_NAME_W, Text(p.name)},
           {PR_EMAIL_ADDRESS_W, Text(p.email)},
           {PR_ADDRTYPE_W, Text("SMTP")}}};
}

class Generator {
 public:
  Generator(const SyntheticOptions& o, PstWriter& w) : w_(w), bigEvery_(o.bigEvery) {
    rng_.gen.seed(o.seed);
    clock_ = 133000000000000000ull + rng_.Below(1000) * 864000000000ull;  // a day in 2022-2024
    BuildTree();
  }

  void Item(std::uint64_t index) {
    std::uint64_t roll = rng_.Below(100);
    clock_ += 600000000ull + rng_.Below(36000000000ull);  // one minute to an hour later
    if (roll < 70 || Big(index)) return Mail(index);
    if (roll < 78) return w_.AddMessage(calendar_, Appointment());
    if (roll < 86) return w_.AddMessage(contacts_, Contact());
    if (roll < 88) return w_.AddMessage(contacts_, DistList());
    if (roll < 91) return w_.AddMessage(notes_, StickyNote());
    if (roll < 96) return w_.AddMessage(tasks_, Task());
    w_.AddMessage(journal_, Journal());
  }

 private:
  bool Big(std::uint64_t index) const {
    return index == kBigAttachmentItem || (bigEvery_ && index % bigEvery_ == kBigAttachmentItem % bigEvery_);
  }

  void BuildTree() {
    FolderId ipm = w_.IpmSubtree();
    auto add = [&](FolderId parent, const char* name, const char* cls) {
      return w_.AddFolder(parent, win32::Utf8ToUtf16(name), win32::Utf8ToUtf16(cls), {});
    };
    FolderId inbox = add(ipm, "Inbox", "IPF.Note");
    FolderId projects = add(inbox, "Projects", "IPF.Note");
    FolderId archive = add(ipm, "Archive", "IPF.Note");
    // Most mail arrives in the inbox; the rest is spread over the others.
    FolderId alpha = add(projects, "Alpha", "IPF.Note"), beta = add(projects, "Beta", "IPF.Note");
    FolderId news = add(inbox, "Newsletters", "IPF.Note"), sent = add(ipm, "Sent Items", "IPF.Note");
    FolderId drafts = add(ipm, "Drafts", "IPF.Note");
    FolderId y2023 = add(archive, "2023", "IPF.Note"), y2024 = add(archive, "2024", "IPF.Note");
    mailFolders_ = {inbox, inbox, inbox, inbox, alpha, beta, news, sent, sent, drafts, y2023, y2024, w_.DeletedItems()};
    add(ipm, "Outbox", "IPF.Note");
    calendar_ = add(ipm, "Calendar", "IPF.Appointment");
    contacts_ = add(ipm, "Contacts", "IPF.Contact");
    notes_ = add(ipm, "Notes", "IPF.StickyNote");
    tasks_ = add(ipm, "Tasks", "IPF.Task");
    journal_ = add(ipm, "Journal", "IPF.Journal");
  }

  Message Base(const char* cls, const std::string& subject) {
    Message m;
    m.props = {{PR_MESSAGE_CLASS_W, Text(cls)},
               {PR_SUBJECT_W, Text(subject)},
               {PR_CREATION_TIME, Time(clock_)},
               {PR_LAST_MODIFICATION_TIME, Time(clock_)},
               {PR_MESSAGE_FLAGS, LongValue(rng_.Chance(0.8) ? 1 : 0)}};
    return m;
  }

  Attachment FileAttachment(std::uint64_t size) {
    static const char* const kExt[] = {".pdf", ".docx", ".xlsx", ".png", ".zip", ".txt"};
    std::string name = Sentence(rng_, 2) + rng_.Pick(kExt);
    Attachment a;
    a.props = {{PR_ATTACH_METHOD, LongValue(1)},
               {PR_ATTACH_LONG_FILENAME_W, Text(name)},
               {PR_ATTACH_FILENAME_W, Text(name)},
               {PR_DISPLAY_NAME_W, Text(name)},
               {PR_ATTACH_DATA_BIN, Payload(rng_, size)}};
    return a;
  }

  Message MailMessage(bool allowEmbedded) {
    Person from = SomePerson(rng_);
    Message m = Base("IPM.Note", Sentence(rng_, 3 + rng_.Below(5)));
    std::string body = Body(rng_, rng_.LogUniform(200, 20000));
    std::string html = "<html><body><p>" + body + "</p></body></html>";
    m.props.push_back({PR_BODY_W, Text(body)});
    m.props.push_back({PR_HTML, Bytes(html.begin(), html.end())});
    if (rng_.Chance(0.2)) {
      std::string rtf = "{\\rtf1\\ansi ";
      for (char c : body) rtf += c == '\n' ? std::string("\\par ") : c == '\r' ? std::string() : std::string(1, c);
      m.props.push_back({PR_RTF_COMPRESSED, BinaryFromText("rtf:" + rtf + "}")});
    }
    m.props.push_back({PR_SENDER_NAME_W, Text(from.name)});
    m.props.push_back({PR_SENDER_EMAIL_ADDRESS_W, Text(from.email)});
    m.props.push_back({PR_SENT_REPRESENTING_NAME_W, Text(from.name)});
    m.props.push_back({PR_CLIENT_SUBMIT_TIME, Time(clock_)});
    m.props.push_back({PR_MESSAGE_DELIVERY_TIME, Time(clock_ + 50000000)});
    m.props.push_back({PR_IMPORTANCE, LongValue(std::int32_t(rng_.Below(3)))});
    m.props.push_back({PR_INTERNET_MESSAGE_ID_W, Text("<" + std::to_string(rng_.gen()) + "@example.com>")});
    for (std::uint64_t i = 0, n = 1 + rng_.Below(4); i < n; ++i)
      m.recipients.push_back(MakeRecipient(SomePerson(rng_), i == 0 || rng_.Chance(0.6) ? 1 : 2));
    if (rng_.Chance(0.3))
      for (std::uint64_t i = 0, n = 1 + rng_.Below(2); i < n; ++i)
        m.attachments.push_back(FileAttachment(rng_.LogUniform(2000, 600000)));
    if (allowEmbedded && rng_.Chance(0.02)) {
      Attachment a;
      a.props = {{PR_ATTACH_METHOD, LongValue(5)}, {PR_DISPLAY_NAME_W, Text("Forwarded message")}};
      a.message = std::make_unique<Message>(MailMessage(false));
      m.attachments.push_back(std::move(a));
    }
    return m;
  }

  void Mail(std::uint64_t index) {
    Message m = MailMessage(true);
    if (Big(index)) m.attachments.push_back(FileAttachment(kBigAttachment));
    w_.AddMessage(mailFolders_[rng_.Below(mailFolders_.size())], m);
  }

  Message Appointment() {
    Message m = Base("IPM.Appointment", Sentence(rng_, 2) + " meeting");
    std::uint64_t start = clock_ + rng_.Below(30) * 864000000000ull, end = start + 36000000000ull;
    m.props.push_back({PR_START_DATE, Time(start)});
    m.props.push_back({PR_END_DATE, Time(end)});
    m.props.push_back({PR_BODY_W, Text(Body(rng_, 300))});
    m.named = {Named("PSETID_Appointment", 0x820D, PT_SYSTIME, Time(start)),
               Named("PSETID_Appointment", 0x820E, PT_SYSTIME, Time(end)),
               Named("PSETID_Appointment", 0x8208, PT_UNICODE, Text("Room " + std::to_string(rng_.Below(40))))};
    m.recipients.push_back(MakeRecipient(SomePerson(rng_), 1));
    return m;
  }

  Message Contact() {
    Person p = SomePerson(rng_);
    Message m = Base("IPM.Contact", p.name);
    std::string first = p.name.substr(0, p.name.find(' ')), last = p.name.substr(p.name.find(' ') + 1);
    m.props.push_back({PR_DISPLAY_NAME_W, Text(p.name)});
    m.props.push_back({PR_GIVEN_NAME_W, Text(first)});
    m.props.push_back({PR_SURNAME_W, Text(last)});
    m.props.push_back({PR_COMPANY_NAME_W, Text(std::string(rng_.Pick(kLast)) + " Ltd")});
    m.props.push_back({PR_BUSINESS_TELEPHONE_NUMBER_W, Text("+1 555 01" + std::to_string(10 + rng_.Below(90)))});
    m.named = {Named("PSETID_Address", 0x8083, PT_UNICODE, Text(p.email)),
               Named("PSETID_Address", 0x8080, PT_UNICODE, Text(p.name + " (" + p.email + ")"))};
    return m;
  }

  Message DistList() {
    Message m = Base("IPM.DistList", Sentence(rng_, 1) + " list");
    std::vector<Bytes> members;
    for (std::uint64_t i = 0, n = 2 + rng_.Below(6); i < n; ++i) {
      Person p = SomePerson(rng_);
      members.push_back(BinaryFromText("oneoff:" + p.name + "|SMTP|" + p.email));
    }
    Bytes mv;
    Append<std::uint32_t>(mv, std::uint32_t(members.size()));
    std::uint32_t at = std::uint32_t(4 + 4 * members.size());
    for (const Bytes& b : members) Append<std::uint32_t>(mv, at), at += std::uint32_t(b.size());
    for (const Bytes& b : members) AppendBytes(mv, b);
    m.props.push_back({PR_DISPLAY_NAME_W, FindProp(m.props, PR_SUBJECT_W)->value});
    m.named = {Named("PSETID_Address", 0x8053, PT_UNICODE, FindProp(m.props, PR_SUBJECT_W)->value),
               Named("PSETID_Address", 0x8054, PT_MV_BINARY, mv), Named("PSETID_Address", 0x8055, PT_MV_BINARY, mv)};
    return m;
  }

  Message StickyNote() {
    Message m = Base("IPM.StickyNote", Sentence(rng_, 3));
    m.props.push_back({PR_BODY_W, Text(Body(rng_, 200))});
    m.named = {Named("PSETID_Note", 0x8B00, PT_LONG, LongValue(std::int32_t(rng_.Below(5))))};
    return m;
  }

  Message Task() {
    Message m = Base("IPM.Task", Sentence(rng_, 3));
    m.props.push_back({PR_BODY_W, Text(Body(rng_, 500))});
    double done = double(rng_.Below(5)) / 4;
    Bytes pct;
    std::uint64_t bits;
    std::memcpy(&bits, &done, 8);
    Append<std::uint64_t>(pct, bits);
    m.named = {Named("PSETID_Task", 0x8101, PT_LONG, LongValue(done == 1 ? 2 : done > 0 ? 1 : 0)),
               Named("PSETID_Task", 0x8102, PT_DOUBLE, pct),
               Named("PSETID_Task", 0x8105, PT_SYSTIME, Time(clock_ + 7 * 864000000000ull))};
    return m;
  }

  Message Journal() {
    Message m = Base("IPM.Activity", "Call with " + SomePerson(rng_).name);
    m.props.push_back({PR_BODY_W, Text(Body(rng_, 300))});
    m.named = {Named("PSETID_Log", 0x8700, PT_UNICODE, Text("Phone call")),
               Named("PSETID_Log", 0x8706, PT_SYSTIME, Time(clock_)),
               Named("PSETID_Log", 0x8708, PT_SYSTIME, Time(clock_ + 9000000000ull)),
               Named("PSETID_Log", 0x8707, PT_LONG, LongValue(15))};
    return m;
  }

  PstWriter& w_;
  Rng rng_;
  std::uint64_t clock_;
  std::uint64_t bigEvery_ = 0;
  std::vector<FolderId> mailFolders_;
  FolderId calendar_ = 0, contacts_ = 0, notes_ = 0, tasks_ = 0, journal_ = 0;
};

}  // namespace

void WriteSynthetic(const SyntheticOptions& options, const std::filesystem::path& path) {
  PstWriter w(path);
  w.SetStore(u"Synthetic Personal Folders", {});
  Generator g(options, w);
  for (std::uint64_t i = 0; i < options.items; ++i) g.Item(i);
  w.Finish();
}

}  // namespace pstgen
