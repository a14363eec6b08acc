#pragma once

#include <QCoroTask>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QUuid>

#include <functional>

#include "ConnectionFault.h"

// One failed user action of the library store, with an optional way to redo
// it. Failures are equal exactly when their ids are: a new failure of the
// same action is a different value, so observers of the last failure notice it.
class StoreFailure
{
    Q_GADGET
    Q_PROPERTY(QUuid id READ id CONSTANT)
    Q_PROPERTY(QString action READ action CONSTANT)
    Q_PROPERTY(ConnectionFault fault READ fault CONSTANT)
    Q_PROPERTY(QString message READ message CONSTANT)
    Q_PROPERTY(bool canRetry READ canRetry CONSTANT)
public:
    // Runs on the GUI thread; awaited by the store's retry.
    using Retry = std::function<QCoro::Task<>()>;

    StoreFailure() = default;
    StoreFailure(QUuid id, QString action, ConnectionFault fault, Retry retry = {});

    QUuid id() const { return m_id; }
    QString action() const { return m_action; }
    ConnectionFault fault() const { return m_fault; }
    const Retry &retry() const { return m_retry; }
    bool canRetry() const { return bool(m_retry); }

    // "Couldn't <action> — <reason>", with the plain apostrophe and an em dash.
    QString message() const;

    friend bool operator==(const StoreFailure &a, const StoreFailure &b) { return a.m_id == b.m_id; }

private:
    QUuid m_id;
    QString m_action;
    ConnectionFault m_fault;
    Retry m_retry;
};

Q_DECLARE_METATYPE(StoreFailure)
