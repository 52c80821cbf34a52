#include "database/game/text_media_reader.h"

namespace zh {

namespace {

class NoLinks final : public TextMediaReader {
 public:
  int MediaLinkCount() const override { return 0; }
  int MediaLinkKind(int) const override { return 0; }
  std::string MediaLinkTarget(int) const override { return {}; }
};

TextMediaReaderFactory& Factory() {
  static TextMediaReaderFactory factory;
  return factory;
}

}  // namespace

std::unique_ptr<TextMediaReader> ReadTextMedia(std::string_view bytes) {
  if (Factory()) return Factory()(bytes);
  return std::make_unique<NoLinks>();
}

bool StripTextMedia(std::string& formatBytes, std::string& text) {
  return ReadTextMedia(formatBytes)->StripMediaLinks(formatBytes, text);
}

void SetTextMediaReaderFactory(TextMediaReaderFactory factory) {
  Factory() = std::move(factory);
}

}  // namespace zh
