// The record view on a file of a million records: loading it until the first
// page is drawn, and redrawing the last page.
//
// usage: tesmora-view-bench [benchmark options]
// The input (about 150 MB) is made once under the temporary folder and reused;
// TESMORA_VIEW_BENCH_INPUT names another file instead (say 20 million
// records from tesmora-gen).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QScrollBar>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "tesmora/document/document.h"
#include "tesmora/frame/status_bar.h"
#include "tesmora/view/child_view.h"
#include "tesmora/view/codepage.h"

using namespace tesmora;
using namespace tesmora::desktop;

namespace {

constexpr int kRecords = 1000000;

std::string Sjis(const char* utf8) {
    return ToCp932(QString::fromUtf8(utf8)).value_or(std::string("?"));
}

// ~150-byte member records: 7 comma-separated fields of code page 932 text.
std::string MakeInput() {
    const QString path =
        QDir(QDir::tempPath())
            .filePath(QStringLiteral("tesmora-view-bench-%1-v2.csv").arg(kRecords));
    if (QFileInfo(path).size() > 100'000'000) return path.toStdString();
    const std::vector<std::string> names = {
        Sjis("島田　雄一　　　　　"), Sjis("松田　直美　　　　　"), Sjis("五十嵐　湊　　　　　"),
        Sjis("髙橋　一郎　　　　　"), Sjis("平田　修　　　　　　")};
    const std::vector<std::string> kana = {Sjis("ｼﾏﾀﾞ ﾕｳｲﾁ"), Sjis("ﾏﾂﾀﾞ ﾅｵﾐ"), Sjis("ｲｶﾞﾗｼ ﾐﾅﾄ"),
                                           Sjis("ﾀｶﾊｼ ｲﾁﾛｳ"), Sjis("ﾋﾗﾀ ｵｻﾑ")};
    const std::vector<std::string> places = {
        Sjis("福岡県糟屋郡志免町新田８丁目２番３号　若葉新田パレス"),
        Sjis("長野県北佐久郡軽井沢町北町４丁目２１番３号　富士見北町"),
        Sjis("滋賀県大津市住吉９丁目２番１８号　リバーサイド住吉タワー"),
        Sjis("北海道虻田郡倶知安町希望ケ丘３丁目１１番６号　リバーサイド")};
    const std::string room = Sjis("　１０６号室");
    std::FILE* out = std::fopen((path + QStringLiteral(".part")).toLocal8Bit().constData(), "wb");
    if (!out) return {};
    std::uint32_t state = 1;
    auto next = [&state] { return state = state * 1664525u + 1013904223u; };
    std::string line;
    char buf[64];
    for (int i = 1; i <= kRecords; ++i) {
        line.clear();
        std::snprintf(buf, sizeof buf, "%02u-%08d,", next() % 47 + 1, i);
        line += buf;
        line += names[next() % names.size()] + ",";
        line += kana[next() % kana.size()] + ",";
        std::snprintf(buf, sizeof buf, "%03u-%04u,", next() % 1000, next() % 10000);
        line += buf;
        line += places[next() % places.size()];
        line += room;
        std::snprintf(buf, sizeof buf, "%u,0%02u-%04u-%04u,%04u/%02u/%02u\r\n", next() % 999 + 1,
                      next() % 90 + 10, next() % 10000, next() % 10000, 1950 + next() % 70,
                      next() % 12 + 1, next() % 28 + 1);
        line += buf;
        std::fwrite(line.data(), 1, line.size(), out);
    }
    std::fclose(out);
    QFile::remove(path);
    QFile::rename(path + QStringLiteral(".part"), path);
    return path.toStdString();
}

const std::string& Input() {
    static const std::string path =
        qEnvironmentVariableIsEmpty("TESMORA_VIEW_BENCH_INPUT")
            ? MakeInput()
            : qEnvironmentVariable("TESMORA_VIEW_BENCH_INPUT").toStdString();
    return path;
}

bool OwnInput() {
    return qEnvironmentVariableIsEmpty("TESMORA_VIEW_BENCH_INPUT");
}

// A view as the program shows it: 1000 x 700 client pixels, ruler and
// record numbers on.
class ViewRig {
  public:
    ViewRig() {
        options_.show_record_numbers = true;
        options_.show_ruler = true;
        doc_ = std::make_unique<Document>(messages_, status_, settings_, router_);
        view_ = std::make_unique<CChildView>(*doc_, options_, settings_);
        router_.view = view_.get();
        view_->resize(1000, 700);
        view_->show();
        QApplication::processEvents();
    }
    ~ViewRig() {
        router_.view = nullptr;
        view_.reset();
        doc_.reset();
    }
    Document& Doc() { return *doc_; }
    CChildView& View() { return *view_; }

  private:
    NullMessages messages_;
    MyStatusBar status_;
    MemorySettings settings_;
    ViewOptions options_;
    CViewRouter router_;
    std::unique_ptr<Document> doc_;
    std::unique_ptr<CChildView> view_;
};

// Open command to first page on the screen: copy, index, layout, paint.
void BM_LoadWorkingFileAndLayout(benchmark::State& state) {
    const std::string& path = Input();
    if (path.empty()) {
        state.SkipWithError("cannot write the input");
        return;
    }
    ViewRig rig;
    std::int64_t records = 0;
    for (auto _ : state) {
        if (!rig.Doc().LoadWorkingFile(path, LoadMode::Fresh)) {
            state.SkipWithError("load failed");
            break;
        }
        rig.View().viewport()->repaint();
        state.PauseTiming();
        records = rig.Doc().Stats().records;
        if (OwnInput() && records != kRecords) state.SkipWithError("wrong record count");
        rig.Doc().CloseDocument();
        state.ResumeTiming();
    }
    state.counters["records"] = static_cast<double>(records);
}
BENCHMARK(BM_LoadWorkingFileAndLayout)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// The same file read where it lies: indexing and layout without the copy.
void BM_LoadInPlaceAndLayout(benchmark::State& state) {
    const std::string& path = Input();
    ViewRig rig;
    for (auto _ : state) {
        if (!rig.Doc().LoadWorkingFile(path, LoadMode::InPlace)) {
            state.SkipWithError("load failed");
            break;
        }
        rig.View().viewport()->repaint();
        state.PauseTiming();
        rig.Doc().CloseDocument();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_LoadInPlaceAndLayout)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// Redrawing the last page: one seek through the record index file, a page
// of reads, the drawing and the copy to the window.
void BM_RedrawViewAtTheEnd(benchmark::State& state) {
    const std::string& path = Input();
    ViewRig rig;
    if (!rig.Doc().LoadWorkingFile(path, LoadMode::InPlace)) {
        state.SkipWithError("load failed");
        return;
    }
    rig.View().LastPage();
    for (auto _ : state) {
        rig.View().RedrawView();
        rig.View().viewport()->repaint();
    }
    state.counters["top"] = static_cast<double>(rig.Doc().View().top_record.value);
    state.counters["rows"] = rig.View().VisibleRows();
}
BENCHMARK(BM_RedrawViewAtTheEnd)->Unit(benchmark::kMillisecond)->UseRealTime();

// Dragging the scroll box across the whole file, a page per step.
void BM_ThumbTrackAcrossTheFile(benchmark::State& state) {
    const std::string& path = Input();
    ViewRig rig;
    if (!rig.Doc().LoadWorkingFile(path, LoadMode::InPlace)) {
        state.SkipWithError("load failed");
        return;
    }
    QScrollBar* bar = rig.View().verticalScrollBar();
    int box = 0;
    for (auto _ : state) {
        box = (box + 997) % (kScrollLimit + 1);
        bar->setSliderPosition(box);
        rig.View().viewport()->repaint();
    }
}
BENCHMARK(BM_ThumbTrackAcrossTheFile)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
