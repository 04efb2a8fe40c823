// Any byte stream, in any chunks, through the frame cutter and the report
// decoder: nothing may crash, hang, grow without bound or decode to a value
// the frame cannot encode.
#include "protocol/framecutter.h"
#include "protocol/reportdecoder.h"

#include <QByteArray>
#include <QList>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace
{

using protocol::Report;
using protocol::ReportKind;

void require(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

bool within(double value, double low, double high)
{
    return std::isfinite(value) && value >= low && value <= high;
}

bool is_count(int value)
{
    return value >= 0 && value <= 0xFFFF;
}

bool position_check_byte_holds(const QByteArray &collected)
{
    // Collected byte k is wire byte k + 1.
    int sum = 0;
    for (int wire : {3, 4, 5, 7, 8, 9, 10, 11, 13, 14, 16, 17})
        sum += quint8(collected.at(wire - 1));
    return quint8(collected.at(18)) == sum / 12;
}

void check_report(const Report &report, const QByteArray &collected)
{
    const int size = collected.size();
    switch (report.kind) {
    case ReportKind::Error:
        require(size == 4, "error report length");
        break;
    case ReportKind::Count:
        require(size == 7, "count report length");
        require(is_count(report.first_count) && is_count(report.second_count), "count range");
        break;
    case ReportKind::RecordAck:
        require(size == 5, "record acknowledgement length");
        require(is_count(report.code_id), "acknowledged id range");
        break;
    case ReportKind::StartAck:
    case ReportKind::EndAck:
        require(size == 3, "acknowledgement length");
        break;
    case ReportKind::CodeList: {
        const int count = quint8(collected.at(1));
        require(count <= 127 && size == 11 * count + 4, "code list length");
        require(report.code_list.size() <= count, "code list entries");
        for (const protocol::CodeListEntry &entry : report.code_list) {
            require(is_count(entry.id), "code id range");
            require(within(entry.first, -6553.5, 6553.5) && within(entry.second, -6553.5, 6553.5),
                    "code value range");
            require(within(entry.third, 0, 6553.5), "third code value range");
        }
        break;
    }
    case ReportKind::Tag:
        require(size == 16, "tag report length");
        require(is_count(report.tag.id) && is_count(report.tag.side_mm), "tag id and side");
        require(std::abs(report.tag.x_cm) <= 0xFFFF && std::abs(report.tag.y_cm) <= 0xFFFF &&
                    std::abs(report.tag.angle_deg) <= 0xFFFF,
                "tag magnitudes");
        break;
    case ReportKind::Position: {
        require(size == 20, "position report length");
        require(position_check_byte_holds(collected), "position applied only with its check byte");
        const protocol::PositionReport &pose = report.position;
        require(within(pose.x, -1677721.5, 1677721.5) && within(pose.y, -1677721.5, 1677721.5),
                "position range");
        require(within(pose.rotation_angle, 0, 6553.5), "rotation range");
        require(within(pose.attitude_x, -655.35, 655.35) &&
                    within(pose.attitude_y, -655.35, 655.35),
                "attitude range");
        break;
    }
    case ReportKind::Dropped:
        break;
    }
}

struct Receiver {
    bool ff_seen = false;
    bool in_frame = false;
    bool fe_seen = false;
    QByteArray frame;
    QList<QByteArray> frames;

    void feed(const uint8_t *bytes, size_t count)
    {
        for (size_t k = 0; k < count; ++k) {
            const bool completed = protocol::cut_byte(bytes[k], ff_seen, in_frame, fe_seen, frame);
            require(frame.size() <= protocol::kMaxCollectedFrame, "collected length above cap");
            require(frame.capacity() <= 4 * protocol::kMaxCollectedFrame, "frame buffer growth");
            if (!completed)
                continue;
            require(frame.size() >= 1 && quint8(frame.front()) == 0xFE &&
                        quint8(frame.back()) == 0xFE,
                    "collected frame starts and ends with FE");
            frames << frame;
            if (const std::optional<Report> report = protocol::decode_report(frame)) {
                check_report(*report, frame);
                frame.clear();
            }
        }
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte chooses how the rest arrives: in reads of 1 to 64 bytes.
    unsigned chunking = data[0];
    const uint8_t *stream = data + 1;
    const size_t length = size - 1;

    Receiver chunked;
    for (size_t at = 0; at < length;) {
        chunking = chunking * 1103515245u + 12345u;
        const size_t piece = std::min<size_t>(1 + (chunking >> 16) % 64, length - at);
        chunked.feed(stream + at, piece);
        at += piece;
    }
    Receiver whole;
    whole.feed(stream, length);
    require(chunked.frames == whole.frames, "chunking changes the frames");
    return 0;
}
