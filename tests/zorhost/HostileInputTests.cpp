// Hostile input: repository names that try to leave the settings folder, and scripts built to
// break the runner. Each is refused or handled, none crashes.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>

#include "support/ZORTestSupport.h"

namespace {

namespace fs = std::filesystem;

class HostileNames : public ZORModuleTest {
 protected:
  ZORTemporarySettingsFolder settings_;
};

TEST_F(HostileNames, RefusedWithOneLineAndNothingTouchedOutside) {
  ZORIStNewColorScale_var scale = NewScale();
  ASSERT_EQ(scale->SetNumberOfBlocks(3), S_OK);
  const fs::path folder = settings_.Path();
  const fs::path outside = folder.parent_path();
  const std::string names[] = {"..", ".", "../x", "/abs-zor-test", "a/b", "", std::string(129, 'n'),
                               std::string(300, 'n'), std::string("a\0b", 3), "a\nb", ".leading",
                               "tab\tname", "semi;colon"};
  for (const std::string& name : names) {
    for (bool save : {true, false}) {
      testing::internal::CaptureStderr();
      const int result = save ? scale->SaveToSettings(ZORUnicodeString(name))
                              : scale->LoadFromSettings(ZORUnicodeString(name));
      const std::string message = testing::internal::GetCapturedStderr();
      EXPECT_EQ(result, 0) << "'" << name << "'";
      EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
      EXPECT_NE(message.find("refused"), std::string::npos) << message;
    }
  }
  // The longest plain name is fine.
  EXPECT_EQ(scale->SaveToSettings(ZORUnicodeString(std::string(128, 'n'))), 1);
  std::vector<std::string> inFolder, besideFolder;
  for (const auto& entry : fs::directory_iterator(folder)) inFolder.push_back(entry.path().filename());
  for (const auto& entry : fs::directory_iterator(outside)) besideFolder.push_back(entry.path().filename());
  EXPECT_EQ(inFolder, std::vector<std::string>{std::string(128, 'n')});
  EXPECT_EQ(besideFolder, std::vector<std::string>{"settings"});
  EXPECT_FALSE(fs::exists("/abs-zor-test"));
}

struct Outcome {
  int status;       // exit status, or -1 when killed by a signal
  std::string errors;
  long lines;
};

Outcome RunScript(const fs::path& folder, const std::string& script) {
  const fs::path file = folder / "hostile.zs";
  {
    std::ofstream out(file, std::ios::binary);
    out << script;
  }
  const std::string command = "cd '" + folder.string() + "' && ZOR_SETTINGS_DIR='" +
                              (folder / "settings").string() + "' '" ZORHOST_PATH "' script hostile.zs 2>errors.txt";
  FILE* pipe = popen(command.c_str(), "r");
  Outcome outcome{};
  char buffer[65536];
  while (std::size_t got = std::fread(buffer, 1, sizeof buffer, pipe)) {
    outcome.lines += std::count(buffer, buffer + got, '\n');
  }
  const int status = pclose(pipe);
  outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  outcome.errors = ReadWholeFile((folder / "errors.txt").string());
  return outcome;
}

TEST(HostileScripts, EachALineErrorOrHandled) {
  ZORTemporarySettingsFolder settings;
  const fs::path folder = fs::path(settings.Path()).parent_path();
  const std::string megabyteWord(1 << 20, 'x');
  std::string manyLines = "new\n";
  for (int i = 0; i < 100000; ++i) manyLines += "GetNumberOfBlocks\n";
  const std::pair<std::string, int> scripts[] = {
      {"new\nSetNumberOfBlocks " + megabyteWord + "\n", 2},
      {"new\n# " + megabyteWord + "\nGetNumberOfBlocks\n", 0},
      {"new\nGetColorForValue 1 " + std::string(1 << 20, ' ') + "\n", 0},
      {manyLines, 0},
      {"new\r\nSetNumberOfBlocks 3\r\nGetNumberOfBlocks\r\n", 0},
      {std::string("new\nGetNumberOfBlocks\0 3\n", 23), 2},
      {std::string("\0\0\0", 3), 2},
      {"new\nSetNumberOfBlocks 99999999999999999999\n", 2},
      {"new\nSetNumberOfBlocks -2147483649\n", 2},
      {"new\nSetNumberOfBlocks nan\n", 2},
      {"new\nSetNumberOfBlocks 2147483647\nGetNumberOfBlocks\n", 0},
      {"new\nSetNumberOfBlocks -2147483648\nGetColorForValue 0\nGetColorTable\nGetValueTable\n", 0},
      {"new\nSetNumberOfBlocks 3\nGetScaleDefinition 2147483647 2147483647\n", 2},
      {"new\nSetImposedValues 2147483647 [] [] []\n", 2},
      {"new\nUnsetImposedColors [1,2] -5\nUnsetImposedValues [] 0\n", 0},
      {"new\nlegacy 2147483647 null null null null null null null\n", 2},
      {"new\nSetColors -1 [] [] [] [] [] []\nGetColors -2147483648\n", 0},
      {"new\nSetColor 1 2 3 4 5\nSetImposedValue -2147483648 nan\n", 0},
      {"new\nsettings-write ../x NumberOfBlocks int [3]\n", 2},
      {"new\nsettings-write a Bad\\x01Key int [3]\n", 0},
      {"new\nsettings-show /etc/passwd\n", 2},
      {"use 0\n", 2},
      {"[1,2,3]\n", 2},
      {"new\nGetValueTable [1,] [] 0 0\n", 2},
      {"new\nSetNumberOfBlocks \x1b[31mred\x1b[0m\n", 2},
      {"\x1b]0;title\x07\n", 2},
  };
  for (const auto& [script, expected] : scripts) {
    Outcome outcome = RunScript(folder, script);
    EXPECT_EQ(outcome.status, expected) << script.substr(0, 80) << "\n" << outcome.errors.substr(0, 300);
    if (outcome.status == 2) {
      EXPECT_EQ(outcome.errors.rfind("zorhost: hostile.zs:", 0), 0u) << outcome.errors.substr(0, 300);
    }
    // Nothing of the script reaches the terminal raw: no escape, no NUL, one line.
    EXPECT_EQ(std::count_if(outcome.errors.begin(), outcome.errors.end(),
                            [](char c) { return static_cast<unsigned char>(c) < 0x20 && c != '\n'; }),
              0)
        << outcome.errors.substr(0, 300);
  }
  EXPECT_EQ(RunScript(folder, manyLines).lines, 100001);
  EXPECT_FALSE(fs::exists(folder / "x"));
}

}  // namespace
