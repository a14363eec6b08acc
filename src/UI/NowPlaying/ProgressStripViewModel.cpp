#include "ProgressStripViewModel.h"

#include <QSettings>

#include <cmath>

#include "CapsuleTrackMath.h"
#include "Platform/QueuePlayer.h"
#include "Playback/PlayerController.h"
#include "Support/Format.h"

namespace {

const QString ShowTotalTimeKey = QStringLiteral("showTotalTime");

} // namespace

ProgressStripViewModel::ProgressStripViewModel(PlayerController *player, BarFocus *focus, QObject *parent)
    : QObject(parent)
    , m_player(player)
    , m_focus(focus)
    , m_showTotalTime(QSettings().value(ShowTotalTimeKey, false).toBool())
{
    connect(m_player, &PlayerController::currentTimeChanged, this, &ProgressStripViewModel::changed);
    connect(m_player, &PlayerController::durationChanged, this, [this] {
        Q_EMIT changed();
        updateAdvancing();
    });
    connect(m_player, &PlayerController::isPlayingChanged, this, &ProgressStripViewModel::updateAdvancing);
    connect(m_player, &PlayerController::currentIndexChanged, this, &ProgressStripViewModel::songChanged);
    connect(m_player, &PlayerController::queueChanged, this, &ProgressStripViewModel::songChanged);
    connect(m_focus, &BarFocus::controlChanged, this, &ProgressStripViewModel::focusChanged);
    updateAdvancing();
}

double ProgressStripViewModel::displayedTime() const
{
    if (m_isScrubbing)
        return m_scrubTime;
    return m_player ? m_player->currentTime() : 0;
}

double ProgressStripViewModel::duration() const
{
    const double d = m_player ? m_player->duration() : 0;
    return std::isfinite(d) && d > 0 ? d : 0;
}

double ProgressStripViewModel::progress() const
{
    const double d = duration();
    if (d <= 0)
        return 0;
    const double fraction = displayedTime() / d;
    return std::isnan(fraction) ? 0 : std::clamp(fraction, 0.0, 1.0);
}

QString ProgressStripViewModel::elapsedText() const
{
    return Format::time(displayedTime());
}

QString ProgressStripViewModel::trailingText() const
{
    const double d = duration();
    if (d <= 0)
        return QStringLiteral("--:--");
    if (m_showTotalTime)
        return Format::time(d);
    return QLatin1Char('-') + Format::paddedTime(std::max(d - displayedTime(), 0.0));
}

QString ProgressStripViewModel::trailingTooltip() const
{
    return m_showTotalTime ? QStringLiteral("Show Time Remaining") : QStringLiteral("Show Total Time");
}

QString ProgressStripViewModel::accessibleValue() const
{
    return Format::time(displayedTime()) + QStringLiteral(" of ") + Format::time(duration());
}

void ProgressStripViewModel::setShowTotalTime(bool show)
{
    if (m_showTotalTime == show)
        return;
    m_showTotalTime = show;
    QSettings().setValue(ShowTotalTimeKey, show);
    Q_EMIT changed();
}

void ProgressStripViewModel::setHovering(bool hovering)
{
    if (m_isHovering == hovering)
        return;
    m_isHovering = hovering;
    Q_EMIT activeChanged();
}

bool ProgressStripViewModel::isAdvancing() const
{
    return m_isAdvancing;
}

double ProgressStripViewModel::progressPerUpdate() const
{
    const double d = duration();
    return d > 0 ? updateIntervalMs() / 1000.0 / d : 0;
}

int ProgressStripViewModel::updateIntervalMs() const
{
    return QueuePlayer::PeriodicIntervalMs;
}

void ProgressStripViewModel::dragMoved(double x, double width)
{
    if (!isEnabled())
        return;
    m_focus->resign(BarFocus::Scrubber);
    scrub(CapsuleTrackMath::fractionAt(x, width));
}

void ProgressStripViewModel::dragEnded(double x, double width)
{
    if (!isEnabled())
        return;
    commit(CapsuleTrackMath::fractionAt(x, width));
    m_focus->resign(BarFocus::Scrubber);
}

void ProgressStripViewModel::dragCancelled()
{
    if (!m_isScrubbing)
        return;
    m_scrubTime = 0;
    setScrubbing(false);
    Q_EMIT changed();
}

void ProgressStripViewModel::adjust(int direction)
{
    if (!isEnabled())
        return;
    // Only a step from the focused track keeps the time row up.
    if (m_focus->control() == BarFocus::Scrubber)
        setKeyboardAdjusting(true);
    commit(CapsuleTrackMath::stepped(progress(), direction));
}

bool ProgressStripViewModel::handleKey(int key)
{
    if (!isEnabled() || (key != Qt::Key_Left && key != Qt::Key_Right))
        return false;
    adjust(key == Qt::Key_Left ? -1 : +1);
    return true;
}

void ProgressStripViewModel::scrub(double fraction)
{
    m_scrubTime = fraction * duration();
    setScrubbing(true);
    Q_EMIT changed();
}

void ProgressStripViewModel::commit(double fraction)
{
    const double target = fraction * duration();
    m_scrubTime = target;
    if (m_player)
        m_player->seek(target);
    setScrubbing(false);
    Q_EMIT changed();
}

void ProgressStripViewModel::focusChanged()
{
    if (m_focus->control() != BarFocus::Scrubber)
        setKeyboardAdjusting(false);
}

void ProgressStripViewModel::songChanged()
{
    // The strip is shown only with a song: without one it starts afresh.
    if (m_player && m_player->currentSong())
        return;
    m_scrubTime = 0;
    setScrubbing(false);
    setHovering(false);
    setKeyboardAdjusting(false);
}

void ProgressStripViewModel::setScrubbing(bool scrubbing)
{
    if (m_isScrubbing == scrubbing)
        return;
    m_isScrubbing = scrubbing;
    Q_EMIT activeChanged();
    updateAdvancing();
}

void ProgressStripViewModel::setKeyboardAdjusting(bool adjusting)
{
    if (m_isKeyboardAdjusting == adjusting)
        return;
    m_isKeyboardAdjusting = adjusting;
    Q_EMIT activeChanged();
}

void ProgressStripViewModel::updateAdvancing()
{
    const bool advancing = m_player && m_player->isPlaying() && !m_isScrubbing && isEnabled();
    if (m_isAdvancing == advancing)
        return;
    m_isAdvancing = advancing;
    Q_EMIT advancingChanged();
}
