#include "database/game/training_payload.h"

namespace zh {

namespace {

TrainingPayloadFactory& Factory() {
  static TrainingPayloadFactory factory;
  return factory;
}

}  // namespace

std::unique_ptr<TrainingPayload> VerbatimTrainingPayload::Clone() const {
  return std::make_unique<VerbatimTrainingPayload>(*this);
}

void VerbatimTrainingPayload::Release() {
  bytes_.clear();
  count_ = -1;
}

void VerbatimTrainingPayload::Read(std::string_view payload) {
  bytes_.assign(payload.data(), payload.size());
  count_ = bytes_.empty() ? 0 : 1;
}

size_t VerbatimTrainingPayload::Write(std::string& out) const {
  out.append(bytes_);
  return bytes_.size();
}

std::unique_ptr<TrainingPayload> CreateTrainingPayload() {
  if (Factory()) return Factory()();
  return std::make_unique<VerbatimTrainingPayload>();
}

void SetTrainingPayloadFactory(TrainingPayloadFactory factory) {
  Factory() = std::move(factory);
}

}  // namespace zh
