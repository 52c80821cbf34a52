#include "database/game/training_holder.h"

namespace zh {

namespace {

TrainingHolderFactory& Factory() {
  static TrainingHolderFactory factory;
  return factory;
}

}  // namespace

std::unique_ptr<TrainingHolder> VerbatimTrainingHolder::Clone() const {
  return std::make_unique<VerbatimTrainingHolder>(*this);
}

void VerbatimTrainingHolder::Release() {
  bytes_.clear();
  count_ = -1;
}

void VerbatimTrainingHolder::Read(std::string_view payload) {
  bytes_.assign(payload.data(), payload.size());
  count_ = bytes_.empty() ? 0 : 1;
}

size_t VerbatimTrainingHolder::Write(std::string& out) const {
  out.append(bytes_);
  return bytes_.size();
}

std::unique_ptr<TrainingHolder> CreateTrainingHolder() {
  if (Factory()) return Factory()();
  return std::make_unique<VerbatimTrainingHolder>();
}

void SetTrainingHolderFactory(TrainingHolderFactory factory) {
  Factory() = std::move(factory);
}

}  // namespace zh
