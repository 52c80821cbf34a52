// Move values between -125 and 125 for the tree book, from the grades of the moves or
// from their statistics.
#pragma once

#include <cstdint>

#include "books/tree/tree_items.h"
#include "core/services.h"

namespace zh {

// Per candidate: `flags` the learned flags of its resulting position, `grades` the value
// byte of the move in the current position's list. 0 with `values` filled; 1 when a
// candidate is marked or no move has a grade.
int ValuesFromGrades(const uint8_t* flags, const uint8_t* grades, int n, int* values);

// `mode` 1 scores for White, else for Black; the settings give "StatWidth" and
// "MinGames". 0 (values all 0 when no candidate has a
// game).
int ValuesFromStatistics(const TreeSettings& settings, const StatisticItem* items, int n,
                         int* values, int mode);

}  // namespace zh
