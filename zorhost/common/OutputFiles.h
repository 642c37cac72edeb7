// The files a job writes: checked against each other and against what the job reads before
// anything is written, then written whole or not at all.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "zorhost/common/Outcome.h"

// A file a job reads or writes, and the option or role that names it in messages ("--values-out",
// "the part").
struct ZORNamedFile {
  std::string role;
  std::string path;
  bool makesFolder = false;  // written where its writer makes the folder (a settings repository)
};

// Why the files a job would write cannot be written (bad input), or nothing when they can: an
// output whose folder does not exist, an output that exists and is not a regular file (a FIFO, a
// device, a socket or a folder, named), two outputs that are one file, or an output that is one
// of the inputs. One file: the same path once symbolic links and `.` and `..` are resolved, or the
// same device and inode.
ZOROutcome ZORCheckFilePlan(const std::vector<ZORNamedFile>& outputs, const std::vector<ZORNamedFile>& inputs);

// What kind of file `mode` says ("a FIFO", "a folder", ...), for messages; empty for a regular file
// or a symbolic link.
std::string ZORFileKindOf(unsigned mode);

// What kind of file `path` names when it is not a regular file ("a FIFO", "a folder", ...), or
// an empty text for a regular file, a symbolic link or a file that does not exist.
std::string ZORIrregularFileKind(const std::string& path);

// Writes each file under a temporary name, then renames them all: either every file is in place
// and whole, or none was touched. A failure names the file.
ZOROutcome ZORWriteFilesWhole(const std::vector<std::pair<std::string, std::string>>& files);
