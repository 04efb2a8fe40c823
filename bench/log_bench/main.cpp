// The receive log at its bound of 10000 paragraphs, one paragraph per read as
// at the camera's line rate (523 reads a second): QTextDocument's own
// maximum block count against PacedLog, which adds a display frame's reads in
// one edit and drops the oldest paragraphs in chunks.
#include "app/pacedlog.h"
#include "protocol/reporttext.h"

#include <QApplication>
#include <QTextDocument>
#include <QTextEdit>
#include <benchmark/benchmark.h>

namespace
{

const QString kParagraph = protocol::hex_echo(QByteArray::fromHex(
    "FFFE0000085F000009C50384000000000000000025FEFF")); // a position report's echo

// One paragraph per read, appended as QTextEdit::append does, with the
// document dropping its first paragraph whenever it holds too many.
void maximum_block_count(benchmark::State &state)
{
    QTextEdit edit;
    edit.resize(400, 300);
    edit.show();
    edit.document()->setMaximumBlockCount(PacedLog::kMaxParagraphs);
    for (int k = 0; k < PacedLog::kMaxParagraphs; ++k)
        edit.append(kParagraph);
    QCoreApplication::processEvents();
    for (auto _ : state) {
        edit.append(kParagraph);
        QCoreApplication::processEvents();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(maximum_block_count)->Unit(benchmark::kMillisecond)->UseRealTime();

// The reads of one 33 ms display frame at 523 reads a second, shown in one
// edit; every 500 paragraphs the oldest go in one cut.
void paced_log(benchmark::State &state)
{
    QTextEdit edit;
    edit.resize(400, 300);
    edit.show();
    PacedLog log(edit);
    for (int k = 0; k < PacedLog::kMaxParagraphs; ++k)
        log.append(kParagraph);
    log.flush();
    QCoreApplication::processEvents();
    const int reads_per_frame = 523 * PacedLog::kFrameMs / 1000;
    for (auto _ : state) {
        for (int k = 0; k < reads_per_frame; ++k)
            log.append(kParagraph);
        log.flush();
        QCoreApplication::processEvents();
    }
    state.SetItemsProcessed(state.iterations() * reads_per_frame);
}
BENCHMARK(paced_log)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(5);

// A peer far faster than the camera: 1 MB/s of bytes that hold no frame,
// 33 KB per display frame, echoed in paragraphs of 1024 bytes, with the log
// at its character bound.
void paced_log_flood(benchmark::State &state)
{
    QTextEdit edit;
    edit.resize(400, 300);
    edit.show();
    PacedLog log(edit);
    QByteArray noise(protocol::kEchoBytesPerParagraph, Qt::Uninitialized);
    for (int k = 0; k < noise.size(); ++k)
        noise[k] = char(k * 7 % 0xFE);
    const QString paragraph = protocol::hex_echo(noise);
    const int paragraphs_per_frame = 1000000 * PacedLog::kFrameMs / 1000 / noise.size();
    for (int k = 0; k < PacedLog::kMaxCharacters / paragraph.size(); ++k)
        log.append(paragraph);
    log.flush();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        for (int k = 0; k < paragraphs_per_frame; ++k)
            log.append(paragraph);
        log.flush();
        QCoreApplication::processEvents();
    }
    state.SetBytesProcessed(state.iterations() * paragraphs_per_frame * noise.size());
}
BENCHMARK(paced_log_flood)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(5);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
