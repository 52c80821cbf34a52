#include "sprt.h"

#include <cmath>
#include <cstdio>

namespace zh::match {

double ScoreOfElo(double elo) { return 1 / (1 + std::pow(10.0, -elo / 400)); }

double SprtLlr(int wins, int draws, int losses, const SprtBounds& b) {
  const int n = wins + draws + losses;
  if (n <= 0) return 0;
  const double w = static_cast<double>(wins) / n, d = static_cast<double>(draws) / n;
  const double mean = w + d / 2;
  const double variance = w + d / 4 - mean * mean;  // of one game's points
  if (variance <= 1e-12) return 0;
  const double s0 = ScoreOfElo(b.elo0), s1 = ScoreOfElo(b.elo1);
  return n * (s1 - s0) * (2 * mean - s0 - s1) / (2 * variance);
}

double SprtLower(const SprtBounds& b) { return std::log(b.beta / (1 - b.alpha)); }
double SprtUpper(const SprtBounds& b) { return std::log((1 - b.beta) / b.alpha); }

SprtDecision Sprt(int wins, int draws, int losses, const SprtBounds& b) {
  const double llr = SprtLlr(wins, draws, losses, b);
  if (llr >= SprtUpper(b)) return SprtDecision::kAcceptH1;
  if (llr <= SprtLower(b)) return SprtDecision::kAcceptH0;
  return SprtDecision::kContinue;
}

bool ParseSprt(const char* text, SprtBounds& out) {
  SprtBounds b;
  char rest = 0;
  const int read = std::sscanf(text, "%lf,%lf,%lf,%lf%c", &b.elo0, &b.elo1, &b.alpha, &b.beta, &rest);
  if (read != 2 && read != 4) return false;
  if (!(b.elo1 > b.elo0) || !(b.alpha > 0 && b.alpha <= 0.5) || !(b.beta > 0 && b.beta <= 0.5)) return false;
  out = b;
  return true;
}

}  // namespace zh::match
