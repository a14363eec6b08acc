#include "ConnectionFault.h"

#include "Networking/SubsonicError.h"
#include "Networking/TransportError.h"

namespace {

// The transport failures that mean the server could not be reached at all,
// as opposed to a refused or broken exchange with it.
bool isUnreachable(const TransportError &error)
{
    if (error.isTimedOut())
        return true;
    if (error.isCancelled())
        return false;
    switch (error.code()) {
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::TimeoutError:
    case QNetworkReply::RemoteHostClosedError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::BackgroundRequestNotAllowedError:
    // What Qt makes of a connect that the system refused below TCP: a host
    // that is switched off ("Host unreachable"), no route to its network, or
    // a connect that timed out.
    case QNetworkReply::UnknownNetworkError:
        return true;
    default:
        return false;
    }
}

} // namespace

ConnectionFault ConnectionFault::fromError(const std::exception_ptr &error)
{
    try {
        if (error)
            std::rethrow_exception(error);
    } catch (const SubsonicError &e) {
        switch (e.kind()) {
        case SubsonicError::Kind::Http:
            if (e.httpStatus() == 401 || e.httpStatus() == 403)
                return unauthorized();
            return server(e.localizedDescription());
        case SubsonicError::Kind::Server:
            // Code 50 ("not authorised for this operation") is treated like
            // rejected credentials as well.
            if (e.code() == 40 || e.code() == 50)
                return unauthorized();
            return server(e.message());
        case SubsonicError::Kind::TooLong:
            return server(e.localizedDescription());
        case SubsonicError::Kind::InvalidResponse:
            return other(e.localizedDescription());
        }
    } catch (const TransportError &e) {
        if (isUnreachable(e))
            return offline();
        return other(e.localizedDescription());
    } catch (...) { }
    return other(describe(error));
}

bool ConnectionFault::isCancellation(const std::exception_ptr &error)
{
    try {
        if (error)
            std::rethrow_exception(error);
    } catch (const TransportError &e) {
        return e.isCancelled();
    } catch (...) { }
    return false;
}

QString ConnectionFault::describe(const std::exception_ptr &error)
{
    try {
        if (error)
            std::rethrow_exception(error);
    } catch (const SubsonicError &e) {
        return e.localizedDescription();
    } catch (const TransportError &e) {
        return e.localizedDescription();
    } catch (const std::exception &e) {
        return QString::fromUtf8(e.what());
    } catch (...) { }
    return QStringLiteral("The operation couldn't be completed.");
}
