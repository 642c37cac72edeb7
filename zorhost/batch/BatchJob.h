// `zorhost batch` on the command line: a manifest's parts rendered, each in a process of its own,
// and the batch's summary written.
#pragma once

#include <iosfwd>
#include <string>

#include "zorhost/common/CommandLine.h"

// Exit statuses: 0 every part done, 1 a part failed or the run did, 2 usage or a bad manifest.
// With --rows-asked, the rows come from `in` and the job ends 0 when `in` does.
int ZORBatchJob(ZORJobArguments& arguments, std::string modulePath, std::istream& in, std::ostream& out,
                std::ostream& err);
