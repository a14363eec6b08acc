#pragma once

#include <QMetaType>
#include <QObject>

#include "ConnectionFault.h"

// The library store's standing verdict on the server: usable, or failing for
// a reason (in practice offline or a refused password).
class ServerReachability
{
    Q_GADGET
    Q_PROPERTY(bool isFailing READ isFailing CONSTANT)
    Q_PROPERTY(ConnectionFault fault READ fault CONSTANT)
public:
    ServerReachability() = default;

    static ServerReachability ok() { return ServerReachability(); }
    static ServerReachability failing(const ConnectionFault &fault) { return ServerReachability(fault); }

    bool isOk() const { return !m_failing; }
    bool isFailing() const { return m_failing; }
    // The reason of a failing server; meaningless when ok.
    ConnectionFault fault() const { return m_fault; }

    friend bool operator==(const ServerReachability &a, const ServerReachability &b)
    {
        return a.m_failing == b.m_failing && (!a.m_failing || a.m_fault == b.m_fault);
    }

private:
    explicit ServerReachability(const ConnectionFault &fault)
        : m_failing(true)
        , m_fault(fault)
    { }

    bool m_failing = false;
    ConnectionFault m_fault;
};

Q_DECLARE_METATYPE(ServerReachability)
