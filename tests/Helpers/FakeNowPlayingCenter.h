#pragma once

#include "Platform/NowPlayingCenter.h"

// Keeps what the engine publishes and lets a test send the desktop's commands
// by emitting the center's signals.
class FakeNowPlayingCenter : public NowPlayingCenter
{
    Q_OBJECT
public:
    using NowPlayingCenter::NowPlayingCenter;

    std::optional<NowPlayingInfo> nowPlayingInfo() const override { return m_info; }
    void setNowPlayingInfo(const std::optional<NowPlayingInfo> &info) override
    {
        m_info = info;
        ++infoWrites;
    }
    NowPlayingState playbackState() const override { return m_state; }
    void setPlaybackState(NowPlayingState state) override { m_state = state; }
    void setVolume(double volume) override { this->volume = volume; }

    int infoWrites = 0;
    double volume = -1;

private:
    std::optional<NowPlayingInfo> m_info;
    NowPlayingState m_state = NowPlayingState::Stopped;
};
