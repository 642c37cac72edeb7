// What the analysis needs of the CAD kernel besides its geometry: its failures caught and its
// messages kept off standard output.
#pragma once

#include <Standard_Failure.hxx>

#include <exception>
#include <memory>
#include <string>

#include <TopoDS_Shape.hxx>

#include <vector>

#include "zorhost/common/Outcome.h"
#include "zorhost/surface/Continuity.h"

class ZORPart;

// Sends the kernel's messages to the list that ZORTakeKernelMessages empties, instead of
// standard output. Called before the kernel is used; calling it again does nothing.
void ZORQuietKernel();
// The kernel's messages since the last call, warnings and failures only, one a line.
std::string ZORTakeKernelMessages();

// Runs `work`, which returns a ZOROutcome; a failure the kernel throws becomes a problem of
// the input, saying what the kernel said (and its messages). Nothing the kernel throws goes on.
template <class Work>
ZOROutcome ZORCatchingKernelFailures(Work work) {
  ZORQuietKernel();
  std::string failed;
  ZORProblem::Kind kind = ZORProblem::Kind::BadInput;
  try {
    ZOROutcome outcome = work();
    if (!outcome) return outcome;
    failed = std::move(outcome->message);
    kind = outcome->kind;
  } catch (const Standard_Failure& failure) {
    failed = std::string("the CAD kernel failed: ") +
             (failure.GetMessageString() != nullptr && *failure.GetMessageString() != '\0'
                  ? failure.GetMessageString()
                  : failure.DynamicType()->Name());
  } catch (const std::bad_alloc&) {
    failed = "not enough memory";
    kind = ZORProblem::Kind::TooLarge;
  } catch (const std::exception& failure) {
    failed = failure.what();
  }
  if (const std::string messages = ZORTakeKernelMessages(); !messages.empty()) failed += " (" + messages + ")";
  return ZORProblem{kind, failed};
}

// The continuity across every edge of `shape` that joins two of its faces, the faces numbered as
// a part of the shape numbers them.
std::vector<ZOREdgeContinuity> ZORMeasureContinuity(const TopoDS_Shape& shape);

// The shape of the built-in sample part (see ZORMakeSamplePart).
TopoDS_Shape ZORSampleShape();

// A part of the shape's faces, its lengths in `lengthUnit` (empty: unknown).
std::unique_ptr<ZORPart> ZORMakeCadPart(std::string description, const TopoDS_Shape& shape,
                                        std::string lengthUnit = "");

// A STEP (or, `iges`, IGES) file's part; a problem naming the file when it cannot be read.
ZOROutcome ZORReadCadPart(const std::string& path, bool iges, std::unique_ptr<ZORPart>& part);
