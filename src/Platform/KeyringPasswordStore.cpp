#include "KeyringPasswordStore.h"

#include <QCoroSignal>
#include <QEventLoop>
#include <QStringDecoder>
#include <QTimer>

#include <qt6keychain/keychain.h>

#include <chrono>

namespace {

const QString &service()
{
    static const QString name = QString::fromLatin1(KeyringPasswordStore::Service);
    return name;
}

// Starts `job`; `finished` turns true when it ends.
void startJob(QKeychain::Job *job, const std::shared_ptr<bool> &finished)
{
    job->setInsecureFallback(false);
    job->setAutoDelete(false);
    QObject::connect(job, &QKeychain::Job::finished, job, [finished] { *finished = true; });
    job->start();
}

// Spins a local event loop until the started `job` finishes, at most
// `timeoutMs`. A job that finished is left to its caller; one that did not is
// handed over to delete itself when it finally ends (deleting a running job
// would leave the keyring's callback with a dead object).
bool waitFor(QKeychain::Job *job, const std::shared_ptr<bool> &finished, int timeoutMs)
{
    if (!*finished) {
        QEventLoop loop;
        QObject::connect(job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        if (!*finished)
            loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    if (!*finished)
        job->setAutoDelete(true);
    return *finished;
}

std::optional<QString> decodeUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

} // namespace

struct KeyringPasswordStore::PreparedRead
{
    QString account;
    QKeychain::ReadPasswordJob *job = nullptr;
    std::shared_ptr<bool> finished = std::make_shared<bool>(false);
};

KeyringPasswordStore::KeyringPasswordStore() = default;

KeyringPasswordStore::~KeyringPasswordStore()
{
    dropPreparedRead();
}

void KeyringPasswordStore::prepareRead(const QString &account)
{
    dropPreparedRead();
    m_prepared = std::make_unique<PreparedRead>();
    m_prepared->account = account;
    m_prepared->job = new QKeychain::ReadPasswordJob(service());
    m_prepared->job->setKey(account);
    startJob(m_prepared->job, m_prepared->finished);
}

void KeyringPasswordStore::dropPreparedRead()
{
    if (!m_prepared)
        return;
    // A running job deletes itself when it ends.
    if (*m_prepared->finished)
        m_prepared->job->deleteLater();
    else
        m_prepared->job->setAutoDelete(true);
    m_prepared.reset();
}

std::optional<QString> KeyringPasswordStore::password(const QString &account)
{
    QKeychain::ReadPasswordJob *job = nullptr;
    std::shared_ptr<bool> finished;
    if (m_prepared && m_prepared->account == account) {
        // Read ahead: only what is left of the wait.
        job = m_prepared->job;
        finished = m_prepared->finished;
        m_prepared.reset();
    } else {
        dropPreparedRead();
        job = new QKeychain::ReadPasswordJob(service());
        job->setKey(account);
        finished = std::make_shared<bool>(false);
        startJob(job, finished);
    }
    if (!waitFor(job, finished, ReadTimeoutMs))
        return std::nullopt;
    std::optional<QString> result;
    if (job->error() == QKeychain::NoError)
        result = decodeUtf8(job->binaryData());
    job->deleteLater();
    return result;
}

QCoro::Task<std::optional<QString>> KeyringPasswordStore::save(QString password, QString account)
{
    // A read started earlier could answer with the password replaced here.
    dropPreparedRead();
    // Replace by delete-then-write: when the write fails, no stale password of
    // this account is left behind to be restored at the next launch. The
    // keyring runs its jobs one at a time, in the order they were started.
    auto *removal = new QKeychain::DeletePasswordJob(service());
    removal->setKey(account);
    removal->setAutoDelete(true);
    removal->start();

    auto *job = new QKeychain::WritePasswordJob(service());
    job->setKey(account);
    job->setBinaryData(password.toUtf8());
    // Never a settings file in the keyring's place.
    job->setInsecureFallback(false);
    job->setAutoDelete(false);
    auto finished = qCoro(job, &QKeychain::Job::finished, std::chrono::milliseconds(SaveTimeoutMs));
    job->start();
    const std::optional<QKeychain::Job *> done = co_await std::move(finished);
    if (!done) {
        job->setAutoDelete(true);
        co_return QStringLiteral("The keyring did not answer in time.");
    }
    std::optional<QString> failure;
    if (job->error() != QKeychain::NoError) {
        failure = job->errorString();
        if (failure->isEmpty())
            failure = QStringLiteral("The keyring could not store the password.");
    }
    job->deleteLater();
    co_return failure;
}

QCoro::Task<> KeyringPasswordStore::deletePassword(QString account)
{
    dropPreparedRead();
    auto *job = new QKeychain::DeletePasswordJob(service());
    job->setKey(account);
    job->setInsecureFallback(false);
    job->setAutoDelete(false);
    auto finished = qCoro(job, &QKeychain::Job::finished, std::chrono::milliseconds(DeleteTimeoutMs));
    job->start();
    const std::optional<QKeychain::Job *> done = co_await std::move(finished);
    // A job still running deletes itself when it finally ends.
    if (done)
        job->deleteLater();
    else
        job->setAutoDelete(true);
}
