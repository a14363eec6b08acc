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

// Starts `job` and spins a local event loop until it finishes, at most
// `timeoutMs`. A job that finished is left to its caller; one that did not is
// handed over to delete itself when it finally ends (deleting a running job
// would leave the keyring's callback with a dead object).
bool runAndWait(QKeychain::Job *job, int timeoutMs)
{
    job->setInsecureFallback(false);
    job->setAutoDelete(false);
    QEventLoop loop;
    bool finished = false;
    QObject::connect(job, &QKeychain::Job::finished, &loop, [&finished, &loop] {
        finished = true;
        loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    job->start();
    if (!finished)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (!finished)
        job->setAutoDelete(true);
    return finished;
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

std::optional<QString> KeyringPasswordStore::password(const QString &account)
{
    auto *job = new QKeychain::ReadPasswordJob(service());
    job->setKey(account);
    if (!runAndWait(job, ReadTimeoutMs))
        return std::nullopt;
    std::optional<QString> result;
    if (job->error() == QKeychain::NoError)
        result = decodeUtf8(job->binaryData());
    job->deleteLater();
    return result;
}

QCoro::Task<std::optional<QString>> KeyringPasswordStore::save(QString password, QString account)
{
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
