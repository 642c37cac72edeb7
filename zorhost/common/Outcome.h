// One convention for what stops a job or a step: a problem of a kind, with its message. Every job
// and step returns a ZOROutcome; the command line maps it to an exit status (ZORExitStatus), the
// editor's server to an HTTP status.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

struct ZORProblem {
  enum class Kind {
    Usage,     // the command line is wrong
    BadInput,  // a file, value or request that cannot be used
    TooLarge,  // input or output past a limit
    Conflict,  // the request does not fit the state (nothing to undo, say)
    Failure,   // the run failed: the host, the module or the output
  };
  Kind kind;
  std::string message;
};

// The problem as a person reads it: its message.
std::ostream& operator<<(std::ostream& out, const ZORProblem& problem);

// Nothing when the work was done.
using ZOROutcome = std::optional<ZORProblem>;

inline ZOROutcome ZORBadInput(std::string message) {
  return ZORProblem{ZORProblem::Kind::BadInput, std::move(message)};
}
inline ZOROutcome ZORFailure(std::string message) {
  return ZORProblem{ZORProblem::Kind::Failure, std::move(message)};
}
inline ZOROutcome ZORUsageProblem(std::string message) {
  return ZORProblem{ZORProblem::Kind::Usage, std::move(message)};
}

// The exit status of a job: 0 done, 2 for the user's input (usage, bad input, past a limit), 1 a
// failure of the run.
int ZORExitStatus(const ZOROutcome& outcome);

// Writes "zorhost JOB: MESSAGE" on `err`, the message made safe for a terminal, and returns the
// exit status; for a usage problem, where the job's help is. 0, writing nothing, when done.
int ZORReport(const ZOROutcome& outcome, std::string_view job, std::ostream& err);
