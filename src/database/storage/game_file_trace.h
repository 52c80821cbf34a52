// Main-line helpers shared by the databases over one game file (old format, PGN):
// cutting a decoded main line to a ply limit and replaying it into a search trace.
#pragma once

namespace zh {

class TraceSink;
class TQGame;

// Drops the main-line moves from ply `plyLimit` on (a negative limit keeps all).
void LimitMainLine(TQGame& game, int plyLimit);
// Replays the game's main line from its start into the trace.
void TraceMainLine(TQGame& game, TraceSink& trace);

}  // namespace zh
