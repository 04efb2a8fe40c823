#pragma once

#include "report/reportcontent.h"

#include <QString>

namespace report
{

// Writes `content` as an A4 PDF at `path`: the heading facts, the floor
// picture at one scale on both axes, the counts, the steadiness figures and
// the camera's counters, then every different, unknown and unseen tag in
// compact tables over as many pages as they need. The text is real text in a
// CJK font, so it can be selected and searched. False, with `error` set,
// when the file cannot be written.
bool write_report_pdf(const CommissioningReport &content, const QString &path,
                      QString *error = nullptr);

// The family the report's text is set in.
QString report_font_family();

} // namespace report
