#include "zorhost/common/Outcome.h"

#include <ostream>

#include "zor/ZORText.h"

std::ostream& operator<<(std::ostream& out, const ZORProblem& problem) { return out << problem.message; }

int ZORExitStatus(const ZOROutcome& outcome) {
  if (!outcome) return 0;
  switch (outcome->kind) {
    case ZORProblem::Kind::Usage:
    case ZORProblem::Kind::BadInput:
    case ZORProblem::Kind::TooLarge:
    case ZORProblem::Kind::TimedOut:
      return 2;
    case ZORProblem::Kind::Conflict:
    case ZORProblem::Kind::Failure:
      return 1;
  }
  return 1;
}

int ZORHttpStatus(const ZORProblem& problem) {
  switch (problem.kind) {
    case ZORProblem::Kind::Usage:
    case ZORProblem::Kind::BadInput:
      return 400;
    case ZORProblem::Kind::TooLarge:
      return 413;
    case ZORProblem::Kind::Conflict:
      return 409;
    case ZORProblem::Kind::TimedOut:
      return 504;
    case ZORProblem::Kind::Failure:
      return 500;
  }
  return 500;
}

int ZORReport(const ZOROutcome& outcome, std::string_view job, std::ostream& err) {
  if (!outcome) return 0;
  err << "zorhost" << (job.empty() ? "" : " ") << job << ": " << ZORPrintable(outcome->message)
      << '\n';
  if (outcome->kind == ZORProblem::Kind::Usage) {
    err << "(zorhost " << job << (job.empty() ? "" : " ") << "--help tells how to use it)\n";
  }
  return ZORExitStatus(outcome);
}
