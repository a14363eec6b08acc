#include "VolumeControlViewModel.h"

#include <cmath>

#include "CapsuleTrackMath.h"
#include "Playback/PlayerController.h"

VolumeControlViewModel::VolumeControlViewModel(PlayerController *player, BarFocus *focus, QObject *parent)
    : QObject(parent)
    , m_player(player)
    , m_focus(focus)
{
    m_hideTimer.setSingleShot(true);
    m_hideTimer.setInterval(DefaultHideDelayMs);
    connect(&m_hideTimer, &QTimer::timeout, this, [this] { setHovering(false); });
    connect(m_player, &PlayerController::volumeChanged, this, &VolumeControlViewModel::volumeChanged);
    connect(m_focus, &BarFocus::controlChanged, this, [this] {
        if (m_focus->control() != BarFocus::Volume)
            setAdjustingByKey(false);
    });
}

float VolumeControlViewModel::volume() const
{
    return m_player ? m_player->volume() : 0;
}

void VolumeControlViewModel::setVolume(float volume)
{
    // A result that is not a number counts as silence.
    const float level = std::isnan(volume) ? 0.0f : std::clamp(volume, 0.0f, 1.0f);
    if (m_player)
        m_player->setVolume(level);
}

QString VolumeControlViewModel::symbol() const
{
    // The speaker's waves fill with the level, in three steps.
    const float level = volume();
    if (level < MutedBelow)
        return QStringLiteral("speaker.slash.fill");
    if (level < 1.0f / 3)
        return QStringLiteral("speaker.fill");
    if (level < 2.0f / 3)
        return QStringLiteral("speaker.wave.1.fill");
    return QStringLiteral("speaker.wave.3.fill");
}

QString VolumeControlViewModel::tooltip() const
{
    return isMuted() ? QStringLiteral("Unmute") : QStringLiteral("Mute");
}

QString VolumeControlViewModel::accessibleValue() const
{
    // In the level's own precision (0.005 makes 0.5, so 1); std::lround
    // rounds halves away from zero.
    return QStringLiteral("%1 percent").arg(std::lround(volume() * 100.0f));
}

void VolumeControlViewModel::toggleMute()
{
    if (isMuted()) {
        setVolume(m_volumeBeforeMute >= MutedBelow ? m_volumeBeforeMute : UnmuteFallback);
        return;
    }
    if (m_volumeBeforeMute != volume()) {
        m_volumeBeforeMute = volume();
        Q_EMIT volumeBeforeMuteChanged();
    }
    setVolume(0);
}

void VolumeControlViewModel::nudge(int direction)
{
    if (m_focus->control() == BarFocus::Volume)
        setAdjustingByKey(true);
    setVolume(volume() + float(direction) * Step);
}

bool VolumeControlViewModel::handleKey(int key)
{
    if (m_focus->control() != BarFocus::Volume)
        return false;
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Down:
        nudge(-1);
        return true;
    case Qt::Key_Right:
    case Qt::Key_Up:
        nudge(+1);
        return true;
    default:
        return false;
    }
}

void VolumeControlViewModel::setHover(bool hovering)
{
    // At most one hide is pending: every change of hover replaces it.
    m_hideTimer.stop();
    if (hovering)
        setHovering(true);
    else
        m_hideTimer.start();
}

void VolumeControlViewModel::dragTo(double x, double width)
{
    setVolume(float(CapsuleTrackMath::fractionAt(x, width)));
}

void VolumeControlViewModel::setHovering(bool hovering)
{
    if (m_isHovering == hovering)
        return;
    m_isHovering = hovering;
    Q_EMIT sliderChanged();
}

void VolumeControlViewModel::setAdjustingByKey(bool adjusting)
{
    if (m_isAdjustingByKey == adjusting)
        return;
    m_isAdjustingByKey = adjusting;
    Q_EMIT sliderChanged();
}
