#pragma once

#include <QWidget>

class QLabel;
class QPushButton;
class QSlider;
class QButtonGroup;

namespace session
{
class SessionPlayer;
}

// The small window "会话回放": the file, the elapsed and the total time, a
// position slider, pause and resume, the speeds. It owns the player; closing
// it ends the replay.
class SessionReplay : public QWidget
{
    Q_OBJECT

public:
    // `player` has opened its file; the window takes it.
    SessionReplay(session::SessionPlayer *player, const QString &file_name,
                  QWidget *parent = nullptr);

    session::SessionPlayer *player() const
    {
        return session_player;
    }

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void show_position(qint64 position_us);

    session::SessionPlayer *session_player;
    QLabel *time_label;
    QSlider *slider;
    QPushButton *pause_button;
    bool slider_held = false;
};

// "1:02:03" or "02:03".
QString replay_time_text(qint64 us);
