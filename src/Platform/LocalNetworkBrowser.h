#pragma once

// A short service browse whose only purpose is to make the desktop ask for
// local-network access before the first library request. Linux desktops have
// no such permission, so the implementation the application uses starts and
// cancels nothing and sends no traffic; the life cycle stays so that the
// caller behaves the same everywhere.
class LocalNetworkBrowser
{
public:
    virtual ~LocalNetworkBrowser() = default;
    virtual void start() = 0;
    virtual void cancel() = 0;
};

// The Linux browser: nothing to ask for, so nothing is sent.
class NullLocalNetworkBrowser final : public LocalNetworkBrowser
{
public:
    void start() override { }
    void cancel() override { }
};
