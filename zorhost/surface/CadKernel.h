// What the analysis needs of the CAD kernel besides its geometry: its failures caught and its
// messages kept off standard output.
#pragma once

#include <Standard_Failure.hxx>

#include <exception>
#include <memory>
#include <string>

#include <TopoDS_Shape.hxx>

class ZORPart;

// Sends the kernel's messages to the list that ZORTakeKernelMessages empties, instead of
// standard output. Called before the kernel is used; calling it again does nothing.
void ZORQuietKernel();
// The kernel's messages since the last call, warnings and failures only, one a line.
std::string ZORTakeKernelMessages();

// Runs `work` (which returns false with `error` set when it fails); a failure the kernel throws
// becomes false too, with `error` saying what the kernel said. Nothing the kernel throws goes on.
template <class Work>
bool ZORCatchingKernelFailures(std::string& error, Work work) {
  ZORQuietKernel();
  try {
    if (work()) return true;
  } catch (const Standard_Failure& failure) {
    error = std::string("the CAD kernel failed: ") +
            (failure.GetMessageString() != nullptr && *failure.GetMessageString() != '\0'
                 ? failure.GetMessageString()
                 : failure.DynamicType()->Name());
  } catch (const std::bad_alloc&) {
    error = "not enough memory";
  } catch (const std::exception& failure) {
    error = failure.what();
  }
  if (const std::string messages = ZORTakeKernelMessages(); !messages.empty()) {
    error += " (" + messages + ")";
  }
  return false;
}

// The shape of the built-in sample part (see ZORMakeSamplePart).
TopoDS_Shape ZORSampleShape();

// A part of the shape's faces, its lengths in `lengthUnit` (empty: unknown).
std::unique_ptr<ZORPart> ZORMakeCadPart(std::string description, const TopoDS_Shape& shape,
                                        std::string lengthUnit = "");

// A STEP (or, `iges`, IGES) file's part; null with `error` naming the file.
std::unique_ptr<ZORPart> ZORReadCadPart(const std::string& path, bool iges, std::string& error);
