#include "database/game/text_format_info.h"

namespace zh {

namespace {

class NoLinks final : public CTextFormatInfo {
 public:
  int MediaLinkCount() const override { return 0; }
  int MediaLinkKind(int) const override { return 0; }
  std::string MediaLinkTarget(int) const override { return {}; }
};

TextFormatInfoFactory& Factory() {
  static TextFormatInfoFactory factory;
  return factory;
}

}  // namespace

std::unique_ptr<CTextFormatInfo> ReadTextFormatInfo(std::string_view bytes) {
  if (Factory()) return Factory()(bytes);
  return std::make_unique<NoLinks>();
}

void SetTextFormatInfoFactory(TextFormatInfoFactory factory) {
  Factory() = std::move(factory);
}

}  // namespace zh
