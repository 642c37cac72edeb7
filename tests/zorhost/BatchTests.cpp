// zorhost batch as a campaign uses it: a manifest of parts, each rendered in its own process so
// that one bad part fails alone, a run that resumes where the inputs are unchanged, and a summary
// that holds every row's record.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "ZorhostRun.h"
#include "support/ZORTestSupport.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

class Batch : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* part : {"bracket.step", "bracket-scan.stl", "torus.step"}) {
      fs::copy_file(fs::path(ZOR_EXAMPLE_PARTS) / part, Folder() / part);
    }
  }
  fs::path Folder() { return fs::path(settings_.Path()).parent_path(); }
  void WriteManifest(const std::string& text) { std::ofstream(Folder() / "campaign.csv") << text; }
  ProgramRun Run(const std::string& options = "") {
    return Zorhost(Folder(), "batch campaign.csv --jobs 2 " + options);
  }
  json Summary() { return json::parse(ReadWholeFile((Folder() / "campaign-summary.json").string())); }
  std::string Row(const json& summary, int number, const char* key) {
    return summary["rows"].at(number - 1)[key].get<std::string>();
  }
  ZORTemporarySettingsFolder settings_;
};

constexpr const char* kCampaign =
    "part,reference,analysis,options,out\n"
    "bracket-scan.stl,bracket.step,deviation,--tolerance 0.05 --size 160x120,out/scan\n"
    "missing.stl,,,,out/missing\n"
    "torus.step,,mean,\"--size 160x120 --view 'top'\",out/torus\n"
    "bracket.step,,draft,--size 160x120 --no-such-option,out/bracket\n";

TEST_F(Batch, EachPartFailsAloneAndTheSummaryHoldsEveryRow) {
  WriteManifest(kCampaign);
  const ProgramRun run = Run();
  EXPECT_EQ(run.status, 1) << run.errors;
  EXPECT_NE(run.errors.find("2 of the parts failed (rows 2, 4)"), std::string::npos) << run.errors;

  const json summary = Summary();
  EXPECT_EQ(summary["schema"], "zorhost-batch-summary");
  ASSERT_EQ(summary["rows"].size(), 4u);
  EXPECT_EQ(Row(summary, 1, "end"), "done");
  EXPECT_EQ(Row(summary, 2, "end"), "failed");
  EXPECT_EQ(Row(summary, 3, "end"), "done");
  EXPECT_EQ(Row(summary, 4, "end"), "failed");
  EXPECT_NE(Row(summary, 2, "error").find("missing.stl"), std::string::npos);
  EXPECT_NE(Row(summary, 4, "error").find("--no-such-option"), std::string::npos);

  // A done row's record is the one render --stats-out writes, picture beside it.
  const json scan = summary["rows"][0]["inspection"];
  EXPECT_EQ(scan["schema"], "zorhost-inspection");
  EXPECT_EQ(scan["unit"], "mm");
  EXPECT_EQ(scan, json::parse(ReadWholeFile((Folder() / "out/scan.stats.json").string())));
  EXPECT_GE(Decode(Folder() / "out/torus.png").height, 120);
  EXPECT_NE(ReadWholeFile((Folder() / "out/missing.log").string()).find("missing.stl"), std::string::npos);

  // The CSV has one line per row after its header, the verdict where a tolerance gave one.
  const std::string table = ReadWholeFile((Folder() / "campaign-summary.csv").string());
  EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 5);
  EXPECT_NE(table.find("\n1,bracket-scan.stl,bracket.step,deviation,--tolerance 0.05 --size 160x120,out/scan,done,fail,"),
            std::string::npos)
      << table;

  // A part past its memory fails too, alone.
  fs::remove(Folder() / "out/torus.batch.json");
  const ProgramRun bounded = Run("--rows 3 --memory-limit 16");
  EXPECT_EQ(bounded.status, 1);
  EXPECT_NE(bounded.errors.find("row 3 torus.step: failed"), std::string::npos) << bounded.errors;
}

TEST_F(Batch, ARunKeepsWhatIsCurrentAndRedoesWhatChanged) {
  WriteManifest(kCampaign);
  Run();
  const std::string torusPicture = ReadWholeFile((Folder() / "out/torus.png").string());

  ProgramRun again = Run();
  EXPECT_NE(again.errors.find("row 1 bracket-scan.stl: unchanged, kept"), std::string::npos) << again.errors;
  EXPECT_NE(again.errors.find("row 3 torus.step: unchanged, kept"), std::string::npos);
  EXPECT_NE(again.errors.find("row 2 missing.stl: failed"), std::string::npos) << "failures are tried again";

  // A reference whose content changes redoes the rows that use it; a touched file does not.
  fs::last_write_time(Folder() / "torus.step", fs::file_time_type::clock::now());
  { std::ofstream(Folder() / "bracket.step", std::ios::app) << "\n"; }
  again = Run();
  EXPECT_NE(again.errors.find("row 1 bracket-scan.stl: done"), std::string::npos) << again.errors;
  EXPECT_NE(again.errors.find("row 3 torus.step: unchanged, kept"), std::string::npos);
  EXPECT_EQ(ReadWholeFile((Folder() / "out/torus.png").string()), torusPicture);

  // Other options are other work.
  std::string changed = kCampaign;
  changed.replace(changed.find("--view 'top'"), 12, "--view 'front'");
  WriteManifest(changed);
  again = Run("--rows 3");
  EXPECT_NE(again.errors.find("row 3 torus.step: done"), std::string::npos) << again.errors;
  EXPECT_NE(ReadWholeFile((Folder() / "out/torus.log").string()).find("--view front"), std::string::npos);
}

TEST_F(Batch, RowsAskedOneAtATimeAreAnsweredAsTheirOwnRunsWouldEnd) {
  WriteManifest(kCampaign);
  std::ofstream(Folder() / "asked.txt") << "3\n2\n9\n3\n";
  const ProgramRun run = Zorhost(Folder(), "batch campaign.csv --rows-asked --jobs 1 <asked.txt");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.output,
            "0\t\n"
            "1\t1 of the parts failed (rows 2); their logs say why\n"
            "2\t--rows asks for row 9; the manifest has 4\n"
            "0\t\n");
  EXPECT_NE(run.errors.find("row 3 torus.step: unchanged, kept"), std::string::npos) << run.errors;
}

TEST_F(Batch, AManifestThatCannotBeRunIsRefusedBeforeAnyPart) {
  const std::pair<const char*, const char*> cases[] = {
      {"part,picture\nbracket.step,out/a\n", "unknown column 'picture'"},
      {"reference,out\nbracket.step,out/a\n", "names no column part"},
      {"part,out\nbracket.step,out/a\ntorus.step,out/a\n", "rows 1 and 2 both write 'out/a'"},
      {"part,options,out\nbracket.step,--out elsewhere,out/a\n", "may not give --out"},
      {"part,options,out\nbracket.step,--stats,out/a\n", "may not give --stats"},
      {"part,options,out\nbracket.step,\"--view 'top,out/a\n", "quoted field is not closed"},
      {"part,options,out\nbracket.step,--view 'top,out/a\n", "open a quote they do not close"},
      {"part,out\nbracket.step,out/a,extra\n", "it has 3 fields"},
      {"part,out\n", "no rows"},
  };
  for (const auto& [manifest, message] : cases) {
    WriteManifest(manifest);
    const ProgramRun run = Run();
    EXPECT_EQ(run.status, 2) << manifest;
    EXPECT_NE(run.errors.find(message), std::string::npos) << manifest << run.errors;
    EXPECT_NE(run.errors.find("campaign.csv"), std::string::npos) << run.errors;
    EXPECT_FALSE(fs::exists(Folder() / "out")) << manifest;
  }
  const ProgramRun help = Zorhost(Folder(), "batch --help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.output.find("usage: zorhost batch MANIFEST.csv"), std::string::npos);
  const ProgramRun absent = Zorhost(Folder(), "batch nothing.csv");
  EXPECT_EQ(absent.status, 2);
  EXPECT_NE(absent.errors.find("nothing.csv"), std::string::npos);
}

}  // namespace
