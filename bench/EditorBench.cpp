// What the editor's workbench costs a person at the page, without the network: a frame while the
// part turns (a draft, a quarter of the pixels), the whole picture once it stops (the view set,
// then its picture), the value under the pointer, and an edit of the scale to its repainted
// picture; on the sample part and on the example bracket, at the page's size, 1024 x 768. Each is
// also given as a ratio to the whole picture of its part.
#include <sstream>

#include "bench/BenchSupport.h"
#include "bench/ZorhostBenchSupport.h"
#include "zorhost/common/ModuleHost.h"
#include "zorhost/serve/ScaleEditor.h"

namespace {

struct Subject {
  const char* name;
  const char* path;  // empty: the sample part
};
const Subject kSubjects[] = {{"sample", ""}, {"bracket", ZOR_EXAMPLE_PARTS "/bracket.step"}};



ZORScaleEditor& Editor(int index) {
  static std::unique_ptr<ZORScaleEditor> editors[std::size(kSubjects)];
  std::unique_ptr<ZORScaleEditor>& editor = editors[index];
  if (!editor) {
    ZORPaintRequest options;
    options.source.partPath = kSubjects[index].path;
    std::ostringstream quiet;
    if (ZOROutcome problem = ZORScaleEditor::Open(ZORBenchModuleHost(), options, quiet, editor)) {
      ZORBenchFail(problem->message);
    }
  }
  return *editor;
}

// The view turned by `step` degrees of azimuth from the editor's.
ZORPictureSettings Turned(ZORScaleEditor& editor, double step) {
  ZORPictureSettings view = editor.View();
  view.viewpoint.named.reset();
  view.viewpoint.azimuth += step;
  return view;
}

void BM_FrameWhileTurning(benchmark::State& state) {
  ZORScaleEditor& editor = Editor(static_cast<int>(state.range(0)));
  double turn = 0.0;
  std::string png;
  for (auto _ : state) {
    if (editor.Picture(Turned(editor, turn += 3.0), true, png)) ZORBenchFail("a draft failed");
    benchmark::DoNotOptimize(png);
  }
  state.SetItemsProcessed(state.iterations());
  state.SetLabel(kSubjects[state.range(0)].name);
}

void BM_WholePictureOnceStopped(benchmark::State& state) {
  ZORScaleEditor& editor = Editor(static_cast<int>(state.range(0)));
  std::string png;
  for (auto _ : state) {
    if (editor.SetView(Turned(editor, 3.0)) || editor.Picture(editor.View(), false, png)) ZORBenchFail("a picture failed");
    benchmark::DoNotOptimize(png);
  }
  state.SetItemsProcessed(state.iterations());
  state.SetLabel(kSubjects[state.range(0)].name);
}

void BM_ValueUnderThePointer(benchmark::State& state) {
  ZORScaleEditor& editor = Editor(static_cast<int>(state.range(0)));
  const ZORPictureSettings view = editor.View();
  std::string answer;
  int step = 0;
  for (auto _ : state) {
    const ZORPixel pixel{400 + step % 200, 300 + (step / 200) % 150};
    ++step;
    if (editor.Probe(view, pixel, answer)) ZORBenchFail("a probe failed");
    benchmark::DoNotOptimize(answer);
  }
  state.SetItemsProcessed(state.iterations());
  state.SetLabel(kSubjects[state.range(0)].name);
}

void BM_EditToRepaintedPicture(benchmark::State& state) {
  ZORScaleEditor& editor = Editor(static_cast<int>(state.range(0)));
  std::string output, png;
  int step = 0;
  for (auto _ : state) {
    const std::string edit = "SetColor 3 " + std::to_string(step++ % 256) + " 0 0 255\n";
    if (editor.RunScript(edit, output) || editor.Picture(editor.View(), false, png)) ZORBenchFail("an edit failed");
    benchmark::DoNotOptimize(png);
  }
  state.SetItemsProcessed(state.iterations());
  state.SetLabel(kSubjects[state.range(0)].name);
}

std::string BaselineOf(const std::string& name) {
  if (name.rfind("BM_WholePictureOnceStopped", 0) == 0) return {};
  return "BM_WholePictureOnceStopped" + name.substr(name.find('/'));
}

}  // namespace

BENCHMARK(BM_FrameWhileTurning)->DenseRange(0, 1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WholePictureOnceStopped)->DenseRange(0, 1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ValueUnderThePointer)->DenseRange(0, 1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EditToRepaintedPicture)->DenseRange(0, 1)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) { return RunWithRatios(argc, argv, &BaselineOf); }
