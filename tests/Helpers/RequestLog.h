#pragma once

#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QStringList>

// A network manager that notes the path of every request when it is made,
// before it leaves: a request the code starts and then abandons is counted
// too, which a server's own log cannot show.
class RequestLog : public QNetworkAccessManager
{
public:
    QStringList paths;

protected:
    QNetworkReply *createRequest(Operation op, const QNetworkRequest &request, QIODevice *data) override
    {
        paths.append(request.url().path());
        return QNetworkAccessManager::createRequest(op, request, data);
    }
};
