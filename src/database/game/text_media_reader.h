// Reader over the bytes of a stored formatted text, as far as the game items need it:
// its media links. The text subsystem installs the real reader; the default finds no
// links.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace zh {

enum MediaLinkKind : int { kPictureLink = 1, kAudioLink = 2, kVideoLink = 3 };

class TextMediaReader {
 public:
  virtual ~TextMediaReader() = default;
  virtual int MediaLinkCount() const = 0;
  // Kind (MediaLinkKind) and target of link i.
  virtual int MediaLinkKind(int i) const = 0;
  virtual std::string MediaLinkTarget(int i) const = 0;
  // Removes the media links from a text's format bytes and turns their object marks
  // in its characters into blanks; false, both unchanged, when it cannot.
  virtual bool StripMediaLinks(std::string& /*formatBytes*/, std::string& /*text*/) const { return false; }
};

using TextMediaReaderFactory = std::function<std::unique_ptr<TextMediaReader>(std::string_view)>;

// A reader over the text bytes from the installed factory.
std::unique_ptr<TextMediaReader> ReadTextMedia(std::string_view bytes);
// The media links stripped from a text copied into another database.
bool StripTextMedia(std::string& formatBytes, std::string& text);
// Installs a factory; an empty one restores the default.
void SetTextMediaReaderFactory(TextMediaReaderFactory factory);

}  // namespace zh
