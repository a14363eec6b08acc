#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QtQml/qqmlregistration.h>

#include "BarFocus.h"

class PlayerController;

// The speaker button at the end of the now-playing bar and the slider that
// pops out of it: mute and unmute with the level to go back to, the arrow key
// steps while the button holds the focus, the glyph and texts for the level,
// and when the slider is shown (on hover, or after a key step until the focus
// leaves; a pointer that leaves hides it after a short delay).
class VolumeControlViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Owned by the now-playing bar's view model.")

    Q_PROPERTY(float volume READ volume WRITE setVolume NOTIFY volumeChanged)
    Q_PROPERTY(bool isMuted READ isMuted NOTIFY volumeChanged)
    Q_PROPERTY(QString symbol READ symbol NOTIFY volumeChanged)
    Q_PROPERTY(QString tooltip READ tooltip NOTIFY volumeChanged)
    Q_PROPERTY(QString accessibleName READ accessibleName CONSTANT)
    Q_PROPERTY(QString accessibleValue READ accessibleValue NOTIFY volumeChanged)
    Q_PROPERTY(QString accessibleHint READ tooltip NOTIFY volumeChanged)
    Q_PROPERTY(bool isHovering READ isHovering NOTIFY sliderChanged)
    Q_PROPERTY(bool isAdjustingByKey READ isAdjustingByKey NOTIFY sliderChanged)
    Q_PROPERTY(bool sliderShown READ sliderShown NOTIFY sliderChanged)
    Q_PROPERTY(float volumeBeforeMute READ volumeBeforeMute NOTIFY volumeBeforeMuteChanged)

public:
    static constexpr float MutedBelow = 0.001f;
    static constexpr float Step = 0.05f;
    static constexpr float UnmuteFallback = 0.5f;
    static constexpr int DefaultHideDelayMs = 150;

    VolumeControlViewModel(PlayerController *player, BarFocus *focus, QObject *parent = nullptr);

    float volume() const;
    // Sets the engine's volume, kept within 0 to 1 (the slider's drag and release).
    void setVolume(float volume);
    bool isMuted() const { return volume() < MutedBelow; }
    // The symbol name of the speaker for the present level.
    QString symbol() const;
    QString tooltip() const;
    QString accessibleName() const { return QStringLiteral("Volume"); }
    // "38 percent": also the slider's value text.
    QString accessibleValue() const;

    bool isHovering() const { return m_isHovering; }
    bool isAdjustingByKey() const { return m_isAdjustingByKey; }
    bool sliderShown() const { return m_isHovering || m_isAdjustingByKey; }
    float volumeBeforeMute() const { return m_volumeBeforeMute; }

    void setHideDelay(int ms) { m_hideTimer.setInterval(ms); }

    // The speaker button was clicked.
    Q_INVOKABLE void toggleMute();
    // One step down (-1) or up (+1): an arrow key or an accessibility action.
    Q_INVOKABLE void nudge(int direction);
    // A key pressed on the speaker button; tells whether it was used.
    Q_INVOKABLE bool handleKey(int key);
    // The pointer entered (true) or left (false) the button or the slider.
    Q_INVOKABLE void setHover(bool hovering);
    // The slider was dragged or released at `x` on a track `width` wide.
    Q_INVOKABLE void dragTo(double x, double width);

Q_SIGNALS:
    void volumeChanged();
    void sliderChanged();
    void volumeBeforeMuteChanged();

private:
    void setHovering(bool hovering);
    void setAdjustingByKey(bool adjusting);

    QPointer<PlayerController> m_player;
    BarFocus *m_focus = nullptr;
    bool m_isHovering = false;
    bool m_isAdjustingByKey = false;
    float m_volumeBeforeMute = UnmuteFallback;
    QTimer m_hideTimer;
};
