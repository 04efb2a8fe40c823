// How fast the receive path cuts and decodes the camera's byte stream, without
// any widget: the work Read_Data does per byte before it touches the display.
#include "protocol/framecutter.h"
#include "protocol/reportdecoder.h"
#include "protocol/reporttext.h"

#include <benchmark/benchmark.h>
#include <cmath>

namespace
{

void put(QByteArray &frame, int at, int value, int bytes)
{
    for (int k = bytes - 1; k >= 0; --k) {
        frame[at + k] = char(value & 0xFF);
        value >>= 8;
    }
}

QByteArray position_report(int k)
{
    QByteArray frame(22, '\0');
    frame[0] = char(0xFF);
    frame[1] = char(0xFE);
    frame[2] = char(k % 7 == 0 ? 1 : 0);
    put(frame, 3, (k * 19) % 100000, 3);
    put(frame, 7, (k * 7) % 100000, 3);
    put(frame, 10, (k * 13) % 3600, 2);
    frame[12] = char(k % 2);
    put(frame, 13, k % 500, 2);
    put(frame, 16, (k * 3) % 500, 2);
    int sum = 0;
    for (int at : {3, 4, 5, 7, 8, 9, 10, 11, 13, 14, 16, 17})
        sum += quint8(frame.at(at));
    frame[19] = char(sum / 12);
    frame[20] = char(0xFE);
    frame[21] = char(0xFF);
    return frame;
}

// Mostly position reports, as in mode 1, with the odd count report, error
// report and a little line noise.
QByteArray camera_stream(int megabytes)
{
    QByteArray stream;
    for (int k = 0; stream.size() < megabytes * 1024 * 1024; ++k) {
        stream += position_report(k);
        if (k % 50 == 0)
            stream += QByteArray::fromHex("FFFEFD000C00C8FEFF");
        if (k % 400 == 0)
            stream += QByteArray::fromHex("FFFEFE00FEFF0011");
    }
    return stream;
}

const QByteArray &stream()
{
    static const QByteArray bytes = camera_stream(4);
    return bytes;
}

void cut_only(benchmark::State &state)
{
    const QByteArray &bytes = stream();
    bool ff_seen = false, in_frame = false, fe_seen = false;
    QByteArray frame;
    long frames = 0;
    for (auto _ : state) {
        for (char byte : bytes) {
            if (protocol::cut_byte(quint8(byte), ff_seen, in_frame, fe_seen, frame))
                ++frames;
        }
        benchmark::DoNotOptimize(frames);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes.size());
}
BENCHMARK(cut_only)->Unit(benchmark::kMillisecond);

void cut_and_decode(benchmark::State &state)
{
    const QByteArray &bytes = stream();
    bool ff_seen = false, in_frame = false, fe_seen = false;
    QByteArray frame;
    double x_sum = 0;
    long positions = 0;
    for (auto _ : state) {
        for (char byte : bytes) {
            if (!protocol::cut_byte(quint8(byte), ff_seen, in_frame, fe_seen, frame))
                continue;
            const std::optional<protocol::Report> report = protocol::decode_report(frame);
            if (!report)
                continue;
            frame.resize(0); // as the window consumes a recognised frame
            if (report->kind == protocol::ReportKind::Position) {
                x_sum += report->position.x;
                ++positions;
            }
        }
        benchmark::DoNotOptimize(x_sum);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes.size());
    state.counters["reports/s"] =
        benchmark::Counter(double(positions), benchmark::Counter::kIsRate);
}
BENCHMARK(cut_and_decode)->Unit(benchmark::kMillisecond);

// The receive log's text for the same bytes, one read of 64 bytes at a time.
void hex_echo(benchmark::State &state)
{
    const QByteArray &bytes = stream();
    for (auto _ : state) {
        for (int at = 0; at < bytes.size(); at += 64)
            benchmark::DoNotOptimize(protocol::hex_echo(bytes.mid(at, 64)));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes.size());
}
BENCHMARK(hex_echo)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    stream(); // built before the first measurement, not inside it
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
