// `zorhost batch` on the command line: a manifest's parts rendered, each in a process of its own,
// and the batch's summary written.
#pragma once

#include <iosfwd>
#include <string>

#include "zorhost/common/CommandLine.h"

// Exit statuses: 0 every part done, 1 a part failed or the run did, 2 usage or a bad manifest.
int ZORBatchJob(ZORJobArguments& arguments, std::string modulePath, std::ostream& out, std::ostream& err);
