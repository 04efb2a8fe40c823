// How fast the receive path cuts and decodes the camera's byte stream, without
// any widget: the work Read_Data does per byte before it touches the display.
#include "camera/reportframes.h"
#include "protocol/framecutter.h"
#include "protocol/receiveloop.h"
#include "protocol/reportdecoder.h"
#include "protocol/reporttext.h"

#include <benchmark/benchmark.h>
#include <cmath>

namespace
{

QByteArray position_report(int k)
{
    camera::PositionFields fields;
    fields.x_tenths = (k % 7 == 0 ? -1 : 1) * ((k * 19) % 100000);
    fields.y_tenths = (k * 7) % 100000;
    fields.rotation_tenths = quint16((k * 13) % 3600);
    fields.attitude_x_hundredths = (k % 2 ? -1 : 1) * (k % 500);
    fields.attitude_y_hundredths = (k * 3) % 500;
    return camera::position_report(fields);
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
    // The cutting and decoding a session's reader shares with the window.
    protocol::ReceiveLoop decoder;
    double x_sum = 0;
    long positions = 0;
    decoder.on_report = [&](const protocol::Report &report) {
        if (report.kind == protocol::ReportKind::Position) {
            x_sum += report.position.x;
            ++positions;
        }
    };
    for (auto _ : state) {
        decoder.feed(bytes);
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
