#include "writer.h"

#include "camera/reportframes.h"
#include "floorpath.h"
#include "measures.h"

#include <cerrno>
#include <ctime>
#include <sys/mman.h>
#include <unistd.h>

WriterShared *create_writer_shared(long reports)
{
    const size_t bytes = sizeof(WriterShared) + sizeof(int64_t) * size_t(reports);
    void *memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED)
        return nullptr;
    auto *shared = new (memory) WriterShared;
    shared->reports = reports;
    return shared;
}

namespace
{

// Whether a period of `every_s` seconds begins between reports k - 1 and k.
bool period_begins(long k, double rate, double every_s)
{
    if (every_s <= 0 || k == 0)
        return false;
    return long(double(k) / rate / every_s) != long(double(k - 1) / rate / every_s);
}

// Three codes in view around the pose, as a camera in mode 2 reports them.
QByteArray codes_in_view(long k)
{
    QVector<camera::CodeListRecord> codes;
    for (int n = 0; n < 3; ++n)
        codes.append({quint16(1 + (k / 523 + n) % 400), qint32(-150 + 100 * n), qint32(25 * n),
                      quint16(900 * n)});
    return camera::code_list_report(codes);
}

[[noreturn]] void run_writer(int master_fd, WriterShared *shared)
{
    while (shared->start_ns.load() == 0)
        usleep(1000);
    const int64_t start = shared->start_ns.load();
    for (long k = 0; k < shared->reports; ++k) {
        sleep_until(start + int64_t(double(k) * 1e9 / shared->rate));
        QByteArray report =
            position_report(floor_pose(shared->first_report + k, shared->speed_cm_per_report));
        if (period_begins(k, shared->rate, shared->code_list_every_s))
            report += codes_in_view(k);
        if (period_begins(k, shared->rate, shared->error_every_s))
            report += camera::error_report();
        if (!write_all(master_fd, report.constData(), size_t(report.size())))
            _exit(1);
        shared->written_ns()[k] = monotonic_ns();
        shared->sent.store(k + 1);
    }
    _exit(0);
}

} // namespace

pid_t start_writer(int master_fd, WriterShared *shared)
{
    const pid_t pid = fork();
    if (pid == 0)
        run_writer(master_fd, shared);
    return pid;
}
