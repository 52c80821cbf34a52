// What the long tree jobs ask of the windows that show a tree: a refresh now and
// then. The tree windows implement it; the null form shows nothing, the recording
// form counts the refreshes.
#pragma once

namespace zh {

class TreeViews {
 public:
  virtual ~TreeViews() = default;
  virtual void RefreshTree() = 0;
};

class NullTreeViews final : public TreeViews {
 public:
  void RefreshTree() override {}
};

class RecordingTreeViews final : public TreeViews {
 public:
  void RefreshTree() override { ++refreshes; }
  int refreshes = 0;
};

}  // namespace zh
