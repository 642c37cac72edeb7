#include "zorhost/script/ScriptRunner.h"

#include "zor/ZORText.h"
#include "zorhost/common/Limits.h"
#include "zorhost/common/Numbers.h"

#include <istream>
#include <ostream>
#include <vector>

ZORScriptRunner::ZORScriptRunner(ZORModuleHost& host, std::ostream& out, std::ostream& err)
    : context_(host), out_(out), err_(err) {
  for (auto commands : {ZORScriptOptionCommands(), ZORScriptTableCommands(),
                        ZORScriptHostCommands()}) {
    for (ZORScriptCommand& command : commands) {
      std::string name = command.name;
      commands_.emplace(std::move(name), std::move(command));
    }
  }
}

ZORScriptRunner::~ZORScriptRunner() = default;

void ZORScriptRunner::Reset() {
  context_.Clear();
  commandsRun_ = 0;
  outputWritten_ = 0;
}

int ZORScriptRunner::Run(std::istream& script, std::string_view name) {
  const std::string shownName = ZORPrintable(name);
  std::string text;
  for (int number = 1;; ++number) {
    // Read one line, refusing one longer than the limit before holding it all.
    text.clear();
    bool ended = true;
    for (int c; (c = script.get()) != std::char_traits<char>::eof();) {
      ended = false;
      if (c == '\n') break;
      text.push_back(static_cast<char>(c));
      if (text.size() > kZORLargestTextFile) {  // a longer line is refused rather than read
        err_ << "zorhost: " << shownName << ":" << number << ": the line is longer than " << ZORShownBytes(kZORLargestTextFile) << "\n";
        return kBadLine;
      }
    }
    if (ended && text.empty()) return kEveryLineRan;
    // A Windows line end is accepted.
    if (!text.empty() && text.back() == '\r') text.pop_back();
    std::vector<std::string_view> words;
    std::string_view rest(text);
    while (!rest.empty()) {
      std::size_t start = rest.find_first_not_of(" \t");
      if (start == std::string_view::npos) break;
      rest.remove_prefix(start);
      std::size_t end = rest.find_first_of(" \t");
      words.push_back(rest.substr(0, end));
      rest.remove_prefix(end == std::string_view::npos ? rest.size() : end);
    }
    if (words.empty() || words.front().front() == '#') continue;
    try {
      if (text.find('\0') != std::string::npos) {
        throw ZORScriptLineError{"the line holds a NUL byte"};
      }
      std::string_view command = words.front();
      ZORScriptArguments arguments(command,
                                   std::vector<std::string_view>(words.begin() + 1, words.end()));
      RunLine(command, arguments);
    } catch (const ZORScriptLineError& error) {
      err_ << "zorhost: " << shownName << ":" << number << ": " << error.what << '\n';
      err_.flush();
      return kBadLine;
    } catch (const ZORScriptOutputTooLarge& tooLarge) {
      err_ << "zorhost: " << shownName << ":" << number << ": the output would pass "
           << tooLarge.limit << " bytes; the run stops here\n";
      err_.flush();
      return kOutputTooLarge;
    }
  }
}

void ZORScriptRunner::RunLine(std::string_view command, ZORScriptArguments& arguments) {
  auto found = commands_.find(command);
  if (found == commands_.end()) {
    throw ZORScriptLineError{"unknown command " + ZORScriptShown(command)};
  }
  const ZORScriptCall call = found->second.read(arguments);
  ZORScriptReply reply(found->second.name);
  call(context_, reply);
  const std::string& text = reply.Text();
  if (text.size() + 1 > outputLimit_ - outputWritten_) throw ZORScriptOutputTooLarge{outputLimit_};
  outputWritten_ += text.size() + 1;
  out_ << text << '\n';
  out_.flush();
  ++commandsRun_;
}
