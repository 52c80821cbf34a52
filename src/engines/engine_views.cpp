#include "engines/engine_views.h"

namespace zh {
namespace {

EngineViews& Installed() {
  static EngineViews views;
  return views;
}

template <class T>
T& Or(T* view) {
  static T null;
  return view != nullptr ? *view : null;
}

}  // namespace

EngineViews& CurrentEngineViews() { return Installed(); }
ClockView& ClockDisplay() { return Or(Installed().clock); }
SearchView& SearchDisplay() { return Or(Installed().search); }
GameWindowView& GameWindowDisplay() { return Or(Installed().gameWindow); }
CoachCalls& EngineCoach() { return Or(Installed().coach); }
EvalProfileView* EvalProfile() { return Installed().profile; }

ScopedEngineViews::ScopedEngineViews(const EngineViews& views) : saved_(Installed()) {
  EngineViews& v = Installed();
  if (views.clock) v.clock = views.clock;
  if (views.search) v.search = views.search;
  if (views.profile) v.profile = views.profile;
  if (views.gameWindow) v.gameWindow = views.gameWindow;
  if (views.coach) v.coach = views.coach;
}

ScopedEngineViews::~ScopedEngineViews() { Installed() = saved_; }

}  // namespace zh
