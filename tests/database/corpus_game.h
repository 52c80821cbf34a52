// A game of the search corpus (support/search_corpus.h) as the database stores it.
#pragma once

#include "database/game/game_item.h"
#include "support/search_corpus.h"

namespace zh::test {

TQGame CorpusGameOf(const CorpusGame& corpusGame);

}  // namespace zh::test
