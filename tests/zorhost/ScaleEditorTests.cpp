// The editor behind `zorhost serve`, called as its server calls it: edits made by the module and
// undone exactly, bad scripts and hostile scales that never break the painting, repositories, and
// edits from several threads at once.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <iostream>
#include <nlohmann/json.hpp>
#include <thread>

#include "support/ZORTestSupport.h"
#include "zorhost/serve/ScaleEditor.h"
#include "zorhost/serve/ViewRequests.h"

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
  void SetUp() override { Open([](ZORPaintRequest& options) { options.source.sample = ZORValueSource::Sample::Field; }); }
  // The editor of what `choose` sets in the options.
  void Open(const std::function<void(ZORPaintRequest&)>& choose) {
    editor_.reset();
    if (!host_) {
      ASSERT_EQ(ZORModuleHost::Open(ZOR_MODULE_PATH, host_), std::nullopt);
    }
    ZORPaintRequest options;
    choose(options);
    ASSERT_EQ(ZORScaleEditor::Open(*host_, options, std::cerr, editor_), std::nullopt);
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
  for (std::size_t i = 0; i < kZORMostScriptLines; ++i) lines += "GetNumberOfBlocks\n";
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

// A PNG's width, from its header.
int PngWidth(const std::string& png) {
  return png.size() < 24 ? 0 : (static_cast<unsigned char>(png[16]) << 24 | static_cast<unsigned char>(png[17]) << 16 |
                                static_cast<unsigned char>(png[18]) << 8 | static_cast<unsigned char>(png[19]));
}

TEST_F(ScaleEditor, APartsViewAnalysisRangeAndFiles) {
  Open([](ZORPaintRequest& options) {
    options.source.partPath = ZOR_EXAMPLE_PARTS "/bracket.step";
    options.picture.width = 200;
    options.picture.height = 150;
  });
  const ZORPictureSettings view = editor_->View();
  std::string png;
  ASSERT_EQ(KindOf(editor_->Picture(view, true, png)), kDone);
  EXPECT_EQ(PngWidth(png), 100) << "a draft has half the width";
  ASSERT_EQ(KindOf(editor_->Figure(png)), kDone);
  EXPECT_GT(PngWidth(png), 200) << "the legend is beside the picture";

  // Another analysis: measured over the whole part again, with no edit to undo.
  const json gaussian = State();
  ZORPictureSettings mean = view;
  mean.analysis = ZORAnalysis::Mean;
  ASSERT_EQ(KindOf(editor_->SetView(mean)), kDone);
  const json meanState = State();
  EXPECT_EQ(meanState["view"]["analysis"], "mean");
  EXPECT_EQ(meanState["title"].get<std::string>().rfind("mean curvature of bracket.step (1/mm)", 0), 0u);
  EXPECT_NE(meanState["measured"], gaussian["measured"]);
  EXPECT_EQ(meanState["undo"], 0);
  EXPECT_GT(meanState["revision"], gaussian["revision"]);

  // What a pixel shows, and nothing where the part is not.
  std::string probe;
  ASSERT_EQ(KindOf(editor_->Probe(mean, {100, 75}, probe)), kDone);
  const json seen = json::parse(probe);
  ASSERT_TRUE(seen["seen"].get<bool>()) << probe;
  EXPECT_EQ(seen["unit"], "1/mm");
  EXPECT_GE(seen["face"].get<int>(), 1);
  ASSERT_EQ(KindOf(editor_->Probe(mean, {0, 0}, probe)), kDone);
  EXPECT_FALSE(json::parse(probe)["seen"].get<bool>());

  // Ranges as --range takes them.
  EXPECT_EQ(KindOf(editor_->SetRange("symmetric")), kDone);
  json ranged = State();
  EXPECT_EQ(ranged["range"], "fixed");
  EXPECT_EQ(ranged["extremes"]["first"]["value"].get<double>(), -ranged["extremes"]["last"]["value"].get<double>());
  EXPECT_EQ(KindOf(editor_->SetRange("part")), kDone);
  EXPECT_EQ(State()["range"], "part");
  EXPECT_EQ(KindOf(editor_->SetRange("3,1")), Kind::BadInput);

  // No reference was given: no deviation to choose.
  EXPECT_EQ(std::count(meanState["view"]["analyses"].begin(), meanState["view"]["analyses"].end(), "deviation"), 0);
  ZORPictureSettings deviation = mean;
  deviation.analysis = ZORAnalysis::Deviation;
  EXPECT_EQ(KindOf(editor_->SetView(deviation)), Kind::BadInput);

  std::string text, name;
  ASSERT_EQ(KindOf(editor_->ExportScale("cpt", text, name)), kDone);
  EXPECT_EQ(name, "scale.cpt");
  EXPECT_NE(text.find("scale"), std::string::npos);
  EXPECT_EQ(KindOf(editor_->ExportScale("pdf", text, name)), Kind::BadInput);
}

TEST_F(ScaleEditor, TheDeviationAndTheOtherAnalysesOfAPart) {
  Open([](ZORPaintRequest& options) {
    options.source.partPath = ZOR_EXAMPLE_PARTS "/bracket-scan.stl";
    options.picture.analysis = ZORAnalysis::Deviation;
    options.picture.parameters.referencePath = ZOR_EXAMPLE_PARTS "/bracket.step";
    options.picture.width = 160;
    options.picture.height = 120;
  });
  json state = State();
  EXPECT_EQ(state["title"].get<std::string>().rfind("deviation from bracket.step of bracket-scan.stl", 0), 0u);
  EXPECT_EQ(std::count(state["view"]["analyses"].begin(), state["view"]["analyses"].end(), "deviation"), 1);
  for (ZORAnalysis analysis : {ZORAnalysis::Draft, ZORAnalysis::Gaussian, ZORAnalysis::Deviation}) {
    ZORPictureSettings view = editor_->View();
    view.analysis = analysis;
    ASSERT_EQ(KindOf(editor_->SetView(view)), kDone) << ZORAnalysisKeyword(analysis);
    EXPECT_EQ(State()["view"]["analysis"], ZORAnalysisKeyword(analysis));
  }
  EXPECT_EQ(State()["measured"], state["measured"]) << "the deviation measured again, the same";
}

// A view asked for while another is pictured stops that one, which leaves nothing of itself: the
// newer view and its analysis are what the editor shows.
TEST_F(ScaleEditor, ANewViewStopsTheAnalysisOfTheLast) {
  Open([](ZORPaintRequest& options) {
    options.source.partPath = ZOR_EXAMPLE_PARTS "/bracket.step";
    options.picture.width = 160;
    options.picture.height = 120;
  });
  const json before = State();
  ZORPictureSettings slow = editor_->View();
  slow.analysis = ZORAnalysis::Mean;
  slow.width = 4000;  // seconds of work, stopped within a band of rows
  slow.height = 3000;
  ZORPictureSettings last = editor_->View();
  last.viewpoint = *ZORViewpoint::Read("top");
  ZOROutcome slowOutcome;
  std::thread turning([&] { slowOutcome = editor_->SetView(slow); });
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  ASSERT_EQ(KindOf(editor_->SetView(last)), kDone);
  turning.join();
  ASSERT_EQ(KindOf(slowOutcome), Kind::Conflict);
  EXPECT_NE(slowOutcome->message.find("a newer view"), std::string::npos);
  const json after = State();
  EXPECT_EQ(after["view"]["analysis"], before["view"]["analysis"]);
  EXPECT_EQ(after["measured"], before["measured"]);
  EXPECT_EQ(after["view"]["width"], 160);
  std::string png;
  ASSERT_EQ(KindOf(editor_->Picture(editor_->View(), false, png)), kDone);
  EXPECT_EQ(PngWidth(png), 160);
}

TEST_F(ScaleEditor, AGridHasNoView) {
  ZORPictureSettings view = editor_->View();
  view.viewpoint = *ZORViewpoint::Read("top");
  EXPECT_EQ(KindOf(editor_->SetView(view)), Kind::BadInput);
  std::string png;
  ASSERT_EQ(KindOf(editor_->Picture(view, true, png)), kDone);
  EXPECT_EQ(PngWidth(png), 512) << "a grid's picture is the grid, whatever is asked";
}

// What a request asks of the view is read as the command line reads it, and nothing it does not
// take is passed over.
TEST(ViewRequests, SettingsAreReadAsTheirOptionsAndUnknownNamesRefused) {
  using Parameters = std::multimap<std::string, std::string>;
  ZORViewQuery query;
  ASSERT_FALSE(ZORReadViewQuery({{"view", "-30,20"}, {"zoom", "2"}, {"pan", "0.1,-0.2"}, {"size", "320x200"},
                                 {"shading", "none"}, {"draft", "1"}, {"revision", "12"}, {"token", "t"}},
                                ZORViewQueryKind::Picture, true, query));
  EXPECT_EQ(query.view.viewpoint.Text(), "-30,20");
  EXPECT_EQ(query.view.viewpoint.zoom, 2.0);
  EXPECT_EQ(query.view.viewpoint.panY, -0.2);
  EXPECT_EQ(query.view.width, 320);
  EXPECT_EQ(query.view.shading, ZORPictureSettings::Shading::None);
  EXPECT_TRUE(query.draft);
  ASSERT_FALSE(ZORReadViewQuery({{"x", "3"}, {"y", "4"}}, ZORViewQueryKind::Probe, false, query));
  EXPECT_EQ(query.pixel.column, 3);
  struct Refused {
    Parameters parameters;
    ZORViewQueryKind kind;
    bool hasView;
    const char* said;
  };
  const Refused refused[] = {
      {{{"frob", "1"}}, ZORViewQueryKind::Picture, true, "unknown parameter 'frob'"},
      {{{"x", "1"}, {"y", "1"}}, ZORViewQueryKind::Picture, true, "unknown parameter 'x'"},
      {{{"draft", "1"}, {"x", "1"}, {"y", "1"}}, ZORViewQueryKind::Probe, true, "unknown parameter 'draft'"},
      {{{"view", "top"}, {"view", "iso"}}, ZORViewQueryKind::Picture, true, "given more than once"},
      {{{"view", "top"}}, ZORViewQueryKind::Picture, false, "a grid, which has no view"},
      {{{"analysis", "mean"}}, ZORViewQueryKind::Picture, true, "unknown parameter 'analysis'"},
      {{{"zoom", "0"}}, ZORViewQueryKind::Picture, true, "zoom is a factor from 0.01 to 1000"},
      {{{"view", "30,95"}}, ZORViewQueryKind::Picture, true, "view is iso, front"},
      {{{"size", "9000x10"}}, ZORViewQueryKind::Picture, true, "size is WxH"},
      {{{"draft", "yes"}}, ZORViewQueryKind::Picture, true, "draft is 1 or 0"},
      {{{"x", "1"}}, ZORViewQueryKind::Probe, true, "needs x and y"},
      {{{"x", "-1"}, {"y", "1"}}, ZORViewQueryKind::Probe, true, "x is a pixel's column"},
  };
  for (const Refused& r : refused) {
    ZORViewQuery asked;
    const ZOROutcome problem = ZORReadViewQuery(r.parameters, r.kind, r.hasView, asked);
    ASSERT_TRUE(problem) << r.said;
    EXPECT_EQ(problem->kind, ZORProblem::Kind::BadInput);
    EXPECT_NE(problem->message.find(r.said), std::string::npos) << problem->message;
  }
  ZORPictureSettings view;
  EXPECT_FALSE(ZORReadViewChange(json{{"analysis", "max"}, {"view", "left"}}, view));
  EXPECT_EQ(view.analysis, ZORAnalysis::Maximum);
  EXPECT_NE(ZORReadViewChange(json{{"zoom", 2}}, view)->message.find("must be a string"), std::string::npos);
  EXPECT_NE(ZORReadViewChange(json{{"colour", "red"}}, view)->message.find("unknown member 'colour'"), std::string::npos);
}

}  // namespace
