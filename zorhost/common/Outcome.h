// One convention for what stops a job or a step: a problem of a kind, with its message. Every job
// and step returns a ZOROutcome (or a value beside one); the kind is said where the problem is
// found, and mapped once to an exit status (ZORExitStatus) and once to an HTTP status
// (ZORHttpStatus), so that a failure reads the same in render, serve and zorscale.
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
    TimedOut,  // the work took longer than its time limit
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

// `outcome` with `context` said before its message ("FILE: " say), its kind kept.
inline ZOROutcome ZORInContext(const std::string& context, ZOROutcome outcome) {
  if (outcome) outcome->message = context + outcome->message;
  return outcome;
}

// The exit status of a job: 0 done, 2 for the user's input (usage, bad input, past a limit or the
// time limit), 1 a failure of the run.
int ZORExitStatus(const ZOROutcome& outcome);

// The HTTP status of a request the editor refused: 400 for usage and bad input, 413 past a
// limit, 409 for a conflict, 504 past the time limit, 500 for a failure of the run.
int ZORHttpStatus(const ZORProblem& problem);

// Writes "zorhost JOB: MESSAGE" on `err`, the message made safe for a terminal, and returns the
// exit status; for a usage problem, where the job's help is. 0, writing nothing, when done.
int ZORReport(const ZOROutcome& outcome, std::string_view job, std::ostream& err);
