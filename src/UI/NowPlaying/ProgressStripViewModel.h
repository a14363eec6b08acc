#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "BarFocus.h"

class PlayerController;

// The position strip along the bottom of the now-playing bar: what its time
// row and track show, the drag preview that seeks once on release, the arrow
// key and accessibility steps, and the total/remaining choice of the right
// label (kept in the "showTotalTime" setting).
//
// The position comes from the engine twice a second while playing and not at
// all while paused. Between two updates the view moves the track on its own:
// while `isAdvancing`, it animates from `progress` by `progressPerUpdate` over
// `updateIntervalMs`, and starts again from the next `progress`.
class ProgressStripViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Owned by the now-playing bar's view model.")

    Q_PROPERTY(double displayedTime READ displayedTime NOTIFY changed)
    Q_PROPERTY(double duration READ duration NOTIFY changed)
    Q_PROPERTY(double progress READ progress NOTIFY changed)
    Q_PROPERTY(bool isEnabled READ isEnabled NOTIFY changed)
    Q_PROPERTY(QString elapsedText READ elapsedText NOTIFY changed)
    Q_PROPERTY(QString trailingText READ trailingText NOTIFY changed)
    Q_PROPERTY(QString trailingTooltip READ trailingTooltip NOTIFY changed)
    Q_PROPERTY(QString accessibleValue READ accessibleValue NOTIFY changed)
    Q_PROPERTY(QString accessibleName READ accessibleName CONSTANT)
    Q_PROPERTY(bool showTotalTime READ showTotalTime WRITE setShowTotalTime NOTIFY changed)

    Q_PROPERTY(bool isHovering READ isHovering WRITE setHovering NOTIFY activeChanged)
    Q_PROPERTY(bool isScrubbing READ isScrubbing NOTIFY activeChanged)
    Q_PROPERTY(bool isKeyboardAdjusting READ isKeyboardAdjusting NOTIFY activeChanged)
    Q_PROPERTY(bool isActive READ isActive NOTIFY activeChanged)
    Q_PROPERTY(double thickness READ thickness NOTIFY activeChanged)

    Q_PROPERTY(bool isAdvancing READ isAdvancing NOTIFY advancingChanged)
    Q_PROPERTY(double progressPerUpdate READ progressPerUpdate NOTIFY changed)
    Q_PROPERTY(int updateIntervalMs READ updateIntervalMs CONSTANT)

public:
    static constexpr double QuietThickness = 2;
    static constexpr double ActiveThickness = 7;

    ProgressStripViewModel(PlayerController *player, BarFocus *focus, QObject *parent = nullptr);

    // The previewed position during a drag, else the engine's.
    double displayedTime() const;
    // Seconds; 0 while nothing usable is known.
    double duration() const;
    double progress() const;
    bool isEnabled() const { return duration() > 0; }
    QString elapsedText() const;
    QString trailingText() const;
    QString trailingTooltip() const;
    QString accessibleValue() const;
    QString accessibleName() const { return QStringLiteral("Playback Position"); }
    bool showTotalTime() const { return m_showTotalTime; }
    void setShowTotalTime(bool show);

    bool isHovering() const { return m_isHovering; }
    void setHovering(bool hovering);
    bool isScrubbing() const { return m_isScrubbing; }
    bool isKeyboardAdjusting() const { return m_isKeyboardAdjusting; }
    bool isActive() const { return m_isHovering || m_isScrubbing || m_isKeyboardAdjusting; }
    double thickness() const { return isActive() ? ActiveThickness : QuietThickness; }

    bool isAdvancing() const;
    double progressPerUpdate() const;
    int updateIntervalMs() const;

    // The right label was clicked.
    Q_INVOKABLE void toggleShowTotalTime() { setShowTotalTime(!m_showTotalTime); }
    // The pointer moved with the button down at `x` on a track `width` wide:
    // previews that place, seeking nothing.
    Q_INVOKABLE void dragMoved(double x, double width);
    // The button was released at `x`: one seek to that place.
    Q_INVOKABLE void dragEnded(double x, double width);
    // The drag lost the pointer without a release (the window lost the
    // focus, another item took the grab): it ends, seeking nothing.
    Q_INVOKABLE void dragCancelled();
    // An accessibility increment (+1) or decrement (-1): one step of the song.
    Q_INVOKABLE void adjust(int direction);
    // A key pressed on the focused track; tells whether it was used.
    Q_INVOKABLE bool handleKey(int key);

Q_SIGNALS:
    void changed();
    void activeChanged();
    void advancingChanged();

private:
    void scrub(double fraction);
    void commit(double fraction);
    void focusChanged();
    void songChanged();
    void setScrubbing(bool scrubbing);
    void setKeyboardAdjusting(bool adjusting);
    void updateAdvancing();

    QPointer<PlayerController> m_player;
    BarFocus *m_focus = nullptr;
    bool m_isScrubbing = false;
    double m_scrubTime = 0;
    bool m_isHovering = false;
    bool m_isKeyboardAdjusting = false;
    bool m_showTotalTime = false;
    bool m_isAdvancing = false;
};
