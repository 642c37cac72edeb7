// The editor behind `zorhost serve`, called as its server calls it: edits made by the module and
// undone exactly, bad scripts and hostile scales that never break the painting, repositories, and
// edits from several threads at once.
#include <gtest/gtest.h>

#include <iostream>
#include <nlohmann/json.hpp>
#include <thread>

#include "support/ZORTestSupport.h"
#include "zorhost/serve/ScaleEditor.h"

namespace {

using nlohmann::json;
using Kind = ZORProblem::Kind;

// What refused a call, or nothing when it was done.
std::optional<Kind> KindOf(const ZOROutcome& outcome) {
  return outcome ? std::optional<Kind>(outcome->kind) : std::nullopt;
}
constexpr std::optional<Kind> kDone = std::nullopt;

class ScaleEditor : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    host_ = ZORModuleHost::Open(ZOR_MODULE_PATH, error);
    ASSERT_TRUE(host_) << error;
    ZORRenderOptions options;
    options.source.sample = ZORValueSource::Sample::Field;
    ZOROutcome problem;
    editor_ = ZORScaleEditor::Open(*host_, options, problem, std::cerr);
    ASSERT_TRUE(editor_) << problem->message;
  }
  void TearDown() override {
    editor_.reset();
    host_.reset();
  }

  json State() { return json::parse(editor_->StateJson()); }
  // The scale's own part of the state, what undo must give back exactly: without what tells of
  // the history and of the time taken.
  static json ScaleOf(json state) {
    for (const char* kept : {"revision", "undo", "redo", "unsaved", "repository", "optionsDone", "timings"}) state.erase(kept);
    return state;
  }
  // A script's output, or the message of what refused it, which must be of `kind`.
  std::string Script(const std::string& text, std::optional<Kind> kind = std::nullopt) {
    std::string output;
    const ZOROutcome problem = editor_->RunScript(text, output);
    EXPECT_EQ(KindOf(problem), kind) << text << "\n" << (problem ? problem->message : output);
    return problem ? problem->message + "\n" : output;
  }

  ZORTemporarySettingsFolder settings_;
  std::unique_ptr<ZORModuleHost> host_;
  std::unique_ptr<ZORScaleEditor> editor_;
};

TEST_F(ScaleEditor, EditsAreTheModulesAndUndoGivesEachStateBack) {
  const json start = State();
  EXPECT_FALSE(start["unsaved"]);
  EXPECT_EQ(Script("SetColor 2 10 20 30 40\nGetColorForValue -1e300\n"),
            "SetColor\nGetColorForValue 1 0 0 255 255\n");
  json edited = State();
  EXPECT_EQ(edited["blocks"][1]["color"], json::array({10, 20, 30, 40}));
  EXPECT_TRUE(edited["blocks"][1]["imposed"]);
  EXPECT_TRUE(edited["unsaved"]);
  EXPECT_GT(edited["revision"], start["revision"]);

  // A bad line: 400 with the script's message, and the lines before it undone.
  EXPECT_EQ(Script("SetColor 3 1 1 1 1\nSetNumberOfBlocks x\n", Kind::BadInput),
            "zorhost: request:2: SetNumberOfBlocks: the count 'x' is not an int\n");
  EXPECT_EQ(ScaleOf(State()), ScaleOf(edited));
  // Reading changes nothing and leaves nothing to undo.
  Script("GetNumberOfBlocks\nGetColors 0\n");
  EXPECT_EQ(State()["undo"], 1);

  ASSERT_EQ(KindOf(editor_->ImposePreset("viridis", 12)), kDone);
  ASSERT_EQ(KindOf(editor_->Classify("quantile")), kDone);
  const json classified = State();
  EXPECT_EQ(classified["blocks"].size(), 12u);
  EXPECT_EQ(classified["options"]["AutoMinMaxStatus"], 0) << "the classified extremes stay";
  for (const json& boundary : classified["boundaries"]) EXPECT_TRUE(boundary["imposed"]);

  ASSERT_EQ(classified["undo"], 3);
  ASSERT_EQ(KindOf(editor_->Undo()), kDone);  // the classification
  ASSERT_EQ(KindOf(editor_->Undo()), kDone);  // the preset
  EXPECT_EQ(ScaleOf(State()), ScaleOf(edited));
  ASSERT_EQ(KindOf(editor_->Undo()), kDone);
  EXPECT_EQ(ScaleOf(State()), ScaleOf(start));
  EXPECT_EQ(KindOf(editor_->Undo()), Kind::Conflict);
  for (int i = 0; i < 3; ++i) ASSERT_EQ(KindOf(editor_->Redo()), kDone);
  EXPECT_EQ(ScaleOf(State()), ScaleOf(classified));
  EXPECT_EQ(KindOf(editor_->Redo()), Kind::Conflict);

  EXPECT_EQ(KindOf(editor_->ImposePreset("nope", std::nullopt)), Kind::BadInput);
  EXPECT_EQ(KindOf(editor_->ImposePreset("grayscale", 0)), Kind::BadInput);
  EXPECT_EQ(KindOf(editor_->Classify("log")), Kind::BadInput);  // signed values
  EXPECT_EQ(ScaleOf(State()), ScaleOf(classified));
}

TEST_F(ScaleEditor, HostileScalesStillPaint) {
  const char* hostile[] = {
      "SetNumberOfBlocks 0\n",
      "SetNumberOfBlocks 1\n",
      "feature-undefine NumberOfBlocks\n",
      "feature-unset ImposedColorsIndexList\n",
      "feature-undefine ImposedValuesList\n",
      "SetImposedValue 3 nan\nSetImposedValue 4 -inf\n",
      "SetAutoMinMaxStatus 0\nSetExtremeImposedValues inf -inf\n",
      "SetColor 5 -7 300 2147483647 -2147483648\n",
      "SetColorUndefine 999 -1 0 0\n",
      "new\nSetNumberOfBlocks 3\nuse 1\nSetNumberOfBlocks 2\n",
  };
  for (const char* script : hostile) {
    Script(script);
    std::string png;
    EXPECT_EQ(KindOf(editor_->Picture(editor_->View(), false, png)), kDone) << script;
    EXPECT_FALSE(png.empty()) << script;
    EXPECT_FALSE(editor_->LegendSvg().empty()) << script;
    EXPECT_FALSE(State().empty()) << script;
  }
  while (!editor_->Undo()) {
  }
  EXPECT_EQ(State()["blocks"].size(), 9u);
}

TEST_F(ScaleEditor, AnswersAndHistoryAreBoundedInBytes) {
  // As many lines as allowed, each with its end; one more is refused before anything runs.
  std::string lines;
  for (std::size_t i = 0; i < ZORScaleEditor::kMostScriptLines; ++i) lines += "GetNumberOfBlocks\n";
  Script(lines);
  Script(lines + "GetNumberOfBlocks", Kind::TooLarge);

  // An answer that would grow past its limit is refused, never cut, and the request is undone.
  std::string huge = "SetNumberOfBlocks 65536\n";
  for (int i = 0; i < 60; ++i) huge += "GetScaleDefinition 1048576 1048576\n";
  const std::string refused = Script(huge, Kind::TooLarge);
  EXPECT_NE(refused.find("request:3: the output would pass 16777216 bytes"), std::string::npos)
      << refused.substr(0, 200);
  EXPECT_EQ(State()["blocks"].size(), 9u);

  // Undo keeps what its memory allows of large scales' steps, the newest last.
  Script("SetNumberOfBlocks 65536\n");
  for (int i = 1; i <= 30; ++i) Script("SetColor " + std::to_string(i) + " 1 2 3 255\n");
  const json state = State();
  EXPECT_GT(state["undo"].get<int>(), 1);
  EXPECT_LT(state["undo"].get<int>(), 20);
  EXPECT_EQ(state["blocks"][29]["color"], json::array({1, 2, 3, 255}));
  ASSERT_EQ(KindOf(editor_->Undo()), kDone);
  EXPECT_EQ(State()["blocks"][29]["color"], json::array({0, 0, 0, 0}));
}

TEST_F(ScaleEditor, RepositoriesAndTheUnsavedMark) {
  EXPECT_EQ(KindOf(editor_->Save("bad name")), Kind::BadInput);
  EXPECT_EQ(editor_->Save("bad name")->message,
            "the name holds ' ': only letters, digits, '.', '-' and '_' are allowed");
  EXPECT_EQ(KindOf(editor_->Load("absent")), Kind::BadInput);
  Script("SetColor 4 1 2 3 255\n");
  ASSERT_EQ(KindOf(editor_->Save("kept")), kDone);
  const json saved = State();
  EXPECT_FALSE(saved["unsaved"]);
  EXPECT_EQ(saved["repository"], "kept");
  Script("SetColor 4 9 9 9 255\n");
  EXPECT_TRUE(editor_->Unsaved());
  ASSERT_EQ(KindOf(editor_->Load("kept")), kDone);
  EXPECT_FALSE(editor_->Unsaved());
  EXPECT_EQ(State()["blocks"][3]["color"], json::array({1, 2, 3, 255}));
  EXPECT_EQ(json::parse(editor_->RepositoriesJson())["repositories"], json::array({"kept"}));
}

TEST_F(ScaleEditor, EditsFromSeveralThreadsAreEachWhole) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([this, t] {
      for (int i = 0; i < 25; ++i) {
        std::string output, png;
        editor_->RunScript("SetColor " + std::to_string(t + 2) + " " + std::to_string(i) + " 0 0 255\n", output);
        editor_->Picture(editor_->View(), false, png);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  const json state = State();
  EXPECT_EQ(state["undo"], 100);
  for (int t = 0; t < 4; ++t) EXPECT_EQ(state["blocks"][t + 1]["color"], json::array({24, 0, 0, 255}));
}

}  // namespace
