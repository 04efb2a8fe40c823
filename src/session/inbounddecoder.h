#pragma once

#include "protocol/reportdecoder.h"

#include <QByteArray>
#include <functional>

// The camera's side of a session decoded as the window decodes what it reads:
// the same cutting, the same rules, one connection's state throughout.
namespace session
{

class InboundDecoder
{
public:
    // Called for each report the window would act on.
    std::function<void(const protocol::Report &)> on_report;

    void feed(const QByteArray &bytes);

private:
    bool ff_seen = false;
    bool in_frame = false;
    bool fe_seen = false;
    QByteArray frame;
};

} // namespace session
