// Sequential probability ratio test of a match: after each game the log-likelihood
// ratio of "the engine is elo1 stronger" against "it is elo0 stronger" from the wins,
// draws and losses (the normal approximation of the trinomial), and the decision once
// it crosses a bound set by the error rates alpha and beta.
#pragma once

namespace zh::match {

struct SprtBounds {
  double elo0 = 0, elo1 = 10, alpha = 0.05, beta = 0.05;
};

enum class SprtDecision { kContinue, kAcceptH0, kAcceptH1 };

// The expected score of an Elo difference.
double ScoreOfElo(double elo);
// The log-likelihood ratio; 0 while the results show no spread (no games, or only
// one kind of result).
double SprtLlr(int wins, int draws, int losses, const SprtBounds& bounds);
// ln(beta / (1 - alpha)) and ln((1 - beta) / alpha).
double SprtLower(const SprtBounds& bounds);
double SprtUpper(const SprtBounds& bounds);
SprtDecision Sprt(int wins, int draws, int losses, const SprtBounds& bounds);

// "elo0,elo1[,alpha,beta]"; false on a malformed text or elo1 <= elo0, or error
// rates outside (0, 0.5].
bool ParseSprt(const char* text, SprtBounds& out);

}  // namespace zh::match
