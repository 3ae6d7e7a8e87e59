// What a paste of the copy's plain text costs the program: the copy's Unicode block (22
// report columns a row) rendered when a program asks for text/plain, and the UTF-8 it gets.
// The first paste of a copy renders and converts once; a second paste of the same copy must
// cost nothing. Counters: the pasted size, and peak memory growth against it.

#include <benchmark/benchmark.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <memory>
#include <string>

#include "bench/support/ProcessCost.h"
#include "platform/Clipboard.h"

namespace {

// The Unicode block of `rows` report-shaped rows (UTF-16LE, tab separated, zero ended); each
// render makes a new block, as the grid's renderer does.
class BlockRenderer : public platform::IClipboardRenderer {
 public:
  explicit BlockRenderer(int rows) {
    std::u16string text;
    for (int r = 0; r < rows; ++r) {
      text += u"B" + std::u16string(1, static_cast<char16_t>(u'0' + r % 10)) + u"\tBodega de producci\u00F3n";
      for (int c = 2; c < 22; ++c) text += u"\t1,234,567.89";
      text += u"\r\n";
    }
    text.push_back(u'\0');
    block_ = QByteArray(reinterpret_cast<const char*>(text.data()),
                        static_cast<qsizetype>(text.size() * 2));
  }
  QByteArray Render(unsigned) override { return QByteArray(block_.constData(), block_.size()); }

 private:
  QByteArray block_;
};

void Copy(int rows) {
  platform::ClipboardSession session;
  session.SetDelayedData({platform::CF_UNICODETEXT}, std::make_shared<BlockRenderer>(rows));
}

QByteArray Paste() { return QGuiApplication::clipboard()->mimeData()->data("text/plain"); }

void BM_FirstPaste(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  double pasted = 0;
  Copy(rows);
  const bench::ProcessCost cost(state);
  for (auto _ : state) {
    state.PauseTiming();
    Copy(rows);
    state.ResumeTiming();
    pasted = static_cast<double>(Paste().size());
  }
  state.counters["pasted_MB"] = pasted / 1e6;
}

void BM_SecondPaste(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  Copy(rows);
  double pasted = static_cast<double>(Paste().size());
  const bench::ProcessCost cost(state);
  for (auto _ : state) pasted = static_cast<double>(Paste().size());
  state.counters["pasted_MB"] = pasted / 1e6;
}

BENCHMARK(BM_FirstPaste)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SecondPaste)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
