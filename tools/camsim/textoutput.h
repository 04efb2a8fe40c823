#pragma once

#include <QString>
#include <cstdio>

namespace camsim
{

// A line-oriented text sink: standard output or a file. Every line is flushed
// at once, so that someone tailing the log, or a test waiting for a line,
// sees it when it happens.
class TextOutput
{
public:
    TextOutput() = default;
    ~TextOutput();
    TextOutput(const TextOutput &) = delete;
    TextOutput &operator=(const TextOutput &) = delete;

    // An empty path or "-" means standard output.
    bool open(const QString &path, QString *error);
    void write_line(const QString &line);

private:
    FILE *file = stdout;
    bool owned = false;
};

// One line on standard output: what the simulator tells whoever started it.
void say(const QString &line);

// Writes `text` to `path` as UTF-8 (through a temporary file, so that a reader
// never sees half a file), or to standard output when `path` is empty.
bool write_text_file(const QString &path, const QString &text, QString *error);

} // namespace camsim
