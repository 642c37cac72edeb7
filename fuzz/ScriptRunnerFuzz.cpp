// The script runner from memory: any bytes run to exit status 0 or 2, one output line for each
// command run, and never crash.
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "zorhost/common/ModuleHost.h"
#include "zor/testing/ZORHostTesting.h"
#include "zorhost/script/ScriptRunner.h"

namespace {

ZORModuleHost* host = nullptr;
std::ostringstream* out = nullptr;
std::ostringstream* err = nullptr;
ZORScriptRunner* runner = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Repositories the scripts save land in a folder of their own.
  char folder[] = "/tmp/zor-fuzz-settings-XXXXXX";
  if (mkdtemp(folder) == nullptr) ZORFuzzFinding("no settings folder");
  setenv("ZOR_SETTINGS_DIR", folder, 1);
  ZORHostTesting::SetSaveSync(false);
  std::unique_ptr<ZORModuleHost> opened;
  if (ZOROutcome problem = ZORModuleHost::Open(ZOR_MODULE_PATH, opened)) ZORFuzzFinding(problem->message.c_str());
  host = opened.release();
  out = new std::ostringstream;
  err = new std::ostringstream;
  runner = new ZORScriptRunner(*host, *out, *err);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (host == nullptr) LLVMFuzzerInitialize(nullptr, nullptr);
  std::istringstream script(std::string(reinterpret_cast<const char*>(data), size));
  out->str("");
  err->str("");
  const int status = runner->Run(script, "<fuzz>");
  if (status != ZORScriptRunner::kEveryLineRan && status != ZORScriptRunner::kBadLine) {
    ZORFuzzFinding("an exit status other than 0 and 2");
  }
  const std::string printed = out->str();
  const long lines = static_cast<long>(std::count(printed.begin(), printed.end(), '\n'));
  if (lines != runner->CommandsRun()) ZORFuzzFinding("not one line for each command run");
  if ((status == ZORScriptRunner::kBadLine) != !err->str().empty()) {
    ZORFuzzFinding("a bad line without its message, or a message without a bad line");
  }
  // Each run starts with no scale and a fresh document.
  runner->Reset();
  host->NewDocument();
  return 0;
}
