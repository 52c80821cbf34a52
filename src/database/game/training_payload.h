// The training question that hangs on a move. The analysis subsystem installs a
// factory for its own holders; until then the default holder keeps the stored payload
// bytes as they were read and writes them back unchanged.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace zh {

class PathList;

class TrainingPayload {
 public:
  virtual ~TrainingPayload() = default;

  // A deep copy.
  virtual std::unique_ptr<TrainingPayload> Clone() const = 0;
  // Frees the question; the count becomes -1.
  virtual void Release() = 0;
  // Fills the holder from the payload of a stored training record.
  virtual void Read(std::string_view payload) = 0;
  // Appends the payload bytes to `out`; answers their number (0: nothing to write).
  virtual size_t Write(std::string& out) const = 0;
  virtual bool HoldsText() const = 0;
  virtual bool IsAnswered() const = 0;
  // Adds the media files that the question refers to.
  virtual void CollectMedia(PathList& list) const = 0;
  // Number of held items: 0 empty, -1 after Release.
  virtual int16_t ItemCount() const = 0;
};

// Keeps the payload bytes verbatim (zeros included).
class VerbatimTrainingPayload final : public TrainingPayload {
 public:
  std::unique_ptr<TrainingPayload> Clone() const override;
  void Release() override;
  void Read(std::string_view payload) override;
  size_t Write(std::string& out) const override;
  bool HoldsText() const override { return false; }
  bool IsAnswered() const override { return true; }
  void CollectMedia(PathList&) const override {}
  int16_t ItemCount() const override { return count_; }

 private:
  std::string bytes_;
  int16_t count_ = 0;
};

using TrainingPayloadFactory = std::function<std::unique_ptr<TrainingPayload>()>;

// A new empty holder from the installed factory (the verbatim one by default).
std::unique_ptr<TrainingPayload> CreateTrainingPayload();
// Installs a factory; an empty one restores the default.
void SetTrainingPayloadFactory(TrainingPayloadFactory factory);

}  // namespace zh
