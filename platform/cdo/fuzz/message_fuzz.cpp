// libFuzzer target: the message parsing behind IDataSource::OpenObject, on
// any bytes. Built by scripts/fuzz with AddressSanitizer and
// UndefinedBehaviorSanitizer.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "message_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto fields = cdo::ParseMessage(std::string_view(reinterpret_cast<const char*>(data), size));
  if (fields) {
    // Every value is read as the Message object would serve it.
    volatile std::size_t total = fields->from.size() + fields->to.size() + fields->cc.size() + fields->bcc.size() +
                                 fields->subject.size() + fields->html.size() + fields->text.size();
    (void)total;
  }
  return 0;
}
