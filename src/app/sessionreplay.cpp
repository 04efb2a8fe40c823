#include "app/sessionreplay.h"

#include "session/sessionplayer.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

namespace
{

// The slider counts tenths of a second: an int holds years of them.
constexpr qint64 kSliderStepUs = 100000;

} // namespace

QString replay_time_text(qint64 us)
{
    const qint64 seconds = us / 1000000;
    const QString minutes_seconds = QStringLiteral("%1:%2")
                                        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
                                        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    if (seconds < 3600)
        return minutes_seconds;
    return QString::number(seconds / 3600) + QLatin1Char(':') + minutes_seconds;
}

SessionReplay::SessionReplay(session::SessionPlayer *player, const QString &file_name,
                             QWidget *parent)
    : QWidget(parent, Qt::Window), session_player(player)
{
    setWindowTitle(QStringLiteral("会话回放"));
    setAttribute(Qt::WA_DeleteOnClose);
    player->setParent(this);

    auto *file_label = new QLabel(QFileInfo(file_name).fileName(), this);
    file_label->setToolTip(file_name);
    file_label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    time_label = new QLabel(this);
    slider = new QSlider(Qt::Horizontal, this);
    slider->setRange(0, int(player->total_us() / kSliderStepUs));
    slider->setMinimumWidth(320);
    pause_button = new QPushButton(QStringLiteral("暂停"), this);

    auto *speeds = new QButtonGroup(this);
    auto *speed_row = new QHBoxLayout;
    speed_row->addWidget(pause_button);
    speed_row->addStretch();
    const std::pair<const char *, double> choices[] = {
        {"1×", 1}, {"10×", 10}, {"100×", 100}, {"最快", 0}};
    for (const auto &choice : choices) {
        auto *button = new QPushButton(QString::fromUtf8(choice.first), this);
        button->setCheckable(true);
        button->setChecked(choice.second == 1);
        speeds->addButton(button);
        speed_row->addWidget(button);
        const double speed = choice.second;
        connect(button, &QPushButton::clicked, this, [player, speed] { player->set_speed(speed); });
    }
    speeds->setExclusive(true);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(file_label);
    auto *position_row = new QHBoxLayout;
    position_row->addWidget(slider, 1);
    position_row->addWidget(time_label);
    layout->addLayout(position_row);
    layout->addLayout(speed_row);

    connect(pause_button, &QPushButton::clicked, this, [this] {
        if (session_player->is_paused()) {
            session_player->resume();
        } else {
            session_player->pause();
        }
        pause_button->setText(session_player->is_paused() ? QStringLiteral("继续")
                                                          : QStringLiteral("暂停"));
    });
    connect(slider, &QSlider::sliderPressed, this, [this] { slider_held = true; });
    connect(slider, &QSlider::sliderReleased, this, [this] {
        slider_held = false;
        session_player->seek(qint64(slider->value()) * kSliderStepUs);
    });
    connect(slider, &QSlider::actionTriggered, this, [this](int action) {
        // Clicks and keys on the slider; a drag is taken at its release.
        if (action != QAbstractSlider::SliderMove && !slider_held)
            QMetaObject::invokeMethod(
                this, [this] { session_player->seek(qint64(slider->value()) * kSliderStepUs); },
                Qt::QueuedConnection);
    });
    connect(player, &session::SessionPlayer::position_changed, this, &SessionReplay::show_position);
    connect(player, &session::SessionPlayer::finished, this,
            [this] { pause_button->setEnabled(false); });
    show_position(0);
}

void SessionReplay::show_position(qint64 position_us)
{
    time_label->setText(replay_time_text(position_us) + QStringLiteral(" / ") +
                        replay_time_text(session_player->total_us()));
    if (!slider_held)
        slider->setValue(int(position_us / kSliderStepUs));
}

void SessionReplay::closeEvent(QCloseEvent *event)
{
    session_player->pause();
    emit closed();
    QWidget::closeEvent(event);
}
